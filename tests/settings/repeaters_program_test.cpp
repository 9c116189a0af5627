// The importer as the operator runs it: a published table in, a repeater
// list out that the console's own list reading takes back line for line,
// and bad tables refused with a clear message and the list untouched.

#include "support/repeaters_program.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "settings/repeater_lists.h"
#include "settings/settings_files.h"
#include "support/station_fixture.h"

namespace {

const std::string kSjisKanto = "\x8A\xD6\x93\x8C\x92\x6E\x95\xFB";  // 関東地方
const std::string kSjisTokyo = "\x93\x8C\x8B\x9E";                  // 東京

struct TableCase {
  const char* name;
  std::string csv;  // empty: the fictional stations' table
  std::vector<std::string> lines;
  std::string summary;
};

void PrintTo(const TableCase& c, std::ostream* os) { *os << c.name; }

class RepeatersProgram : public StationTest, public ::testing::WithParamInterface<TableCase> {};

TEST_P(RepeatersProgram, tables_become_lines_the_console_lists_back_unchanged) {
  const TableCase& c = GetParam();
  if (c.csv.empty()) {
    std::ifstream in(KESTREL8_FICTIONAL_CSV, std::ios::binary);
    dir.write_file("table.csv", {std::istreambuf_iterator<char>(in), {}});
  } else {
    dir.write_file("table.csv", c.csv);
  }
  const ProgramRun run = run_repeaters_program("import table.csv");
  EXPECT_EQ(run.exit_status, 0) << run.output;
  EXPECT_NE(run.output.find(c.summary), std::string::npos) << run.output;

  fill_his_repeater_list(view);
  EXPECT_EQ(view.list(ctl::his_repeater), c.lines);
  for (const std::string& line : c.lines) {
    EXPECT_EQ(split_fields(line).size(), 6u) << line;
    view.list_append(ctl::my_repeater, "stored line");
    fill_my_repeater_list(view, kRepeaterListFile, split_fields(line)[0]);
    const std::vector<std::string> mine = view.list(ctl::my_repeater);
    EXPECT_NE(std::find(mine.begin(), mine.end(), line), mine.end()) << line;
  }
  EXPECT_TRUE(view.boxes().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Tables, RepeatersProgram,
    ::testing::Values(TableCase{"utf8_with_bom_quotes_crlf_other_modes_and_a_placeholder",
                                "",
                                {"Lazio,Hill Top,430437.5,-5000,QR0HTP B,QR0HTP G",
                                 "Lazio,Harbour  West Pier,1297450,-20000,QR0HBR A,QR0HBR G",
                                 "Lazio,Old Town,145290,-600,QR0OTN C,None",
                                 "New Bru,Saint Quay,145290,-600,QR9SQY C,QR9SQY G",
                                 "JP1,Hilltop430,439310,-5000,JQ1ZZZ A,JQ1ZZZ G",
                                 "QR5,Plain,439100,0,QR5PLN A,None"},
                                "6 repeater lines written from table.csv\n  1 row skipped, not DV "
                                "(FM 1)\n  1 row rejected:\n"
                                "    row 8: repeater callsign \"xxxxxxxB\""},
                      TableCase{
                          "shift_jis_japanese_header_and_group_names_stay_shift_jis",
                          "No,\x96\xBC\x91\x4F,a,b,c,d,\x8E\xFC\x94\x67\x90\x94,e,f,g\r\n"
                          "1," +
                              kSjisKanto + "," + kSjisTokyo +
                              ",,JQ1ZZZ A,JQ1ZZZ G,439.31,DUP-,5,DV\r\n"
                              "2," +
                              kSjisKanto + "," + kSjisTokyo + ",,QR0ZZZ B,,430.1,OFF,0,DV\r\n",
                          {"JP1," + kSjisTokyo + ",439310,-5000,JQ1ZZZ A,JQ1ZZZ G",
                           kSjisKanto.substr(0, 6) + "," + kSjisTokyo + ",430100,0,QR0ZZZ B,None"},
                          "2 repeater lines written"}),
    [](const ::testing::TestParamInfo<TableCase>& info) { return std::string(info.param.name); });

TEST_F(StationTest, bad_tables_are_refused_with_a_clear_message_and_the_list_kept) {
  const std::string header =
      "Group No,Group Name,Name,Sub Name,Repeater Call Sign,Gateway Call Sign,"
      "Frequency,Dup,Offset,Mode\n";
  const std::string fm_row = "1,Lazio,Hill,,QR0HTP B,,145.5,OFF,0,FM\n";
  std::string fifty_mb = header;
  while (fifty_mb.size() < 50u * 1024 * 1024)
    fifty_mb += "1,Lazio,Hill,,QR0HTP B,,430.1,OFF,0,DV\n";
  struct Case {
    std::string csv, message;
  };
  for (const Case& c :
       std::vector<Case>{{"\x7F"
                          "ELF\x02\x01\x01\x00\x00\x00",
                          "binary bytes"},
                         {"", "is empty"},
                         {"\r\n\r\n", "is empty"},
                         {"Name,Frequency,Dup,Offset,Mode\nHill,430.1,OFF,0,DV\n", "has 5 columns"},
                         {fifty_mb, "larger than 8 MB"},
                         {header + fm_row + "1,\"Lazio,Hill,,QR0HTP B,,430.1,OFF,0,DV\n",
                          "row 3: a quoted field is never closed"},
                         {header + fm_row, "no DV repeater"}}) {
    dir.write_file("table.csv", c.csv);
    dir.write_file("D-STAR_repeaters.txt", "JP1,Hilltop430(NI43),439310,-5000,QR3KTA A,QR3KTG G\n");
    const ProgramRun run = run_repeaters_program("import table.csv");
    EXPECT_EQ(run.exit_status, 1) << c.message;
    EXPECT_NE(run.output.find(c.message), std::string::npos) << run.output;
    EXPECT_EQ(dir.read_file("D-STAR_repeaters.txt"),
              "JP1,Hilltop430(NI43),439310,-5000,QR3KTA A,QR3KTG G\n");
  }
}

TEST_F(StationTest, append_keeps_the_list_skips_known_repeaters_and_stops_at_256_lines) {
  const std::string kept =
      "// my own\nJP1,Hilltop430(NI43),439310,-5000,QR3KTA A,QR3KTG G\n"
      "JP1,Hilltop1200,1291570,-20000,QR3KTA B,QR3KTG G";
  std::string csv =
      "Group No,Group Name,Name,Sub Name,Repeater Call Sign,Gateway Call "
      "Sign,Frequency,Dup,Offset,Mode\n"
      "1,Club,Same,,QR3KTA A,,439.310,DUP-,5,DV\n";
  for (int i = 0; i < 300; ++i)
    csv += "1,Club,R" + std::to_string(i) + ",,QR7AAA B,,430." + std::to_string(i + 100) +
           ",OFF,0,DV\n";
  dir.write_file("table.csv", csv);
  dir.write_file("mine.txt", kept);

  const ProgramRun run = run_repeaters_program("import table.csv --out mine.txt --append");
  EXPECT_EQ(run.exit_status, 0) << run.output;
  EXPECT_NE(run.output.find("254 repeater lines written"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("1 repeater already in the list skipped"), std::string::npos)
      << run.output;
  EXPECT_NE(run.output.find("46 repeaters left out"), std::string::npos) << run.output;
  const std::string list = dir.read_file("mine.txt");
  EXPECT_EQ(list.substr(0, kept.size() + 1), kept + "\n");
  EXPECT_NE(list.find("\nClub,R253,430353,0,QR7AAA B,None\n"), std::string::npos);
  EXPECT_EQ(list.find("R254"), std::string::npos);

  EXPECT_EQ(run_repeaters_program("--help").exit_status, 0);
  EXPECT_EQ(run_repeaters_program("import").exit_status, 2);
}

}  // namespace
