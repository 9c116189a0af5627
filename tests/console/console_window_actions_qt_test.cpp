// The real window, its real handlers and pseudo-terminals as the adapter
// (COM7) and the radio (COM8): start-up from the files, START/STOP/EXIT with
// the bytes seen at the far ends, double-clicks on real list entries, keys
// and selections in the real boxes, and message boxes answered with OK.

#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QTest>
#include <cstdio>
#include <string>
#include <vector>

#include "adapter/link_state.h"
#include "settings/station_settings.h"
#include "support/console_fixture.h"
#include "support/message_box_answerer.h"
#include "support/offscreen_qt_app.h"
#include "support/real_console_window.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using std::chrono::milliseconds;

const std::string kHilltop430 = "JP1,Hilltop430(NI43),439310,-5000,QR3KTA A,QR3KTG G";
const std::string kHilltop1200 = "JP1,Hilltop1200(NI12),1291570,-20000,QR3KTA B,QR3KTG G";
const std::string kRiverside = "JP1,Riverside,434550,+600,QR3RVS A,None";
const std::string kHarbour = "JP2,Harbour430,439550,-5000,QR3HBR A,QR3HBR G ";
const std::string kSimplexCalling = "Simplex,Calling,433300,0,QR3SMP A,None";
const std::vector<std::string> kWholeList = {kHilltop430, kHilltop1200, kRiverside, kHarbour,
                                             kSimplexCalling};

const std::vector<std::string> kTwelveAreas = {"Simplex", "JP1", "JP2", "JP3", "JP4", "JP5",
                                               "JP6",     "JP7", "JP8", "JP9", "JP0", "KH2"};
// List 360, in its order.
const std::vector<std::string> kModels = {"None",   "FT-817", "FT-897",
                                          "FT-857", "FT-818", "rigctld"};

std::vector<std::string> first_then(const std::string& first,
                                    const std::vector<std::string>& rest) {
  std::vector<std::string> all{first};
  all.insert(all.end(), rest.begin(), rest.end());
  return all;
}

// A header report as the adapter sends it: RPT2, RPT1, UR, MY, one more byte.
Bytes header_report(const std::string& my, const std::string& ur = "CQCQCQ  ") {
  return Bytes{0xFE, 0xFE, 0x7F, 0x01, 0x1D, 0x04} + bytes_of("QR3KTG GQR3KTA A" + ur + my) +
         Bytes{0x00, 0xFD};
}

// The line the Receiving box shows for it, with the line break before it.
std::string heard_line(const std::string& my, const std::string& ur = "CQCQCQ  ") {
  return "\r\n" + my + " " + ur + " QR3KTA A QR3KTG G";
}

struct Box {
  std::string text;
  std::string title;
  bool operator==(const Box&) const = default;
};

void PrintTo(const Box& box, std::ostream* os) {
  *os << '"' << box.text << "\" / \"" << box.title << '"';
}

const Box kMissingMyRpt{"File could not open, ", "D-STAR_my_rpt.txt"};

class WindowActions : public ConsoleTest {
 protected:
  void open_with_station_files() {
    write_station_files();
    ASSERT_TRUE(window.open());
  }

  void start_link() {
    window.click(ctl::start_stop);
    ASSERT_TRUE(adapter_open);
    adapter.read_all();
    radio.read_all();
  }

  std::vector<Box> boxes() const {
    std::vector<Box> out;
    for (const AnsweredBox& b : answerer.boxes()) out.push_back({b.text, b.title});
    return out;
  }

  // Boxes without owner are the rule; only two belong to the window.
  void expect_boxes_have_no_owner_and_only_ok() const {
    for (const AnsweredBox& b : answerer.boxes()) {
      EXPECT_EQ(b.owner, nullptr) << b.text;
      EXPECT_EQ(b.button_count, 1) << b.text;
    }
  }

  bool nothing_selected_in_the_lists() {
    for (int id : {ctl::call_area, ctl::my_repeater, ctl::his_repeater, ctl::transceiver_model}) {
      if (!window.list(id)->selectedItems().isEmpty()) return false;
    }
    return true;
  }

  MessageBoxAnswerer answerer;
  RealConsoleWindow window;
};

// --- Start-up from the files -------------------------------------------------

