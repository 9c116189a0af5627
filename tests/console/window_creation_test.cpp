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
// List 360, in its order.
const std::vector<std::string> kModels = {"None",   "FT-817", "FT-897",
                                          "FT-857", "FT-818", "rigctld"};

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
  models.insert(models.end(), kModels.begin(), kModels.end());
  EXPECT_EQ(view.list(ctl::transceiver_model), models);
  // The stored my-repeater line is offered only when its area matches.
  EXPECT_TRUE(view.list(ctl::my_repeater).empty());
  EXPECT_EQ(view.list(ctl::his_repeater).size(), 5u + 4u);  // the lines, then the commands
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
            with_commands({"JP1,Hilltop430(NI43),439310,-5000,QR3KTA A,QR3KTG G",
                           "JP1,Hilltop1200(NI12),1291570,-20000,QR3KTA B,QR3KTG G",
                           "JP1,Riverside,434550,+600,QR3RVS A,None",
                           "JP2,Harbour430,439550,-5000,QR3HBR A,QR3HBR G ",
                           "Simplex,Calling,433300,0,QR3SMP A,None"}));
}

TEST_F(WindowCreationTest, AByteOrderMarkHeadingAnyFileIsNoPartOfItsFirstLine) {
  const std::string bom = "\xEF\xBB\xBF";  // "UTF-8 with BOM", as Windows editors save
  const std::vector<std::string> hilltop = {"JP1,Hilltop430(NI43),439310,-5000,QR3KTA A,QR3KTG G"};
  write_station_files(bom + "QR9ZZ,F817,JP1,QR3KTA A,QR3KTA B,7",
                      bom + "FT-897,8,439310,-5000,PKT");
  dir.write_file("D-STAR_my_rpt.txt", bom + hilltop[0]);
  dir.write_file("D-STAR_repeaters.txt", bom + hilltop[0]);
  open_window();
  EXPECT_EQ(station.my_callsign.view(), "QR9ZZ   ");      // D-STAR_DV_config.txt
  EXPECT_EQ(station.transceiver_model.view(), "FT-897");  // D-STAR_tranceiver_config.txt
  EXPECT_EQ(view.list(ctl::my_repeater), hilltop);        // D-STAR_my_rpt.txt
  EXPECT_EQ(view.list(ctl::his_repeater), with_commands(hilltop));
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
  EXPECT_EQ(view.list(ctl::transceiver_model), kModels);
  EXPECT_EQ(view.set_text_count(ctl::transceiver_port), 0);
  EXPECT_EQ(station.frequency_khz.view(), "439310");
  EXPECT_EQ(station.transceiver_model.view(), "FT-817");
}

TEST_F(WindowCreationTest, ALoneLineEndStillListsAreasAndReadsTheTransceiverLine) {
  write_station_files("\n");
  open_window();
  EXPECT_EQ(view.list(ctl::call_area), kTwelveAreas);
  EXPECT_EQ(view.list(ctl::transceiver_model).size(), 7u);  // the stored model, then the six
  EXPECT_EQ(view.set_text_count(ctl::my_callsign), 0);
  EXPECT_EQ(station.my_callsign.view(), "QR3WMN D");
}

