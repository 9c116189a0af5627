#include "settings/repeater_lists.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "settings/settings_files.h"
#include "settings/station_settings.h"
#include "support/station_fixture.h"

namespace {

using namespace std::string_literals;
using Entries = std::vector<std::string>;

using RepeaterListsTest = StationTest;

const std::string kHilltop = "JP1,Hilltop430(NI43),439310,-5000,QR3KTA A,QR3KTG G";

TEST_F(RepeaterListsTest, CommentStartsAtTheFirstDoubleSlash) {
  struct Case {
    std::string line;
    std::string kept;
  } cases[] = {
      {kHilltop + " // club", kHilltop + " "},
      {"// header", ""},
      {"a/b/c", "a/b/c"},
      {"a///b//c", "a"},
      {"no comment", "no comment"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(strip_comment(c.line), c.kept) << c.line;
}

TEST_F(RepeaterListsTest, HisListTakesEveryRepeaterLineInFileOrder) {
  dir.write_file("D-STAR_repeaters.txt", "// header\r\n" + kHilltop +
                                             " // club\r\n\r\n"
                                             "JP2,Lake(NI20),438500,-5000,QR2LKE A,None\n"
                                             "Simplex,Calling,433300,0,DIRECT  ,None");
  view.list_append(ctl::his_repeater, "kept from before");
  fill_his_repeater_list(view);
  EXPECT_EQ(view.list(ctl::his_repeater), (Entries{"kept from before", kHilltop + " ",
                                                   "JP2,Lake(NI20),438500,-5000,QR2LKE A,None",
                                                   "Simplex,Calling,433300,0,DIRECT  ,None"}));
  EXPECT_TRUE(view.boxes().empty());
}

TEST_F(RepeaterListsTest, MissingListFileIsReportedAndTheListLeftAlone) {
  view.list_append(ctl::my_repeater, "first");
  view.list_append(ctl::his_repeater, "other");
  fill_his_repeater_list(view);
  fill_my_repeater_list(view, "D-STAR_my_rpt.txt", "JP1");
  EXPECT_EQ(view.boxes(), (std::vector<RecordedBox>{
                              {"File could not open, ", "D-STAR_repeaters.txt", BoxOwner::none},
                              {"File could not open, ", "D-STAR_my_rpt.txt", BoxOwner::none}}));
  EXPECT_EQ(view.list(ctl::my_repeater), Entries{"first"});
  EXPECT_EQ(view.list(ctl::his_repeater), Entries{"other"});
}

TEST_F(RepeaterListsTest, LongLinesAreTakenInPiecesOfTheListsWidth) {
  // His list takes 256 characters a piece, my list 100. The dropped character
  // and the rest of a piece are told apart by letter; a next line follows.
  const std::string his(255, 'a');
  const std::string mine = "JP1," + std::string(95, 'n');  // 99 characters
  struct Case {
    int list;
    std::string file;
    Entries entries;
  } cases[] = {
      {ctl::his_repeater, his + "\nnext\n", {his, "next"}},
      // The line feed after a full piece is the character dropped.
      {ctl::his_repeater, his + "x\nnext\n", {his + "x", "next"}},
      // The 257th character is dropped and the empty rest is skipped.
      {ctl::his_repeater, his + "xy\nnext\n", {his + "x", "next"}},
      {ctl::his_repeater, his + "xyrest\nnext\n", {his + "x", "rest", "next"}},
      {ctl::my_repeater, mine + "\r\nJP1,next", {mine, "JP1,next"}},
      {ctl::my_repeater, mine + "x\r\nJP1,next", {mine + "x", "JP1,next"}},
      {ctl::my_repeater, mine + "xy\r\nJP1,next", {mine + "x", "JP1,next"}},
      {ctl::my_repeater, mine + "xyJP1,rest\r\nJP1,next", {mine + "x", "JP1,rest", "JP1,next"}},
      {ctl::my_repeater, mine + "xyJP2,rest\r\nJP1,next", {mine + "x", "JP1,next"}},
  };
  for (const auto& c : cases) {
    TempWorkdir here;
    RecordingView fresh;
    here.write_file("D-STAR_repeaters.txt", c.file);
    if (c.list == ctl::my_repeater)
      fill_my_repeater_list(fresh, "D-STAR_repeaters.txt", "JP1");
    else
      fill_his_repeater_list(fresh);
    EXPECT_EQ(fresh.list(c.list), c.entries) << c.file.size();
  }
}

TEST_F(RepeaterListsTest, MyListMatchesTheAreaOnAtMostSevenCharacters) {
  dir.write_file("D-STAR_repeaters.txt",
                 "JP1,a\nJP10,b\nJP,c\nSimplex,d\nSimplex2,e\nSimplex9,f\n"
                 "Simple,g\n,,JP1,h\n\tJP1,i\n,,,\n jp1,j\n");
  struct Case {
    std::string area;
    Entries entries;
  } cases[] = {
      {"JP1", {"JP1,a", ",,JP1,h", "\tJP1,i"}},
      {"JP", {"JP,c"}},
      {"Simplex", {"Simplex,d", "Simplex2,e", "Simplex9,f"}},
      {"Simplex2", {"Simplex,d", "Simplex2,e", "Simplex9,f"}},
      {"Simple", {"Simple,g"}},
      {"", {}},
      {"jp1", {}},
  };
  for (const auto& c : cases) {
    RecordingView fresh;
    fill_my_repeater_list(fresh, "D-STAR_repeaters.txt", c.area);
    EXPECT_EQ(fresh.list(ctl::my_repeater), c.entries) << c.area;
  }
}

TEST_F(RepeaterListsTest, SecondAreaRemovesOnlyTheFirstEntryOfTheFirstAreasList) {
  dir.write_file("D-STAR_repeaters.txt",
                 "JP1,One,439310,-5000,QR3AAA A,None\n"
                 "JP1,Two,439320,-5000,QR3BBB A,None\n"
                 "JP1,Three,439330,-5000,QR3CCC A,None\n"
                 "JP2,Four,438500,-5000,QR2DDD A,None\n");
  fill_my_repeater_list(view, "D-STAR_repeaters.txt", "JP1");
  fill_my_repeater_list(view, "D-STAR_repeaters.txt", "JP2");
  EXPECT_EQ(view.list(ctl::my_repeater),
            (Entries{"JP1,Two,439320,-5000,QR3BBB A,None", "JP1,Three,439330,-5000,QR3CCC A,None",
                     "JP2,Four,438500,-5000,QR2DDD A,None"}));
}

TEST_F(RepeaterListsTest, NoListTakesMoreThan256Repeaters) {
  std::string file;
  for (int n = 0; n < 10; ++n) file += "JP2,other\n";
  for (int n = 0; n < 300; ++n) file += "JP1,r" + std::to_string(n) + "\n";
  dir.write_file("D-STAR_repeaters.txt", file);
  fill_my_repeater_list(view, "D-STAR_repeaters.txt", "JP1");
  fill_his_repeater_list(view);
  auto mine = view.list(ctl::my_repeater);
  auto his = view.list(ctl::his_repeater);
  ASSERT_EQ(mine.size(), 256u);
  EXPECT_EQ(mine.back(), "JP1,r255");
  ASSERT_EQ(his.size(), 256u);
  EXPECT_EQ(his.back(), "JP1,r245");
}

TEST_F(RepeaterListsTest, NulByteEndsTheTextOfItsLine) {
  dir.write_file("D-STAR_repeaters.txt",
                 "JP1,Ab\0cd,439310\n"s
                 "\0JP1,hidden\n"s
                 "JP1,Next\0\n"s
                 "JP1,Last"s);
  fill_his_repeater_list(view);
  fill_my_repeater_list(view, "D-STAR_repeaters.txt", "JP1");
  EXPECT_EQ(view.list(ctl::his_repeater), (Entries{"JP1,Ab", "JP1,Next", "JP1,Last"}));
  EXPECT_EQ(view.list(ctl::my_repeater), (Entries{"JP1,Ab", "JP1,Next", "JP1,Last"}));
}

TEST_F(RepeaterListsTest, ChosenMyRepeaterLineSetsRouteAndTuning) {
  parse_settings_line(view, "JP1,Hilltop430(NI43),439310,-5000,QR3KTA A,None",
                      SettingsKind::my_repeater);
  EXPECT_EQ(station.gateway.view(), "None    ");
  EXPECT_EQ(station.my_repeater.view(), "QR3KTA A");
  EXPECT_EQ(station.frequency_khz.view(), "439310");
  EXPECT_EQ(station.shift_khz.view(), "-5000");
  EXPECT_EQ(view.text(ctl::frequency), "439310");
  EXPECT_EQ(view.text(ctl::shift), "-5000");

  parse_settings_line(view, "JP2,Lake,1291570,-20000,QR2LONGNAME,QR2GW", SettingsKind::my_repeater);
  EXPECT_EQ(station.frequency_khz.view(), "1291570");
  EXPECT_EQ(station.shift_khz.view(), "-20000");
  EXPECT_EQ(station.my_repeater.view(), "QR2LONGN");
  EXPECT_EQ(station.gateway.view(), "QR2GW   ");
  // The area and the name never reach the station's fields.
  EXPECT_EQ(station.call_area.view(), "JP1");
  EXPECT_TRUE(view.list(ctl::call_area).empty());
}

TEST_F(RepeaterListsTest, ChosenHisRepeaterLineSetsOnlyHisRepeater) {
  parse_settings_line(view, "JP2,Lake(NI20),438500,-5000,QR2LKE B,QR2LKG G",
                      SettingsKind::his_repeater);
  EXPECT_EQ(station.his_repeater.view(), "QR2LKE B");
  EXPECT_EQ(station.frequency_khz.view(), "439310");
  EXPECT_EQ(station.gateway.view(), "QR3KTG G");
  EXPECT_EQ(view.set_text_count(ctl::frequency), 0);
}

TEST_F(RepeaterListsTest, ShiftJisRepeaterNameSurvivesByteForByte) {
  // Second bytes 0x5C and 0x7C look like ASCII but belong to the characters.
  const std::string line = "JP1,\x95\x5c\x83\x5c\x8e\x52(\x83\x7c),439310,-5000,QR3KTA A,QR3KTG G";
  dir.write_file("D-STAR_repeaters.txt", line + "\r\n");
  fill_my_repeater_list(view, "D-STAR_repeaters.txt", "JP1");
  fill_his_repeater_list(view);
  ASSERT_EQ(view.list(ctl::my_repeater), Entries{line});
  ASSERT_EQ(view.list(ctl::his_repeater), Entries{line});

  // What choosing the entry keeps, then STOP writes and the next start lists.
  set_text(station.my_repeater_line, view.list(ctl::my_repeater)[0]);
  set_text(station.his_repeater_line, view.list(ctl::his_repeater)[0]);
  save_adapter_settings(view);
  EXPECT_EQ(dir.read_file("D-STAR_my_rpt.txt"), line);
  EXPECT_EQ(dir.read_file("D-STAR_his_rpt.txt"), line);

  RecordingView next_start;
  fill_my_repeater_list(next_start, "D-STAR_my_rpt.txt", "JP1");
  EXPECT_EQ(next_start.list(ctl::my_repeater), Entries{line});
  EXPECT_TRUE(view.boxes().empty());
}

}  // namespace