struct StartUpCase {
  const char* name;
  std::string adapter_line;
  std::string my_rpt_line;  // empty: the file is missing
  bool transceiver_file = true;
  std::vector<Box> boxes;
  std::vector<std::string> areas;
  std::vector<std::string> my_repeaters;
  std::vector<std::string> his_repeaters;
  std::vector<std::string> models;
  std::vector<std::pair<int, std::string>> fields;
  std::string reflectors = {};  // empty: no D-STAR_reflectors.txt, which is no error
};

void PrintTo(const StartUpCase& c, std::ostream* os) { *os << c.name; }

class WindowStartUp : public WindowActions, public ::testing::WithParamInterface<StartUpCase> {};

TEST_P(WindowStartUp, lists_fields_and_boxes_follow_the_files) {
  const StartUpCase& c = GetParam();
  write_station_files(c.adapter_line);
  if (c.my_rpt_line.empty()) {
    std::remove("D-STAR_my_rpt.txt");
  } else {
    dir.write_file("D-STAR_my_rpt.txt", c.my_rpt_line);
  }
  if (!c.transceiver_file) std::remove("D-STAR_tranceiver_config.txt");
  if (!c.reflectors.empty()) dir.write_file("D-STAR_reflectors.txt", c.reflectors);
  ASSERT_TRUE(window.open());

  EXPECT_EQ(boxes(), c.boxes);
  expect_boxes_have_no_owner_and_only_ok();
  EXPECT_EQ(window.entries(ctl::call_area), c.areas);
  EXPECT_EQ(window.entries(ctl::my_repeater), c.my_repeaters);
  EXPECT_EQ(window.entries(ctl::his_repeater), c.his_repeaters);
  EXPECT_EQ(window.entries(ctl::transceiver_model), c.models);
  for (const auto& [id, text] : c.fields) EXPECT_EQ(window.text(id), text) << "control " << id;
  EXPECT_TRUE(nothing_selected_in_the_lists());
  EXPECT_EQ(window.text(ctl::start_stop), "START");
  EXPECT_EQ(window.dialog().focusWidget(), window.control(ctl::adapter_port));
}

INSTANTIATE_TEST_SUITE_P(
    Files, WindowStartUp,
    ::testing::Values(
        StartUpCase{"stored_area_first_then_the_twelve",
                    "QR3WMN D,F817,JP1,QR3KTA A,QR3KTA B,7",
                    kHilltop430,
                    true,
                    {},
                    first_then("JP1", kTwelveAreas),
                    {kHilltop430},
                    with_commands(kWholeList),
                    first_then("FT-817", kModels),
                    {{ctl::my_callsign, "QR3WMN D"},
                     {ctl::my_suffix, "F817"},
                     {ctl::adapter_port, "7"},
                     {ctl::transceiver_port, "8"},
                     {ctl::frequency, "439310"},
                     {ctl::shift, "-5000"},
                     {ctl::response, "***"},
                     {ctl::callback_callsign, "********"}}},
        StartUpCase{"his_repeater_none_lists_only_my_repeater",
                    "QR3WMN D,F817,JP1,QR3KTA A,None,7",
                    kHilltop430,
                    true,
                    {},
                    first_then("JP1", kTwelveAreas),
                    {kHilltop430},
                    {"QR3KTA A"},
                    first_then("FT-817", kModels),
                    {}},
        StartUpCase{"simplex_without_stored_repeater_warns_twice",
                    "QR3WMN D,F817,Simplex,QR3KTA A,QR3KTA B,7",
                    "",
                    true,
                    {kMissingMyRpt, kMissingMyRpt},
                    first_then("Simplex", kTwelveAreas),
                    {},
                    {},
                    first_then("FT-817", kModels),
                    {}},
        StartUpCase{"simplex_offers_the_stored_simplex_line_once_and_no_his_repeater",
                    "QR3WMN D,F817,Simplex,QR3KTA A,QR3KTA B,7",
                    kSimplexCalling,
                    true,
                    {},
                    first_then("Simplex", kTwelveAreas),
                    {kSimplexCalling},
                    {},
                    first_then("FT-817", kModels),
                    {}},
        StartUpCase{
            "missing_transceiver_file_keeps_the_template_texts",
            "QR3WMN D,F817,JP1,QR3KTA A,QR3KTA B,7",
            kHilltop430,
            false,
            {{"D-STAR_tranceiver_config.txt", "Error! the file could not open"}},
            first_then("JP1", kTwelveAreas),
            {kHilltop430},
            with_commands(kWholeList),
            kModels,
            {{ctl::transceiver_port, ""}, {ctl::frequency, "*******"}, {ctl::shift, "*****"}}},
        StartUpCase{"reflectors_follow_use_reflector_and_a_bad_line_is_told",
                    "QR3WMN D,F817,JP1,QR3KTA A,QR3KTA B,7",
                    kHilltop430,
                    true,
                    {{"Left out: line 3, \"REF30 C\": a reflector reads like \"REF030 C\" or "
                      "\"XRF757 A,Name\"",
                      "D-STAR_reflectors.txt"}},
                    first_then("JP1", kTwelveAreas),
                    {kHilltop430},
                    with_commands(kWholeList, {"Link XRF757 A Test", "Link REF001 C"}),
                    first_then("FT-817", kModels),
                    {},
                    "// club\r\n  XRF757 A, Test // home\nREF30 C\nref001 c\n\nREF001 C\n"}),
    [](const ::testing::TestParamInfo<StartUpCase>& info) { return std::string(info.param.name); });