// Last run's repeaters are this run's route; the gateway comes along while the stored repeater
// is still the station's repeater.
TEST_F(WindowCreationTest, StoredRepeaterLinesBecomeTheCurrentRoute) {
  const std::string hilltop430 = "JP1,Hilltop430(NI43),439310,-5000,QR3KTA A,QR3KTG G";
  const std::string hilltop1200 = "JP1,Hilltop1200(NI12),1291570,-20000,QR3KTA B,QR3KTG G";
  const std::string harbour = "JP2,Harbour430,439550,-5000,QR3HBR A,QR3HBR G";
  const std::string riverside = "JP1,Riverside,434550,+600,QR3RVS A,None";
  const std::string kta_riverside = "JP1,Riverside,434550,+600,QR3KTA A,None";
  const std::string station_line = "QR3WMN D,F817,JP1,QR3KTA A,QR3KTA B,7";
  // Exactly 100 characters, ending inside the gateway field.
  const std::string long100 = "JP1," + std::string(68, 'n') + ",439310,-5000,QR3KTA A,QR3KT";
  struct Case {
    const char* name;
    std::optional<std::string> adapter_line, my_rpt, his_rpt;  // none: the file is missing
    std::string my_line, his_line, gateway;
    std::size_t boxes;  // only "D-STAR_DV_config.txt" may be reported
  };
  const Case cases[] = {
      {"stored repeater in another area", "QR3WMN D,F817,JP1,QR3HBR A,QR3KTA B,7",
       harbour + " // coast", riverside, harbour + " ", riverside, "QR3HBR G", 0},
      {"stored line of another repeater keeps the gateway", station_line, harbour, std::nullopt,
       harbour, hilltop1200, "QR3KTG G", 0},
      {"no adapter file", std::nullopt, "// header\r\n" + kta_riverside + "\r\n", harbour,
       kta_riverside, harbour, "None    ", 1},
      {"empty and comment-only files", station_line, "", "// none yet", hilltop430, hilltop1200,
       "QR3KTG G", 0},
      {"a line is read 100 characters at a time", station_line, long100 + "ZY G", std::nullopt,
       long100, hilltop1200, "QR3KT   ", 0},
      {"no stored lines: the list's lines and gateway", "QR3WMN D,F817,JP2,QR3HBR A,QR3RVS A,7", "",
       "", harbour + " ", riverside, "QR3HBR G", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
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
    EXPECT_EQ(station.my_repeater_line.view(), c.my_line);
    EXPECT_EQ(station.his_repeater_line.view(), c.his_line);
    EXPECT_EQ(station.gateway.view(), c.gateway);
    const RecordedBox no_adapter_file{"D-STAR_DV_config.txt", "Error! the file could not open",
                                      BoxOwner::none};
    EXPECT_EQ(view.boxes(), std::vector<RecordedBox>(c.boxes, no_adapter_file));
    // Tuning still comes from the transceiver file or the compiled-in values.
    EXPECT_EQ(station.frequency_khz.view(), "439310");
    EXPECT_EQ(station.shift_khz.view(), "-5000");
  }
}

// Operators outside Japan find their own call areas after the window's twelve.
TEST_F(WindowCreationTest, CallAreasFromTheListFollowTheTwelveInListOrderOnceEach) {
  std::vector<std::string> seventy;
  std::string seventy_list;
  for (int i = 0; i < 70; ++i) {
    seventy.push_back(std::string("A").append(std::to_string(i)));
    seventy_list += seventy.back() + ",Hill,430100,0,QR1AAA A,None\n";
  }
  struct Case {
    const char* name;
    std::string stored_area;
    std::string list;  // empty: no list file, which is reported once
    std::vector<std::string> added;
  };
  const Case cases[] = {
      {"new areas cut to seven without repeats",
       "Lazio",
       "// club list\nLazio,Hill,430437.5,-5000,QR0HTP B,None\n"
       "New Brunswick,Quay,145290,-600,QR9SQY C,None\n,,,\n"
       "Lazio,Town,145290,-600,QR0OTN C,None\nJP1,Hilltop430,439310,-5000,QR3KTA A,None\n"
       "W1,Plain,439100,0,QR5PLN A,None\nNew Bruges,Quay,145290,0,QR9SQY A,None\n",
       {"New Bru", "W1"}},
      {"at most sixty-four are added",
       "JP1",
       seventy_list,
       {seventy.begin(), seventy.begin() + 64}},
      {"a missing list is reported only by the repeater list", "JP1", "", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    reset_program_state();
    RecordingView view;
    write_station_files("QR3WMN D,F817," + c.stored_area + ",QR3KTA A,QR3KTA B,7");
    if (c.list.empty())
      std::remove("D-STAR_repeaters.txt");
    else
      dir.write_file("D-STAR_repeaters.txt", c.list);
    on_window_created(view);
    std::vector<std::string> areas{c.stored_area};
    areas.insert(areas.end(), kTwelveAreas.begin(), kTwelveAreas.end());
    areas.insert(areas.end(), c.added.begin(), c.added.end());
    EXPECT_EQ(view.list(ctl::call_area), areas);
    EXPECT_EQ(view.boxes().size(), c.list.empty() ? 1u : 0u);
  }
}

}  // namespace
