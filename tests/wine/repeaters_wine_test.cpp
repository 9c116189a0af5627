// The importer under Wine: a table named outside the ANSI code page, two
// appends into one list at once, the choice of groups and place, and the
// window that chooses them without a Command Prompt.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
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
  // The station's settings are never a list's target, in any case of letters.
  dir.write_file("D-STAR_DV_config.txt", "QR3WMN D,F817\n");
  WineProgram own("kestrel8-repeaters.exe",
                  {"import", "t.csv", "--append", "--out", "d-star_dv_CONFIG.txt"});
  EXPECT_EQ(own.wait_for_exit(std::chrono::seconds(60)), 1);
  EXPECT_EQ(dir.read_file("D-STAR_DV_config.txt"), "QR3WMN D,F817\n");

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

TEST(RepeatersUnderWine, a_table_too_big_is_chosen_from_in_a_window_as_the_options_choose) {
  ASSERT_TRUE(wine_ready()) << "WINEPREFIX must name a prefix; run make test-windows";
  TempWorkdir dir;
  std::string csv =
      "Group No,Group Name,Name,Sub Name,Repeater Call Sign,Gateway Call Sign,"
      "Frequency,Dup,Offset,Mode,Tone,Repeater Tone,RPT1USE,Position,Latitude,Longitude\n";
  const struct {
    const char* name;
    double latitude;
    int rows;
  } groups[] = {{"Alpha", 51.0, 150}, {"Beta", 48.0, 120}, {"Gamma", 45.0, 40}};
  for (int g = 0; g < 3; ++g)
    for (int i = 0; i < groups[g].rows; ++i)
      csv += std::to_string(g) + "," + groups[g].name + ",R,,QR" + std::to_string(g * 1000 + i) +
             " B,,430." + std::to_string(100 + i) + ",DUP-,7.6,DV,OFF,88.5Hz,Yes,Exact," +
             std::to_string(groups[g].latitude + i * 0.01) + "," + std::to_string(i * 0.01) + "\n";
  dir.write_file("t.csv", csv);
  auto by_options = [&](std::vector<std::string> options) {
    options.insert(options.begin(), {"import", "t.csv", "--out", "options.txt"});
    run_under_wine("kestrel8-repeaters.exe", options);
    return dir.read_file("options.txt");
  };
  // "Import a repeater list" as the Start menu starts it, in a console
  // window of its own (which Wine puts in front of the chooser, so the keys
  // are posted); after the summary a key closes that window, named for the
  // program.
  // Keys for the groups, the texts typed into Near and Within, the count
  // line to wait for (the choice is counted anew after each key), then the
  // keys that end the choice.
  auto by_window = [&](const std::array<std::string, 5>& keys) {
    std::remove("D-STAR_repeaters.txt");
    // By its Windows name, so that it starts in this folder.
    std::string exe = "Z:" KESTREL8_WIN_BUILD "/kestrel8-repeaters.exe";
    std::replace(exe.begin(), exe.end(), '/', '\\');
    DevicesProcess import("/usr/lib/wine/wine64", {"start", "/wait", exe, "import", "t.csv"});
    run_under_wine("tests/win32/window_probe.exe", {"window",      "Import a repeater list",
                                                    "wait-window", "30000",
                                                    "wait-text",   "107",
                                                    "chosen",      "30000",
                                                    "post-keys",   keys[0],
                                                    "post-text",   "104",
                                                    keys[1],       "post-text",
                                                    "106",         keys[2],
                                                    "wait-text",   "107",
                                                    keys[3],       "30000",
                                                    "post-keys",   keys[4]});
    int status = -1;
    for (int i = 0; i < 30 && status < 0; ++i) {
      if (dir.exists("D-STAR_repeaters.txt"))
        run_under_wine("tests/win32/window_probe.exe", {"window", exe, "post-keys", "{return}"});
      status = import.wait_for_exit(std::chrono::seconds(1));
    }
    EXPECT_GE(status, 0) << keys[0] << keys[1] << keys[2] << keys[4];
    return dir.read_file("D-STAR_repeaters.txt");
  };
  // The first group has the focus: Space ticks it, Return is Import.
  EXPECT_EQ(by_window({"{space}", "", "", "of 256", "{return}"}), by_options({"--group", "Alpha"}));
  EXPECT_EQ(by_window({"", "JO01", "60", "of 256", "{return}"}),
            by_options({"--near", "JO01", "--within", "60"}));
  // Return is no Import while the choice is 310 lines; Escape is Cancel.
  EXPECT_EQ(by_window({"{return}", "", "", "more than", "{space}{escape}"}), "");
  EXPECT_FALSE(dir.exists("D-STAR_repeaters.txt"));
}

}  // namespace