TEST_F(WindowActions, first_run_port_typed_by_the_operator_then_start_and_stop_writes_the_station) {
  ASSERT_TRUE(window.open());
  EXPECT_EQ(boxes(),
            (std::vector<Box>{{"D-STAR_DV_config.txt", "Error! the file could not open"}}));

  // START with the port fields left empty tries COM0 for both.
  answerer.clear();
  window.click(ctl::start_stop);
  EXPECT_EQ(boxes(), (std::vector<Box>{{"COM port could not open for DV adapter", "COM0"},
                                       {"COM0", "TRX COM port error"}}));
  expect_boxes_have_no_owner_and_only_ok();
  EXPECT_EQ(window.text(ctl::start_stop), "STOP");
  EXPECT_FALSE(adapter_open);

  // The button still reads STOP but starts again, now with typed ports.
  answerer.clear();
  window.retype(ctl::adapter_port, "7");
  window.retype(ctl::transceiver_port, "8");
  window.click(ctl::start_stop);
  EXPECT_TRUE(answerer.boxes().empty());
  ASSERT_TRUE(adapter_open);
  EXPECT_EQ(adapter.read_count(kRepeaterConfiguration.size()), kRepeaterConfiguration);
  EXPECT_EQ(radio.read_count(kTuningTo439310.size()), kTuningTo439310);

  window.click(ctl::start_stop);
  EXPECT_EQ(window.text(ctl::start_stop), "START");
  EXPECT_EQ(dir.read_file("D-STAR_DV_config.txt"), "QR3WMN D,F817,JP1,QR3KTA A,QR3KTA B,7");
  EXPECT_EQ(dir.read_file("D-STAR_tranceiver_config.txt"), "FT-817,8,439310,-5000,PKT,Dummy ");
  window.click(ctl::exit_button);
  EXPECT_FALSE(window.dialog().isVisible());

  // The next run finds the station and lists the call areas.
  reset_program_state();
  dir.write_file("D-STAR_repeaters.txt", kRepeaterList);
  RealConsoleWindow next_run;
  ASSERT_TRUE(next_run.open());
  EXPECT_EQ(next_run.entries(ctl::call_area), first_then("JP1", kTwelveAreas));
  EXPECT_EQ(next_run.text(ctl::adapter_port), "7");
  next_run.click(ctl::exit_button);
}

// The last run left Harbour430 as my repeater and Riverside as his.
TEST_F(WindowActions, restart_sends_the_stored_route_and_stop_keeps_the_stored_lines) {
  write_station_files("QR3WMN D,F817,JP2,QR3HBR A,QR3RVS A,7", "FT-817,8,439550,-5000,PKT,Dummy ");
  dir.write_file("D-STAR_my_rpt.txt", "JP2,Harbour430,439550,-5000,QR3HBR A,QR3HBR G // coast");
  dir.write_file("D-STAR_his_rpt.txt", kRiverside);
  ASSERT_TRUE(window.open());
  EXPECT_TRUE(answerer.boxes().empty());

  window.click(ctl::start_stop);
  ASSERT_TRUE(adapter_open);
  const Bytes sent = start_frames("QR3HBR G", "QR3HBR A", "/QR3RVSA");
  EXPECT_EQ(adapter.read_count(sent.size()), sent);

  window.click(ctl::start_stop);
  EXPECT_EQ(dir.read_file("D-STAR_my_rpt.txt"), kHarbour);
  EXPECT_EQ(dir.read_file("D-STAR_his_rpt.txt"), kRiverside);
}

