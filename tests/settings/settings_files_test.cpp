#include "settings/settings_files.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "settings/station_settings.h"
#include "support/station_fixture.h"

namespace {

using namespace std::string_literals;

using SettingsFilesTest = StationTest;

const std::string kDefaultAdapterLine = "QR3WMN D,F817,JP1,QR3KTA A,QR3KTA B,7";

std::vector<std::string> folder_entries(const std::string& path) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(path)) {
    names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(SettingsFilesTest, FirstLineIsReadAsBytesUpToItsLineFeed) {
  struct Case {
    const char* situation;
    std::string file;
    std::string line;
  } cases[] = {
      {"line without line end", kDefaultAdapterLine, kDefaultAdapterLine},
      {"line feed stays for the tokenizer", "ab,cd\nsecond", "ab,cd\n"},
      {"CR before LF is not part of the line", "ab,cd\r\nsecond\r\n", "ab,cd\n"},
      {"lone CR is content", "a\rb\n", "a\rb\n"},
      {"empty file", "", ""},
      {"lone line end", "\n", "\n"},
      {"lone CRLF", "\r\n", "\n"},
      {"98 characters and LF", std::string(98, 'x') + "\n", std::string(98, 'x') + "\n"},
      {"99 characters: LF left unread", std::string(99, 'x') + "\n", std::string(99, 'x')},
      {"100 characters cut to 99", std::string(100, 'x') + "\n", std::string(99, 'x')},
      {"101 characters cut to 99", std::string(101, 'x'), std::string(99, 'x')},
      {"98 characters and CRLF", std::string(98, 'x') + "\r\n", std::string(98, 'x') + "\n"},
      {"NUL ends the line's text",
       "QR3WMN D,F8\0"
       "17,JP1\n"s,
       "QR3WMN D,F8"},
      {"NUL first", "\0QR3WMN D\n"s, ""},
      {"Shift-JIS bytes pass", "\x95\x5c\x83\x5c,\xfc\xfc\n", "\x95\x5c\x83\x5c,\xfc\xfc\n"},
  };
  for (const auto& c : cases) {
    dir.write_file("D-STAR_DV_config.txt", c.file);
    EXPECT_EQ(read_first_line(view, "D-STAR_DV_config.txt"), c.line) << c.situation;
  }
  EXPECT_TRUE(view.boxes().empty());
}

TEST_F(SettingsFilesTest, MissingSettingsFileIsNamedInTheBox) {
  EXPECT_EQ(read_first_line(view, "D-STAR_DV_config.txt"), "");
  std::filesystem::create_directory(dir.path() + "/D-STAR_tranceiver_config.txt");
  EXPECT_EQ(read_first_line(view, "D-STAR_tranceiver_config.txt"), "");
  EXPECT_EQ(
      view.boxes(),
      (std::vector<RecordedBox>{
          {"D-STAR_DV_config.txt", "Error! the file could not open", BoxOwner::none},
          {"D-STAR_tranceiver_config.txt", "Error! the file could not open", BoxOwner::none}}));
}

TEST_F(SettingsFilesTest, FieldsSplitAtCommaTabAndLineFeedAndEmptyOnesVanish) {
  struct Case {
    std::string line;
    std::vector<std::string> fields;
  } cases[] = {
      {"a,b,c", {"a", "b", "c"}},
      {",,a,,\t\nb\n", {"a", "b"}},
      {" a , b ", {" a ", " b "}},
      {"", {}},
      {",\t\n", {}},
      {"a\rb", {"a\rb"}},
      {"a,b\0,c"s, {"a", "b"}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> got;
    for (auto f : split_fields(c.line)) got.emplace_back(f);
    EXPECT_EQ(got, c.fields) << c.line;
  }
}

TEST_F(SettingsFilesTest, AdapterLineFillsTheStationAndShowsTheStoredValues) {
  parse_settings_line(view, "QR3XY,F8,Simplex2,QR3ABC,QR3DEF Z,12345,extra,more\n",
                      SettingsKind::adapter);
  EXPECT_EQ(station.my_callsign.view(), "QR3XY   ");
  EXPECT_EQ(station.my_suffix.view(), "F8  ");
  EXPECT_EQ(station.call_area.view(), "Simplex");
  EXPECT_EQ(station.my_repeater.view(), "QR3ABC  ");
  EXPECT_EQ(station.his_repeater.view(), "QR3DEF Z");
  EXPECT_EQ(station.adapter_port.view(), "123");
  EXPECT_EQ(view.text(ctl::my_callsign), "QR3XY   ");
  EXPECT_EQ(view.text(ctl::my_suffix), "F8  ");
  EXPECT_EQ(view.list(ctl::call_area), std::vector<std::string>{"Simplex"});
  EXPECT_EQ(view.text(ctl::adapter_port), "123");
  EXPECT_TRUE(view.boxes().empty());
}

TEST_F(SettingsFilesTest, EmptySuffixFieldMovesTheLaterFieldsUp) {
  parse_settings_line(view, "QR3WMN D,,JP1,QR3KTA A,QR3KTA B,7", SettingsKind::adapter);
  EXPECT_EQ(station.my_suffix.view(), "JP1 ");
  EXPECT_EQ(station.call_area.view(), "QR3KTA ");
  EXPECT_EQ(station.my_repeater.view(), "QR3KTA B");
  EXPECT_EQ(station.his_repeater.view(), "7       ");
  EXPECT_EQ(station.adapter_port.view(), "7");  // kept, not from this line
  EXPECT_EQ(view.set_text_count(ctl::adapter_port), 0);
}

TEST_F(SettingsFilesTest, LinesWithoutAllFieldsChangeOnlyWhatTheyHold) {
  parse_settings_line(view, "QR3ZZZ A", SettingsKind::adapter);
  EXPECT_EQ(station.my_callsign.view(), "QR3ZZZ A");
  EXPECT_EQ(view.text(ctl::my_callsign), "QR3ZZZ A");
  EXPECT_EQ(station.my_suffix.view(), "F817");
  EXPECT_EQ(station.call_area.view(), "JP1");
  EXPECT_EQ(view.set_text_count(ctl::my_suffix), 0);
  EXPECT_TRUE(view.list(ctl::call_area).empty());

  for (std::string line : {"", "\n", ",,\t"}) {
    parse_settings_line(view, line, SettingsKind::adapter);
    parse_settings_line(view, line, SettingsKind::transceiver);
  }
  EXPECT_EQ(view.set_text_count(ctl::my_callsign), 1);
  EXPECT_TRUE(view.list(ctl::transceiver_model).empty());
}

TEST_F(SettingsFilesTest, TransceiverLineRoundTripsThroughItsFile) {
  dir.write_file("D-STAR_tranceiver_config.txt", "FT-817,8,439310,-5000,PKT,Dummy ");
  set_text(station.transceiver_model, "x");
  set_text(station.transceiver_port, "x");
  set_text(station.frequency_khz, "x");
  set_text(station.shift_khz, "x");
  set_text(station.mode, "x");
  parse_settings_line(view, read_first_line(view, "D-STAR_tranceiver_config.txt"),
                      SettingsKind::transceiver);
  EXPECT_EQ(station.transceiver_model.view(), "FT-817");
  EXPECT_EQ(station.transceiver_port.view(), "8");
  EXPECT_EQ(station.frequency_khz.view(), "439310");
  EXPECT_EQ(station.shift_khz.view(), "-5000");
  EXPECT_EQ(station.mode.view(), "PKT");
  EXPECT_EQ(view.list(ctl::transceiver_model), std::vector<std::string>{"FT-817"});
  EXPECT_EQ(view.text(ctl::transceiver_port), "8");
  EXPECT_EQ(view.text(ctl::frequency), "439310");
  EXPECT_EQ(view.text(ctl::shift), "-5000");

  save_transceiver_settings(view);
  EXPECT_EQ(dir.read_file("D-STAR_tranceiver_config.txt"), "FT-817,8,439310,-5000,PKT,Dummy ");

  set_text(station.transceiver_model, "FT-897");
  set_text(station.transceiver_port, "12");
  set_text(station.frequency_khz, "145000");
  set_text(station.shift_khz, "+600");
  set_text(station.mode, "FM");
  save_transceiver_settings(view);
  EXPECT_EQ(dir.read_file("D-STAR_tranceiver_config.txt"), "FT-897,12,145000,+600,FM,Dummy ");
  EXPECT_TRUE(view.boxes().empty());
}

TEST_F(SettingsFilesTest, AdapterSaveWritesThreeFilesWithoutLineEnds) {
  dir.write_file("D-STAR_DV_config.txt", "an older and much longer line than the new one\n");
  save_adapter_settings(view);
  expect_usual_adapter_files_saved();
  EXPECT_TRUE(view.boxes().empty());
  EXPECT_EQ(folder_entries(dir.path()),
            (std::vector<std::string>{"D-STAR_DV_config.txt", "D-STAR_his_rpt.txt",
                                      "D-STAR_my_rpt.txt"}));
}

TEST_F(SettingsFilesTest, SuffixWithACommaIsSavedAsIsAndSplitsOnTheNextStart) {
  set_fixed(station.my_suffix, "F,17");
  save_adapter_settings(view);
  EXPECT_EQ(dir.read_file("D-STAR_DV_config.txt"), "QR3WMN D,F,17,JP1,QR3KTA A,QR3KTA B,7");

  reset_station_settings();
  parse_settings_line(view, read_first_line(view, "D-STAR_DV_config.txt"), SettingsKind::adapter);
  EXPECT_EQ(station.my_suffix.view(), "F   ");
  EXPECT_EQ(station.call_area.view(), "17");
  EXPECT_EQ(station.my_repeater.view(), "JP1     ");
  EXPECT_EQ(station.his_repeater.view(), "QR3KTA A");
  EXPECT_EQ(station.adapter_port.view(), "QR3");
}

TEST_F(SettingsFilesTest, SettingsFileThatCannotBeWrittenKeepsTheRepeaterFiles) {
  std::filesystem::create_directory(dir.path() + "/D-STAR_DV_config.txt");
  dir.write_file("D-STAR_my_rpt.txt", "old my line");
  dir.write_file("D-STAR_his_rpt.txt", "old his line");
  save_adapter_settings(view);
  EXPECT_EQ(view.boxes(),
            (std::vector<RecordedBox>{{"Could not open", "D-STAR_DV_config.txt", BoxOwner::none}}));
  EXPECT_TRUE(std::filesystem::is_directory(dir.path() + "/D-STAR_DV_config.txt"));
  EXPECT_EQ(dir.read_file("D-STAR_my_rpt.txt"), "old my line");
  EXPECT_EQ(dir.read_file("D-STAR_his_rpt.txt"), "old his line");
  EXPECT_EQ(folder_entries(dir.path()),
            (std::vector<std::string>{"D-STAR_DV_config.txt", "D-STAR_his_rpt.txt",
                                      "D-STAR_my_rpt.txt"}));
}

TEST_F(SettingsFilesTest, EachRepeaterFileThatCannotBeWrittenIsReported) {
  struct Case {
    const char* blocked;
    std::vector<std::string> written;
    std::vector<std::string> untouched;
  } cases[] = {
      {"D-STAR_my_rpt.txt", {"D-STAR_DV_config.txt"}, {"D-STAR_his_rpt.txt"}},
      {"D-STAR_his_rpt.txt", {"D-STAR_DV_config.txt", "D-STAR_my_rpt.txt"}, {}},
  };
  for (const auto& c : cases) {
    TempWorkdir here;
    view.clear_boxes();
    for (const char* name : {"D-STAR_DV_config.txt", "D-STAR_my_rpt.txt", "D-STAR_his_rpt.txt"}) {
      here.write_file(name, "old");
    }
    std::filesystem::remove(here.path() + "/" + c.blocked);
    std::filesystem::create_directory(here.path() + "/" + c.blocked);
    save_adapter_settings(view);
    EXPECT_EQ(view.boxes(),
              (std::vector<RecordedBox>{{"Could not open", c.blocked, BoxOwner::none}}));
    for (const auto& name : c.written) EXPECT_NE(here.read_file(name), "old") << c.blocked;
    for (const auto& name : c.untouched) EXPECT_EQ(here.read_file(name), "old") << c.blocked;
    EXPECT_EQ(folder_entries(here.path()).size(), 3u) << "temporary file left behind";
  }
}

TEST_F(SettingsFilesTest, TransceiverFileThatCannotBeWrittenIsReported) {
  std::filesystem::create_directory(dir.path() + "/D-STAR_tranceiver_config.txt");
  save_transceiver_settings(view);
  EXPECT_EQ(view.boxes(),
            (std::vector<RecordedBox>{{"TRX_configulation could not open",
                                       "D-STAR_tranceiver_config.txt", BoxOwner::none}}));
  EXPECT_EQ(folder_entries(dir.path()), std::vector<std::string>{"D-STAR_tranceiver_config.txt"});
}

TEST_F(SettingsFilesTest, SavingKeepsTheFilesPermissionsAndSymbolicLink) {
  dir.write_file("kept_elsewhere.txt", "old");
  std::filesystem::create_symlink("kept_elsewhere.txt", dir.path() + "/D-STAR_DV_config.txt");
  dir.write_file("D-STAR_my_rpt.txt", "old");
  ::chmod((dir.path() + "/D-STAR_my_rpt.txt").c_str(), 0640);
  save_adapter_settings(view);
  EXPECT_TRUE(std::filesystem::is_symlink(dir.path() + "/D-STAR_DV_config.txt"));
  EXPECT_EQ(dir.read_file("kept_elsewhere.txt"), kDefaultAdapterLine);
  struct stat st {};
  ASSERT_EQ(::stat((dir.path() + "/D-STAR_my_rpt.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

}  // namespace
