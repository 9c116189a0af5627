// The importer as the operator runs it: tables in, lines the console lists back, bad tables
// refused.

#include "support/repeaters_program.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "settings/repeater_lists.h"
#include "settings/settings_files.h"
#include "support/station_fixture.h"

namespace {

using ::testing::HasSubstr;

const std::string kHeader =
    "Group No,Group Name,Name,Sub Name,Repeater Call Sign,Gateway Call Sign,"
    "Frequency,Dup,Offset,Mode\n";
const std::string kKeptLine = "JP1,Hilltop430(NI43),439310,-5000,QR3KTA A,QR3KTG G";
const std::string kSjisKanto = "\x8A\xD6\x93\x8C\x92\x6E\x95\xFB";  // 関東地方
const std::string kSjisTokyo = "\x93\x8C\x8B\x9E";                  // 東京

std::string fictional_table() {
  std::ifstream in(KESTREL8_FICTIONAL_CSV, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

TEST_F(StationTest, tables_become_lines_the_console_lists_back_unchanged) {
  struct Case {
    const char* name;
    std::string csv;
    std::vector<std::string> lines;
    std::string summary;
    std::string options = "", also = "";
  };
  const Case cases[] = {
      {"utf8 with BOM, quotes, CRLF, other modes and a placeholder",
       fictional_table(),
       {"Lazio,Hill Top,430437.5,-5000,QR0HTP B,QR0HTP G",
        "Lazio,Harbour West Pier,1297450,-20000,QR0HBR A,QR0HBR G",
        "Lazio,Old Town,145290,-600,QR0OTN C,None",
        "New Bru,Saint Quay,145290,-600,QR9SQY C,QR9SQY G",
        "JP1,Hilltop430,439310,-5000,JQ1ZZZ A,JQ1ZZZ G", "QR5,Plain,439100,0,QR5PLN A,None",
        "Simplex,Calling,433300,0,DIRECT  ,None", "Campani,Vesuvio,145625,-600,QR8VSV B,None"},
       "8 repeater lines written from table.csv\n"
       "  1 row merged into an earlier row of the same callsign and frequency\n"
       "  1 row skipped, not DV (FM 1)\n  area Lazio: group Lazio\n"
       "  area New Bru: group New Brunswick\n  area Campani: group Campania\n"
       "  simplex channel Calling (433300 kHz, group Simplex) under area Simplex\n"
       "  1 row rejected:\n    row 8: repeater callsign \"xxxxxxxB\""},
      {"Shift-JIS header and group names stay Shift-JIS",
       "No,\x96\xBC\x91\x4F,a,b,c,d,\x8E\xFC\x94\x67\x90\x94,e,f,g\r\n1," + kSjisKanto + "," +
           kSjisTokyo + ",,JQ1ZZZ A,JQ1ZZZ G,439.31,DUP-,5,DV\r\n2," + kSjisKanto + "," +
           kSjisTokyo + ",,QR0ZZZ B,,430.1,OFF,0,DV\r\n",
       {"JP1," + kSjisTokyo + ",439310,-5000,JQ1ZZZ A,JQ1ZZZ G",
        kSjisKanto.substr(0, 6) + "," + kSjisTokyo + ",430100,0,QR0ZZZ B,None"},
       "2 repeater lines written from table.csv\n  table read as Shift-JIS",
       "",
       "  area \xE9\x96\xA2\xE6\x9D\xB1\xE5\x9C\xB0: group "
       "\xE9\x96\xA2\xE6\x9D\xB1\xE5\x9C\xB0\xE6\x96\xB9\n"},
      {"a gateway column by another name, and gateways that are not the repeater's own",
       "No,GROUP NAME,Name,Sub Name,Repeater Callsign,Gateway,Frequency,Dup,Offset,Mode\n"
       "1,France,Lille,,F2ZCD B,F1ZCD G,430.2375,DUP-,9.4,DV\n"
       "1,Italia,Napoli,,IK8JHL B,IK8JKL G,430.125,DUP-,1.6,DV\n",
       {"France,Lille,430237.5,-9400,F2ZCD  B,F1ZCD  G",
        "Italia,Napoli,430125,-1600,IK8JHL B,IK8JKL G"},
       "2 gateways worth checking",
       "",
       "row 3 (IK8JHL B): gateway IK8JKL G"},
      {"a Polish spreadsheet's CSV in Windows-1250, named with --encoding",
       kHeader + "1,Polska,\x8Cwinouj\x9C\x63ie,,SR1WS B,,439.0875,DUP-,7.6,DV\n",
       {"Polska,\xC5\x9Awinouj\xC5\x9B\x63ie,439087.5,-7600,SR1WS  B,None"},
       "table read as CP1250 (--encoding)",
       "--encoding CP1250"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dir.write_file("table.csv", c.csv);
    const ProgramRun run = run_repeaters_program("import table.csv " + c.options);
    EXPECT_EQ(run.exit_status, 0) << run.output;
    EXPECT_THAT(run.output, ::testing::AllOf(HasSubstr(c.summary), HasSubstr(c.also)));

    RecordingView fresh;  // each table fills empty lists
    fill_his_repeater_list(fresh);
    EXPECT_EQ(fresh.list(ctl::his_repeater), c.lines);
    for (const std::string& line : c.lines) {
      ASSERT_EQ(split_fields(line).size(), 6u) << line;
      fresh.list_append(ctl::my_repeater, "stored line");
      fill_my_repeater_list(fresh, kRepeaterListFile, split_fields(line)[0]);
      EXPECT_THAT(fresh.list(ctl::my_repeater), ::testing::Contains(line));
    }
    EXPECT_TRUE(fresh.boxes().empty());
  }
}

TEST_F(StationTest, bad_tables_are_refused_with_a_clear_message_and_the_list_kept) {
  const std::string fm_row = "1,Lazio,Hill,,QR0HTP B,,145.5,OFF,0,FM\n";
  std::string fifty_mb = kHeader;
  while (fifty_mb.size() < 50u * 1024 * 1024)
    fifty_mb += "1,Lazio,Hill,,QR0HTP B,,430.1,OFF,0,DV\n";
  const struct {
    std::string csv, message;
  } cases[] = {{"\x7F\x45LF\x02\x01\x01", "binary bytes"},
               {"", "is empty"},
               {"\r\n\r\n", "is empty"},
               {"Name,Frequency,Dup,Offset,Mode\nHill,430.1,OFF,0,DV\n", "has 5 columns"},
               {fifty_mb, "larger than 8 MB"},
               {kHeader + fm_row + "1,\"Lazio,Hill,,QR0HTP B,,430.1,OFF,0,DV\n",
                "row 3: a quoted field is never closed"},
               {kHeader + fm_row, "no DV repeater"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    dir.write_file("table.csv", c.csv);
    dir.write_file("D-STAR_repeaters.txt", kKeptLine + "\n");
    const ProgramRun run = run_repeaters_program("import table.csv");
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_THAT(run.output, HasSubstr(c.message));
    EXPECT_EQ(dir.read_file("D-STAR_repeaters.txt"), kKeptLine + "\n");
  }
}

TEST_F(StationTest, a_table_larger_than_the_list_is_refused_and_near_keeps_the_nearest) {
  const std::string kept =
      "// my own\r\n" + kKeptLine + "\r\nJP1,Hilltop1200,1291570,-20000,QR3KTA B,QR3KTG G";
  std::string csv = kHeader.substr(0, kHeader.size() - 1) + ",Latitude,Longitude\n" +
                    "1,Club,Same,,QR3KTA A,,439.310,DUP-,5,DV,,\n";
  for (int i = 0; i < 300; ++i)
    csv += std::string(i < 100 ? "1,Club" : "2,Far Away") + ",R" + std::to_string(i) +
           ",,QR7AAA B,,430." + std::to_string(i + 100) + ",OFF,0,DV,51." +
           std::to_string(100 + i) + ",-1.0\n";
  dir.write_file("table.csv", csv);
  dir.write_file("mine.txt", kept);

  const char* const too_many =
      "301 DV rows do not fit the 256 lines the console reads. Choose groups with --group "
      "(Club 101, Far Away 200) or the nearest repeaters with --near YOUR-LOCATOR.";
  for (const char* args : {"import table.csv", "import table.csv --out mine.txt --append"}) {
    SCOPED_TRACE(args);
    const ProgramRun run = run_repeaters_program(args);
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_THAT(run.output, HasSubstr(std::string(args).ends_with("append")
                                          ? "300 DV rows and the 2 lines already in mine.txt do "
                                            "not fit the 256 lines the console reads."
                                          : too_many));
  }
  EXPECT_FALSE(dir.exists(kRepeaterListFile));
  EXPECT_EQ(dir.read_file("mine.txt"), kept);

  // Rows at 51.100 to 51.399 N, 1 W: the nearest to 51.1 N are the first ones.
  const ProgramRun run =
      run_repeaters_program("import table.csv --out mine.txt --append --near 51.1,-1.0");
  EXPECT_EQ(run.exit_status, 0) << run.output;
  EXPECT_THAT(run.output, ::testing::AllOf(HasSubstr("254 repeater lines written"),
                                           HasSubstr("1 repeater already in the list skipped"),
                                           HasSubstr("46 farther repeaters left out"),
                                           HasSubstr("the farthest kept is 28 km away")));
  const std::string list = dir.read_file("mine.txt");
  EXPECT_EQ(list.substr(0, kept.size() + 2), kept + "\r\n");
  EXPECT_THAT(list, HasSubstr("\r\nFar Awa,R253,430353,0,QR7AAA B,None\r\n"));
  EXPECT_THAT(list, ::testing::Not(HasSubstr("R254")));

  const ProgramRun full =
      run_repeaters_program("import table.csv --out mine.txt --append --near IO91");
  EXPECT_EQ(full.exit_status, 1);
  EXPECT_THAT(full.output, HasSubstr("mine.txt is full: it holds 256 lines"));
  EXPECT_EQ(dir.read_file("mine.txt"), list);

  EXPECT_EQ(run_repeaters_program("--help").exit_status, 0);
  const ProgramRun no_table = run_repeaters_program("import");
  EXPECT_EQ(no_table.exit_status, 2);
  EXPECT_THAT(no_table.output, HasSubstr("Drop the table on \"Import a repeater list\""));
  EXPECT_EQ(run_repeaters_program("import table.csv --out summary.txt >/dev/full").exit_status, 1);
}

TEST_F(StationTest, group_keeps_the_groups_named_in_any_case) {
  dir.write_file("table.csv", fictional_table());
  const ProgramRun run = run_repeaters_program("import table.csv --group LAZIO --group campania");
  EXPECT_EQ(run.exit_status, 0) << run.output;
  EXPECT_THAT(run.output, HasSubstr("  area Lazio: group Lazio\n  area Campani: group Campania\n"));
  RecordingView view;
  fill_his_repeater_list(view);
  EXPECT_EQ(view.list(ctl::his_repeater),
            (std::vector<std::string>{"Lazio,Hill Top,430437.5,-5000,QR0HTP B,QR0HTP G",
                                      "Lazio,Harbour West Pier,1297450,-20000,QR0HBR A,QR0HBR G",
                                      "Lazio,Old Town,145290,-600,QR0OTN C,None",
                                      "Campani,Vesuvio,145625,-600,QR8VSV B,None"}));

  const ProgramRun unknown = run_repeaters_program("import table.csv --group Lazio --group Umbria");
  EXPECT_EQ(unknown.exit_status, 1);
  EXPECT_THAT(unknown.output, HasSubstr("no group \"Umbria\" in table.csv; its groups are Lazio, "
                                        "New Brunswick, Kanto, Simplex, Campania"));
}

TEST_F(StationTest, near_writes_the_repeaters_around_you_nearest_first) {
  dir.write_file("table.csv", fictional_table());
  // Old Town is nearer the middle of JN61fv than Hill Top; Vesuvio is 190 km away. The simplex
  // channel, usable anywhere, follows the repeaters.
  const ProgramRun run = run_repeaters_program("import table.csv --near jn61fv --within 150");
  EXPECT_EQ(run.exit_status, 0) << run.output;
  EXPECT_THAT(run.output, ::testing::AllOf(HasSubstr("4 rows without coordinates left out"),
                                           HasSubstr("1 repeater farther than 150 km left out"),
                                           HasSubstr("simplex channel Calling (433300 kHz")));
  RecordingView view;
  fill_his_repeater_list(view);
  EXPECT_EQ(view.list(ctl::his_repeater),
            (std::vector<std::string>{"Lazio,Old Town,145290,-600,QR0OTN C,None",
                                      "Lazio,Hill Top,430437.5,-5000,QR0HTP B,QR0HTP G",
                                      "Simplex,Calling,433300,0,DIRECT  ,None"}));

  // przemienniki.net lists SR9UVJ B twice at 0,0 before its place near Kraków.
  const std::string real = "1,Polska,Skrzyczne,,SR9UVJ B,SR9UVJ G,439.1,DUP-,7.6,DV,";
  dir.write_file("pl.csv", kHeader.substr(0, kHeader.size() - 1) + ",Latitude,Longitude\n" + real +
                               "0,0\n" + real + "0.0,0.0\n" + real + "49.68,19.03\n" +
                               "1,Polska,Zly,,SR9ZLY B,,439.2,DUP-,7.6,DV,123.4,19.9\n");
  const ProgramRun pl = run_repeaters_program("import pl.csv --near 50.06,19.94 --within 150");
  EXPECT_THAT(pl.output, ::testing::AllOf(HasSubstr("2 rows merged"),
                                          HasSubstr("row 5 (SR9ZLY B): latitude \"123.4\"")));
  EXPECT_THAT(dir.read_file(kRepeaterListFile), HasSubstr("SR9UVJ B"));
  EXPECT_THAT(run_repeaters_program("import pl.csv --near JO62 --within 0.5").output,
              HasSubstr("farther than 0.5 km"));
  EXPECT_EQ(run_repeaters_program("import pl.csv --near JO62 --near KO02").exit_status, 2);
}

TEST_F(StationTest, bad_paths_give_the_reason_and_write_nothing) {
  dir.write_file("table.csv", fictional_table());
  std::filesystem::create_symlink("loop.txt", "loop.txt");
  std::filesystem::create_directory("folder");
  std::filesystem::create_symlink("table.csv", "link.csv");
  std::filesystem::create_hard_link("table.csv", "other.csv");
  std::filesystem::create_symlink("gone.txt", "dangling.txt");
  const std::string settings = "QR9ZZZ A,    ,JP1,QR3KTA A,QR3KTA A,7";
  for (const char* own : {"D-STAR_DV_config.txt", "D-STAR_tranceiver_config.txt",
                          "D-STAR_his_rpt.txt", "D-STAR_heard_2026-12.csv"})
    dir.write_file(own, settings);
  std::filesystem::create_symlink("D-STAR_DV_config.txt", "list.txt");
  std::filesystem::create_symlink("D-STAR_heard_2027-01.csv", "log.txt");
  std::filesystem::create_hard_link("D-STAR_his_rpt.txt", "his.txt");
  const struct {
    std::string args, message;
  } cases[] = {{"import table.csv --out loop.txt --append", std::strerror(ELOOP)},
               {"import table.csv --out folder --append", std::strerror(EISDIR)},
               {"import folder", "folder could not be opened: is a folder"},
               {"import table.csv --out table.csv", "is the table itself"},
               {"import table.csv --out link.csv --append", "is the table itself"},
               {"import table.csv --out other.csv", "is the table itself"},
               {"import table.csv --out " + std::string(300, 'x'), std::strerror(ENAMETOOLONG)},
               {"import table.csv --out dangling.txt --group Umbria", "no group \"Umbria\""},
               {"import table.csv --out D-STAR_DV_config.txt", "is the console's own"},
               {"import table.csv --out list.txt", "own D-STAR_DV_config.txt"},
               {"import table.csv --out D-STAR_tranceiver_config.txt --append", "console's own"},
               {"import table.csv --out D-STAR_heard_2026-12.csv --append", "console's own"},
               {"import table.csv --out log.txt --append", "own D-STAR_heard_2027-01.csv"},
               {"import table.csv --out his.txt", "own D-STAR_his_rpt.txt"},
               {"import table.csv --out d-star_my_rpt.txt", "own D-STAR_my_rpt.txt"},
               // No new file can be made beside it.
               {"import table.csv --out /proc/version", "/proc/version was not written: "}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    const ProgramRun run = run_repeaters_program(c.args);
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_THAT(run.output, HasSubstr(c.message));
    EXPECT_THAT(run.output, ::testing::Not(HasSubstr("written from")));
  }
  EXPECT_EQ(dir.read_file("table.csv"), fictional_table());
  EXPECT_FALSE(dir.exists(kRepeaterListFile));
  EXPECT_FALSE(dir.exists("gone.txt"));
  EXPECT_FALSE(dir.exists("D-STAR_heard_2027-01.csv"));
  EXPECT_EQ(dir.read_file("list.txt") + dir.read_file("D-STAR_tranceiver_config.txt") +
                dir.read_file("his.txt") + dir.read_file("D-STAR_heard_2026-12.csv"),
            settings + settings + settings + settings);
}

TEST_F(StationTest, two_appends_at_once_keep_both_tables_lines) {
  for (const char* call : {"QR1AAA B", "QR2AAA B"}) {
    std::string csv = kHeader;
    for (int i = 100; i < 120; ++i)
      csv += "1,Club,R,," + std::string(call) + ",,430." + std::to_string(i) + ",OFF,0,DV\n";
    dir.write_file(call + std::string(".csv"), csv);
  }
  const std::string program = KESTREL8_REPEATERS_PROGRAM;
  for (int run = 0; run < 5; ++run) {
    SCOPED_TRACE(run);
    dir.write_file("mine.txt", kKeptLine + "\n");
    const ProgramRun both =
        run_repeaters_program("import 'QR1AAA B.csv' --out mine.txt --append & " + program +
                              " import 'QR2AAA B.csv' --out mine.txt --append; wait");
    const std::string list = dir.read_file("mine.txt");
    EXPECT_EQ(std::count(list.begin(), list.end(), '\n'), 41) << both.output;
    EXPECT_THAT(list, ::testing::AllOf(HasSubstr("QR1AAA B"), HasSubstr("QR2AAA B")));
  }
}

}  // namespace