// Kept whole: the next START routes through its gateway; chosen again, it tunes its offset.
TEST_F(WindowActions, a_100_character_repeater_line_survives_stop_and_the_next_start) {
  const std::string line = "JP1," + std::string(65, 'n') + ",439310,-5000,QR3LNG A,QR3LNG G";
  write_station_files();
  dir.write_file("D-STAR_repeaters.txt", kRepeaterList + line);
  ASSERT_TRUE(window.open());
  ASSERT_TRUE(window.double_click_entry(ctl::call_area, "JP1"));
  ASSERT_TRUE(window.double_click_entry(ctl::my_repeater, line));
  start_link();
  window.click(ctl::start_stop);
  EXPECT_EQ(dir.read_file("D-STAR_my_rpt.txt"), line);
  reset_program_state();
  RealConsoleWindow next_run;
  ASSERT_TRUE(next_run.open());
  next_run.click(ctl::start_stop);
  const Bytes sent = start_frames("QR3LNG G", "QR3LNG A", "/QR3KTAB");
  EXPECT_EQ(adapter.read_count(sent.size()), sent);
  next_run.click(ctl::start_stop);
  ASSERT_TRUE(next_run.double_click_entry(ctl::my_repeater, line));
  next_run.click(ctl::start_stop);
  EXPECT_EQ(radio.read_count(2 * kTuningTo439310.size()), kTuningTo439310 + kTuningTo439310);
}

TEST_F(WindowActions, comma_typed_into_the_suffix_does_not_shift_the_saved_settings) {
  open_with_station_files();
  window.retype(ctl::adapter_port, "7");
  window.retype(ctl::my_suffix, "F,17");
  QTest::keyClick(window.box(ctl::my_suffix), Qt::Key_A, Qt::ControlModifier);
  window.click(ctl::start_stop);  // the suffix edit loses the focus with "F,17" selected
  ASSERT_TRUE(adapter_open);
  const Bytes sent = adapter.read_count(kRepeaterConfiguration.size());
  const Bytes suffix_frame = {0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0xDC, 'F', '1', '7', ' ', 0xFD};
  EXPECT_EQ(Bytes(sent.begin() + 25, sent.begin() + 36), suffix_frame);
  window.click(ctl::start_stop);
  EXPECT_EQ(dir.read_file("D-STAR_DV_config.txt"), "QR3WMN D,F17 ,JP1,QR3KTA A,QR3KTA B,7");
  window.click(ctl::exit_button);

  reset_program_state();
  RealConsoleWindow next_run;
  ASSERT_TRUE(next_run.open());
  EXPECT_EQ(next_run.text(ctl::adapter_port), "7");
  EXPECT_EQ(next_run.text(ctl::my_suffix), "F17 ");
  EXPECT_EQ(next_run.entries(ctl::call_area), first_then("JP1", kTwelveAreas));
  next_run.click(ctl::start_stop);
  EXPECT_TRUE(adapter_open);
  next_run.click(ctl::exit_button);
}

// --- START, STOP and EXIT --------------------------------------------------

