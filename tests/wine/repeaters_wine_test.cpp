// The importer under Wine: a table named outside the ANSI code page, two
// appends into one list at once, and the choice of groups and place.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>

#include "support/temp_workdir.h"
#include "wine/wine_run.h"

namespace {

TEST(RepeatersUnderWine, a_table_of_any_name_and_two_appends_at_once_keep_every_line) {
  ASSERT_TRUE(wine_ready()) << "WINEPREFIX must name a prefix; run make test-windows";
  setenv("LC_ALL", "C.UTF-8", 1);  // names reach Wine as UTF-8
  TempWorkdir dir;
  const std::string tables[] = {"\xE5\xB1\xB1\xE7\x94\xB0 J\xC3\xBCrgen.csv",
                                "b.csv"};  // 山田 Jürgen
  for (int t = 0; t < 2; ++t) {
    std::string csv =
        "Group No,Group Name,Name,Sub Name,Repeater Call Sign,Gateway Call Sign,"
        "Frequency,Dup,Offset,Mode\n";
    for (int i = 100; i < 120; ++i)
      csv += "1,Club,R,,QR" + std::to_string(t) + "AAA B,,430." + std::to_string(i) + ",OFF,0,DV\n";
    dir.write_file(tables[t], csv);
  }
  dir.write_file("mine.txt", "JP1,Hilltop430,439310,-5000,QR3KTA A,QR3KTG G\n");
  WineProgram first("kestrel8-repeaters.exe",
                    {"import", tables[0], "--out", "mine.txt", "--append"});
  WineProgram second("kestrel8-repeaters.exe",
                     {"import", tables[1], "--out", "mine.txt", "--append"});
  EXPECT_EQ(first.wait_for_exit(std::chrono::seconds(60)), 0);
  EXPECT_EQ(second.wait_for_exit(std::chrono::seconds(60)), 0);
  const std::string list = dir.read_file("mine.txt");
  EXPECT_EQ(std::count(list.begin(), list.end(), '\n'), 41) << list;
}

TEST(RepeatersUnderWine, group_and_near_choose_and_the_summary_reaches_a_pipe_as_utf8) {
  ASSERT_TRUE(wine_ready()) << "WINEPREFIX must name a prefix; run make test-windows";
  TempWorkdir dir;
  dir.write_file("t.csv",
                 "Group No;Group Name;Name;Sub Name;Repeater Call Sign;Gateway Call Sign;"
                 "Frequency;Dup;Offset;Mode;Latitude;Longitude\r\n"
                 "1;Nieder\xC3\xB6sterreich;Far;;QR1FAR B;;430,1;OFF;0;DV;48,6;16,9\r\n"
                 "1;Nieder\xC3\xB6sterreich;Near;;QR1NEA B;;430,2;OFF;0;DV;48,2;16,4\r\n"
                 "2;Other;Town;;QR2TWN B;;430,3;OFF;0;DV;48,2;16,4\r\n");
  WineProgram import("kestrel8-repeaters.exe",
                     {"import", "t.csv", "--group", "NIEDER\xC3\xB6STERREICH", "--near", "JN88ee"});
  EXPECT_EQ(import.wait_for_exit(std::chrono::seconds(60)), 0);
  EXPECT_THAT(
      import.lines(),
      ::testing::Contains(::testing::HasSubstr("area Nieder: group Nieder\xC3\xB6sterreich")));
  EXPECT_EQ(dir.read_file("D-STAR_repeaters.txt"),
            "// area,name,frequency kHz,shift kHz,repeater callsign,gateway callsign or None\n"
            "Nieder,Near,430200,0,QR1NEA B,None\nNieder,Far,430100,0,QR1FAR B,None\n");
  WineProgram refused("kestrel8-repeaters.exe", {"import", "t.csv", "--group", "Tirol"});
  EXPECT_EQ(refused.wait_for_exit(std::chrono::seconds(60)), 1);

  // A Czech spreadsheet's CSV in Windows-1250, through the Windows code page.
  dir.write_file("cz.csv",
                 "Group No,Group Name,Name,Sub Name,Repeater Call Sign,Gateway Call Sign,"
                 "Frequency,Dup,Offset,Mode\r\n1,\xC8\x65sko,Ostrava,,OK0BT B,,439.1,OFF,0,DV\r\n");
  WineProgram cz("kestrel8-repeaters.exe",
                 {"import", "cz.csv", "--encoding", "CP1250", "--out", "cz.txt", "--group",
                  "\xC4\x8C"
                  "ESKO"});
  EXPECT_EQ(cz.wait_for_exit(std::chrono::seconds(60)), 0);
  EXPECT_THAT(cz.lines(), ::testing::Contains(::testing::HasSubstr(
                              "area \xC4\x8C\x65sko: group \xC4\x8C\x65sko")));  // Česko
  EXPECT_THAT(dir.read_file("cz.txt"),
              ::testing::HasSubstr("\xC4\x8C\x65sko,Ostrava,439100,0,OK0BT  B,None"));
}

}  // namespace
