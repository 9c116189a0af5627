#include <gtest/gtest.h>

#include <cstdio>
#include <optional>

#include "adapter/link_state.h"
#include "settings/station_settings.h"
#include "support/console_fixture.h"

namespace {

using WindowCreationTest = ConsoleTest;

const std::vector<std::string> kTwelveAreas = {"Simplex", "JP1", "JP2", "JP3", "JP4", "JP5",
                                               "JP6",     "JP7", "JP8", "JP9", "JP0", "KH2"};
const std::vector<std::string> kThreeModels = {"None", "FT-817", "FT-897"};

TEST_F(WindowCreationTest, FirstRunWithoutSettingsShowsEmptyListsAndTheMissingFile) {
  open_window();
  EXPECT_EQ(view.boxes(),
            (std::vector<RecordedBox>{
                {"D-STAR_DV_config.txt", "Error! the file could not open", BoxOwner::none}}));
  for (int list : {ctl::call_area, ctl::my_repeater, ctl::his_repeater, ctl::transceiver_model}) {
    EXPECT_TRUE(view.list(list).empty()) << list;
  }
  for (int field : {ctl::my_callsign, ctl::my_suffix, ctl::adapter_port, ctl::transceiver_port}) {
    EXPECT_EQ(view.set_text_count(field), 0) << field;
  }
  EXPECT_EQ(view.text(ctl::start_stop), "START");
  EXPECT_EQ(station.my_callsign.view(), "QR3WMN D");
  EXPECT_FALSE(adapter_open);
  EXPECT_FALSE(transceiver_active);
}

TEST_F(WindowCreationTest, SavedSettingsFillFieldsAndListTheStoredAreaFirst) {
  write_station_files("QR3ABC D,F897,JP2,QR3HBR A,QR3KTA B,12", "FT-897,9,439550,-5000,FM,Dummy ");
  open_window();
  EXPECT_TRUE(view.boxes().empty());
  std::vector<std::string> areas = {"JP2"};
  areas.insert(areas.end(), kTwelveAreas.begin(), kTwelveAreas.end());
  EXPECT_EQ(view.list(ctl::call_area), areas);
  EXPECT_EQ(view.text(ctl::my_callsign), "QR3ABC D");
  EXPECT_EQ(view.text(ctl::my_suffix), "F897");
  EXPECT_EQ(view.text(ctl::adapter_port), "12");
  EXPECT_EQ(view.text(ctl::transceiver_port), "9");
  EXPECT_EQ(view.text(ctl::frequency), "439550");
  EXPECT_EQ(view.text(ctl::shift), "-5000");
  std::vector<std::string> models = {"FT-897"};
  models.insert(models.end(), kThreeModels.begin(), kThreeModels.end());
  EXPECT_EQ(view.list(ctl::transceiver_model), models);
  // The stored my-repeater line is offered only when its area matches.
  EXPECT_TRUE(view.list(ctl::my_repeater).empty());
  EXPECT_EQ(view.list(ctl::his_repeater).size(), 5u);
  EXPECT_EQ(station.mode.view(), "FM");
}

TEST_F(WindowCreationTest, StoredMyRepeaterLineIsOfferedAgainInItsArea) {
  write_station_files();
  open_window();
  ASSERT_EQ(view.list(ctl::call_area).size(), 13u);
  EXPECT_EQ(view.list(ctl::call_area)[0], "JP1");
  EXPECT_EQ(view.list(ctl::my_repeater),
            (std::vector<std::string>{"JP1,Hilltop430(NI43),439310,-5000,QR3KTA A,QR3KTG G"}));
  EXPECT_EQ(view.list(ctl::his_repeater),
            (std::vector<std::string>{"JP1,Hilltop430(NI43),439310,-5000,QR3KTA A,QR3KTG G",
                                      "JP1,Hilltop1200(NI12),1291570,-20000,QR3KTA B,QR3KTG G",
                                      "JP1,Riverside,434550,+600,QR3RVS A,None",
                                      "JP2,Harbour430,439550,-5000,QR3HBR A,QR3HBR G ",
                                      "Simplex,Calling,433300,0,QR3SMP A,None"}));
}

TEST_F(WindowCreationTest, HisRepeaterNoneListsOnlyMyRepeater) {
  write_station_files("QR3WMN D,F817,JP1,QR3KTA A,None,7");
  open_window();
  EXPECT_EQ(view.list(ctl::his_repeater), (std::vector<std::string>{"QR3KTA A"}));
}

TEST_F(WindowCreationTest, SimplexWithoutStoredRepeaterWarnsTwiceAndLeavesHisListEmpty) {
  write_station_files("QR3WMN D,F817,Simplex,QR3KTA A,QR3KTA B,7");
  std::remove("D-STAR_my_rpt.txt");
  open_window();
  RecordedBox missing{"File could not open, ", "D-STAR_my_rpt.txt", BoxOwner::none};
  EXPECT_EQ(view.boxes(), (std::vector<RecordedBox>{missing, missing}));
  EXPECT_TRUE(view.list(ctl::his_repeater).empty());
}

TEST_F(WindowCreationTest, MissingTransceiverFileKeepsCompiledInTuning) {
  write_station_files();
  std::remove("D-STAR_tranceiver_config.txt");
  open_window();
  EXPECT_EQ(view.boxes(),
            (std::vector<RecordedBox>{{"D-STAR_tranceiver_config.txt",
                                       "Error! the file could not open", BoxOwner::none}}));
  EXPECT_EQ(view.list(ctl::transceiver_model), kThreeModels);
  EXPECT_EQ(view.set_text_count(ctl::transceiver_port), 0);
  EXPECT_EQ(station.frequency_khz.view(), "439310");
  EXPECT_EQ(station.transceiver_model.view(), "FT-817");
}

TEST_F(WindowCreationTest, ALoneLineEndStillListsAreasAndReadsTheTransceiverLine) {
  write_station_files("\n");
  open_window();
  EXPECT_EQ(view.list(ctl::call_area), kTwelveAreas);
  EXPECT_EQ(view.list(ctl::transceiver_model).size(), 4u);
  EXPECT_EQ(view.set_text_count(ctl::my_callsign), 0);
  EXPECT_EQ(station.my_callsign.view(), "QR3WMN D");
}

// The repeaters chosen in the last run are the route of this one: their
// stored lines become current, and the gateway with them when the stored
// repeater is still the station's repeater.
TEST_F(WindowCreationTest, StoredRepeaterLinesBecomeTheCurrentRoute) {
  const std::string kHilltop430 = "JP1,Hilltop430(NI43),439310,-5000,QR3KTA A,QR3KTG G";
  const std::string kHilltop1200 = "JP1,Hilltop1200(NI12),1291570,-20000,QR3KTA B,QR3KTG G";
  // Exactly 100 characters, ending inside the gateway field.
  const std::string kLong100 = "JP1," + std::string(68, 'n') + ",439310,-5000,QR3KTA A,QR3KT";
  struct Case {
    const char* name;
    std::optional<std::string> adapter_line, my_rpt, his_rpt;  // none: the file is missing
    std::string my_line, his_line, gateway;
    std::vector<RecordedBox> boxes;
  };
  const RecordedBox no_adapter_file{"D-STAR_DV_config.txt", "Error! the file could not open",
                                    BoxOwner::none};
  const Case cases[] = {
      {"stored repeater in another area",
       "QR3WMN D,F817,JP1,QR3HBR A,QR3KTA B,7",
       "JP2,Harbour430,439550,-5000,QR3HBR A,QR3HBR G // coast",
       "JP1,Riverside,434550,+600,QR3RVS A,None",
       "JP2,Harbour430,439550,-5000,QR3HBR A,QR3HBR G ",
       "JP1,Riverside,434550,+600,QR3RVS A,None",
       "QR3HBR G",
       {}},
      {"stored line of another repeater keeps the gateway",
       "QR3WMN D,F817,JP1,QR3KTA A,QR3KTA B,7",
       "JP2,Harbour430,439550,-5000,QR3HBR A,QR3HBR G",
       std::nullopt,
       "JP2,Harbour430,439550,-5000,QR3HBR A,QR3HBR G",
       kHilltop1200,
       "QR3KTG G",
       {}},
      {"no adapter file",
       std::nullopt,
       "// header\r\nJP1,Riverside,434550,+600,QR3KTA A,None\r\n",
       "JP2,Harbour430,439550,-5000,QR3HBR A,QR3HBR G",
       "JP1,Riverside,434550,+600,QR3KTA A,None",
       "JP2,Harbour430,439550,-5000,QR3HBR A,QR3HBR G",
       "None    ",
       {no_adapter_file}},
      {"empty and comment-only files",
       "QR3WMN D,F817,JP1,QR3KTA A,QR3KTA B,7",
       "",
       "// none yet",
       kHilltop430,
       kHilltop1200,
       "QR3KTG G",
       {}},
      {"a line is read 100 characters at a time",
       "QR3WMN D,F817,JP1,QR3KTA A,QR3KTA B,7",
       kLong100 + "ZY G",
       std::nullopt,
       kLong100.substr(0, 71),
       kHilltop1200,
       "QR3KT   ",
       {}},
  };
  for (const Case& c : cases) {
    reset_program_state();
    RecordingView view;
    write_station_files();
    for (auto [name, text] : {std::pair{"D-STAR_DV_config.txt", c.adapter_line},
                              {"D-STAR_my_rpt.txt", c.my_rpt},
                              {"D-STAR_his_rpt.txt", c.his_rpt}}) {
      if (text)
        dir.write_file(name, *text);
      else
        std::remove(name);
    }
    on_window_created(view);
    EXPECT_EQ(station.my_repeater_line.view(), c.my_line) << c.name;
    EXPECT_EQ(station.his_repeater_line.view(), c.his_line) << c.name;
    EXPECT_EQ(station.gateway.view(), c.gateway) << c.name;
    EXPECT_EQ(view.boxes(), c.boxes) << c.name;
    // Tuning still comes from the transceiver file or the compiled-in values.
    EXPECT_EQ(station.frequency_khz.view(), "439310") << c.name;
    EXPECT_EQ(station.shift_khz.view(), "-5000") << c.name;
  }
}

}  // namespace