TEST_F(WindowActions, start_stop_then_exit_sends_the_bytes_and_writes_the_files_once) {
  open_with_station_files();
  window.click(ctl::start_stop);
  EXPECT_EQ(window.text(ctl::start_stop), "STOP");
  EXPECT_EQ(adapter.read_count(kRepeaterConfiguration.size()), kRepeaterConfiguration);
  EXPECT_EQ(radio.read_count(kTuningTo439310.size()), kTuningTo439310);
  EXPECT_TRUE(answerer.boxes().empty());

  window.click(ctl::start_stop);
  EXPECT_EQ(window.text(ctl::start_stop), "START");
  EXPECT_EQ(dir.read_file("D-STAR_DV_config.txt"), "QR3WMN D,F817,JP1,QR3KTA A,QR3KTA B,7");
  EXPECT_EQ(dir.read_file("D-STAR_my_rpt.txt"), kHilltop430);
  EXPECT_EQ(dir.read_file("D-STAR_his_rpt.txt"), kHilltop1200);
  EXPECT_EQ(dir.read_file("D-STAR_tranceiver_config.txt"), "FT-817,8,439310,-5000,PKT,Dummy ");
  EXPECT_FALSE(adapter_port_handle.is_open());
  EXPECT_FALSE(transceiver_port_handle.is_open());

  for (const char* f : {"D-STAR_DV_config.txt", "D-STAR_my_rpt.txt", "D-STAR_his_rpt.txt",
                        "D-STAR_tranceiver_config.txt"}) {
    std::remove(f);
  }
  window.click(ctl::exit_button);
  EXPECT_FALSE(window.dialog().isVisible());
  for (const char* f : {"D-STAR_DV_config.txt", "D-STAR_my_rpt.txt", "D-STAR_his_rpt.txt",
                        "D-STAR_tranceiver_config.txt"}) {
    EXPECT_FALSE(dir.exists(f)) << f;
  }
}

TEST_F(WindowActions, esc_without_start_ends_the_program_and_writes_nothing) {
  write_station_files("QR3ABC D,F817,JP1,QR3KTA A,QR3KTA B,7");
  ASSERT_TRUE(window.open());
  // The operator changes the callsign, then leaves without starting.
  window.retype(ctl::my_callsign, "QR3XYZ X");
  window.box(ctl::my_callsign)->selectAll();
  QTest::keyClick(window.box(ctl::my_callsign), Qt::Key_Escape);
  EXPECT_FALSE(window.dialog().isVisible());
  EXPECT_EQ(dir.read_file("D-STAR_DV_config.txt"), "QR3ABC D,F817,JP1,QR3KTA A,QR3KTA B,7");
  EXPECT_EQ(dir.read_file("D-STAR_tranceiver_config.txt"), "FT-817,8,439310,-5000,PKT,Dummy ");
  EXPECT_EQ(dir.read_file("D-STAR_my_rpt.txt"), kHilltop430);
  EXPECT_FALSE(dir.exists("D-STAR_his_rpt.txt"));
  EXPECT_TRUE(adapter.read_all(milliseconds(50)).empty());
}

TEST_F(WindowActions, model_none_with_empty_trx_port_tries_the_adapters_number) {
  open_with_station_files();
  ASSERT_TRUE(window.double_click_entry(ctl::transceiver_model, "None"));
  window.retype(ctl::transceiver_port, "");
  window.click(ctl::start_stop);
  EXPECT_EQ(boxes(), (std::vector<Box>{{"COM7", "TRX COM port error"}}));
  expect_boxes_have_no_owner_and_only_ok();
  EXPECT_EQ(adapter.read_count(kRepeaterConfiguration.size()), kRepeaterConfiguration);
  EXPECT_TRUE(radio.read_all(milliseconds(50)).empty());

  // No tuning, so STOP keeps the transceiver file as it was.
  std::remove("D-STAR_tranceiver_config.txt");
  window.click(ctl::start_stop);
  EXPECT_FALSE(dir.exists("D-STAR_tranceiver_config.txt"));
  EXPECT_EQ(dir.read_file("D-STAR_DV_config.txt"), "QR3WMN D,F817,JP1,QR3KTA A,QR3KTA B,7");
}

TEST_F(WindowActions, model_double_clicked_in_the_list_is_tuned_and_saved) {
  open_with_station_files();
  ASSERT_TRUE(window.double_click_entry(ctl::transceiver_model, "FT-897"));
  window.click(ctl::start_stop);
  EXPECT_EQ(radio.read_count(kTuningTo439310.size()), kTuningTo439310);
  window.click(ctl::start_stop);
  EXPECT_EQ(dir.read_file("D-STAR_tranceiver_config.txt"), "FT-897,8,439310,-5000,PKT,Dummy ");
}

TEST_F(WindowActions, repeater_above_460_mhz_is_refused_in_a_box_owned_by_the_window) {
  open_with_station_files();
  ASSERT_TRUE(window.double_click_entry(ctl::call_area, "JP1"));
  ASSERT_TRUE(window.double_click_entry(ctl::my_repeater, kHilltop1200));
  EXPECT_EQ(window.text(ctl::frequency), "1291570");
  window.click(ctl::start_stop);
  ASSERT_EQ(answerer.boxes().size(), 1u);
  EXPECT_EQ(answerer.boxes()[0].text, "More than 460MHz can not handle by the Tranceiver.");
  EXPECT_EQ(answerer.boxes()[0].title, "Error : ");
  EXPECT_EQ(answerer.boxes()[0].owner, &window.dialog());
  // Frequency refused: the radio keeps its whole repeater setting; only the mode goes out.
  EXPECT_EQ(radio.read_all(), (Bytes{0x0C, 0x6D, 0x6D, 0x6D, 0x07}));

  window.click(ctl::start_stop);
  EXPECT_EQ(dir.read_file("D-STAR_my_rpt.txt"), kHilltop1200);
  EXPECT_EQ(dir.read_file("D-STAR_tranceiver_config.txt"), "FT-817,8,439310,-5000,PKT,Dummy ");
}

// --- Double-clicks on the lists while the link runs ------------------------

TEST_F(WindowActions, double_clicked_repeaters_are_routed_at_once_and_areas_only_refill) {
  open_with_station_files();
  start_link();

  ASSERT_TRUE(window.double_click_entry(ctl::call_area, "JP1"));
  EXPECT_EQ(window.entries(ctl::my_repeater),
            (std::vector<std::string>{kHilltop430, kHilltop1200, kRiverside}));
  EXPECT_EQ(window.entries(ctl::his_repeater), with_commands(kWholeList));
  EXPECT_TRUE(adapter.read_all(milliseconds(50)).empty());

  ASSERT_TRUE(window.double_click_entry(ctl::my_repeater, kHilltop430));
  EXPECT_EQ(adapter.read_count(31), route_frame("QR3KTG G", "QR3KTA A", "/QR3KTAB"));
  EXPECT_EQ(window.text(ctl::frequency), "439310");
  EXPECT_EQ(window.text(ctl::shift), "-5000");

  ASSERT_TRUE(window.double_click_entry(ctl::his_repeater, kHarbour));
  EXPECT_EQ(adapter.read_count(31), route_frame("QR3KTG G", "QR3KTA A", "/QR3HBRA"));

  // A repeater without gateway reaches only itself.
  ASSERT_TRUE(window.double_click_entry(ctl::my_repeater, kRiverside));
  EXPECT_EQ(adapter.read_count(31), route_frame("        ", "QR3RVS A", "CQCQCQ  "));
  EXPECT_EQ(window.entries(ctl::his_repeater), std::vector<std::string>{kRiverside});
  EXPECT_EQ(window.text(ctl::frequency), "434550");
  EXPECT_EQ(window.text(ctl::shift), "+600");

  window.click(ctl::start_stop);
  EXPECT_EQ(dir.read_file("D-STAR_my_rpt.txt"), kRiverside);
  EXPECT_EQ(dir.read_file("D-STAR_his_rpt.txt"), kRiverside);
  EXPECT_TRUE(answerer.boxes().empty());
}

// A command is kept nowhere: the next START routes to the his repeater chosen before.
TEST_F(WindowActions, a_link_chosen_before_stop_is_not_sent_at_the_next_start) {
  dir.write_file("D-STAR_reflectors.txt", "REF030 C\n");
  open_with_station_files();
  ASSERT_TRUE(window.double_click_entry(ctl::his_repeater, "Echo test"));
  EXPECT_EQ(boxes(), (std::vector<Box>{{"DV adapter port has been closed", "ERROR"}}));
  start_link();
  ASSERT_TRUE(window.double_click_entry(ctl::his_repeater, "Link REF030 C"));
  EXPECT_EQ(adapter.read_count(31), route_frame("QR3KTG G", "QR3KTA A", "REF030CL"));
  window.click(ctl::start_stop);
  window.click(ctl::start_stop);
  EXPECT_EQ(adapter.read_count(kRepeaterConfiguration.size()), kRepeaterConfiguration);
}

// --- The Receiving box, Call back and TX msg --------------------------------

TEST_F(WindowActions, call_back_on_the_fifth_heard_line_routes_to_that_station) {
  open_with_station_files();
  start_link();
  std::string shown;
  for (const char* my : {"QR3AAA A", "QR3BBB B", "QR3CCC C", "QR3DDD D", "QR3EEE E"}) {
    adapter.write(header_report(my));
    shown += heard_line(my);
  }
  ASSERT_TRUE(window.wait_for_text(ctl::receiving, shown));

  // Far beyond the first 99 characters of the box.
  window.select_start_of_last_line(ctl::receiving, 8);
  EXPECT_EQ(window.dialog().get_selection(ctl::receiving).start, 2 + 37 * 4);
  window.click(ctl::call_back);
  EXPECT_EQ(window.text(ctl::callback_callsign), "QR3EEE E");
  EXPECT_EQ(adapter.read_count(31), route_frame("QR3KTG G", "QR3KTA A", "QR3EEE E"));
  EXPECT_TRUE(answerer.boxes().empty());
}

TEST_F(WindowActions, call_back_with_the_link_closed_is_told_in_a_box_owned_by_the_window) {
  open_with_station_files();
  // The box is not read-only: the operator may type a callsign into it.
  window.retype(ctl::receiving, "QR3ABC Z");
  QTest::keyClick(window.box(ctl::receiving), Qt::Key_A, Qt::ControlModifier);
  window.click(ctl::call_back);
  EXPECT_EQ(window.text(ctl::callback_callsign), "QR3ABC Z");
  ASSERT_EQ(answerer.boxes().size(), 1u);
  EXPECT_EQ(answerer.boxes()[0].text, "DV adapter port has been closed");
  EXPECT_EQ(answerer.boxes()[0].title, "ERROR");
  EXPECT_EQ(answerer.boxes()[0].owner, &window.dialog());
  EXPECT_EQ(answerer.boxes()[0].button_count, 1);
  EXPECT_TRUE(adapter.read_all(milliseconds(50)).empty());
}

TEST_F(WindowActions, tx_msg_sends_the_typed_text_with_its_line_break_in_four_frames) {
  open_with_station_files();
  start_link();
  QPlainTextEdit* sending = window.box(ctl::sending);
  QTest::mouseClick(sending->viewport(), Qt::LeftButton);
  QTest::keyClicks(sending, "HI");
  // Return in the box is a line break, not a press of START/STOP.
  QTest::keyClick(sending, Qt::Key_Return);
  QTest::keyClicks(sending, "QR3WMN DE QR3ABC and more");
  window.click(ctl::tx_msg);

  const Bytes head = {0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0xC1};
  const Bytes expected = head + Bytes{0x40} + bytes_of("HI\r\nQ") + Bytes{0xFD} + head +
                         Bytes{0x41} + bytes_of("R3WMN") + Bytes{0xFD} + head + Bytes{0x42} +
                         bytes_of(" DE Q") + Bytes{0xFD} + head + Bytes{0x43} + bytes_of("R3ABC") +
                         Bytes{0xFD};
  EXPECT_EQ(adapter.read_all(), expected);
  EXPECT_EQ(window.text(ctl::start_stop), "STOP");
  EXPECT_TRUE(adapter_open);
}

TEST_F(WindowActions,
       header_heard_while_a_callsign_is_selected_goes_below_and_call_back_still_routes) {
  open_with_station_files();
  start_link();
  adapter.write(header_report("QR3XYZ X"));
  ASSERT_TRUE(window.wait_for_text(ctl::receiving, heard_line("QR3XYZ X")));
  window.select_start_of_last_line(ctl::receiving, 8);
  QPlainTextEdit* box = window.box(ctl::receiving);
  ASSERT_EQ(box->textCursor().selectedText(), "QR3XYZ X");
  const int anchor = box->textCursor().anchor();
  const int caret = box->textCursor().position();

  // The operator is about to press Call back when the next stations are heard.
  adapter.write(header_report("QR3AAA A") + header_report("QR3BBB B"));
  ASSERT_TRUE(window.wait_for_text(
      ctl::receiving, heard_line("QR3XYZ X") + heard_line("QR3AAA A") + heard_line("QR3BBB B")));
  EXPECT_EQ(box->textCursor().anchor(), anchor);
  EXPECT_EQ(box->textCursor().position(), caret);

  window.click(ctl::call_back);
  EXPECT_EQ(window.text(ctl::callback_callsign), "QR3XYZ X");
  EXPECT_EQ(adapter.read_count(31), route_frame("QR3KTG G", "QR3KTA A", "QR3XYZ X"));
}

}  // namespace
