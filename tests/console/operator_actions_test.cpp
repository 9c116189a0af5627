#include <gtest/gtest.h>

#include <cstdio>

#include "adapter/link_state.h"
#include "settings/reflector_list.h"
#include "settings/station_settings.h"
#include "support/console_fixture.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

const std::string kHilltop430 = "JP1,Hilltop430(NI43),439310,-5000,QR3KTA A,QR3KTG G";
const std::string kHilltop1200 = "JP1,Hilltop1200(NI12),1291570,-20000,QR3KTA B,QR3KTG G";
const std::string kRiverside = "JP1,Riverside,434550,+600,QR3RVS A,None";

// Three header lines as the receive loop types them: each begins with CR LF.
const std::string kThreeHeardLines =
    "\r\nQR3AAA A CQCQCQ   QR3KTA A QR3KTG G"
    "\r\nQR3BBB B CQCQCQ   QR3KTA A QR3KTG G"
    "\r\nQR3XYZ X /QR3KTAB QR3KTA A QR3KTG G";

class OperatorActionsTest : public ConsoleTest {
 protected:
  void SetUp() override { open_window_with_station_files(); }
  void start_link() {
    press(ctl::start_stop);
    ASSERT_TRUE(adapter_open);
    adapter.read_all();
    radio.read_all();
  }
};

TEST_F(OperatorActionsTest, ChoosingAreaAndRepeatersWhileRunningSendsTheRoutes) {
  std::string reflectors = "REF001 C\nXRF757 A,Test\n";
  for (int i = 0; i < 63; ++i) reflectors += "REF064 A\n";  // one more than are offered
  dir.write_file("D-STAR_reflectors.txt", reflectors);
  read_reflector_list(view);
  start_link();
  double_click_entry(ctl::call_area, "JP1");
  EXPECT_TRUE(adapter.read_all(std::chrono::milliseconds(50)).empty());
  EXPECT_EQ(view.list(ctl::my_repeater),
            (std::vector<std::string>{kHilltop430, kHilltop1200, kRiverside}));

  double_click_entry(ctl::my_repeater, kHilltop430);
  EXPECT_EQ(adapter.read_count(31), route_frame("QR3KTG G", "QR3KTA A", "/QR3KTAB"));
  EXPECT_EQ(view.text(ctl::frequency), "439310");
  EXPECT_EQ(view.text(ctl::shift), "-5000");
  EXPECT_EQ(station.my_repeater_line.view(), kHilltop430);

  double_click_entry(ctl::his_repeater, kHilltop1200);
  EXPECT_EQ(adapter.read_count(31), route_frame("QR3KTG G", "QR3KTA A", "/QR3KTAB"));
  EXPECT_EQ(station.his_repeater_line.view(), kHilltop1200);

  double_click_entry(ctl::his_repeater, kHilltop430);
  EXPECT_EQ(adapter.read_count(31), route_frame("QR3KTG G", "QR3KTA A", "CQCQCQ  "));

  // The repeater's commands through the same gateway; only "Use reflector" is kept.
  const std::pair<std::string, std::string> entries[] = {
      {"Use reflector", "CQCQCQ  "},      {"Link REF001 C", "REF001CL"},
      {"Link XRF757 A Test", "XRF757AL"}, {"Unlink", "       U"},
      {"Echo test", "       E"},          {"Repeater info", "       I"}};
  for (const auto& [entry, ur] : entries) {
    double_click_entry(ctl::his_repeater, entry);
    EXPECT_EQ(adapter.read_count(31), route_frame("QR3KTG G", "QR3KTA A", ur)) << entry;
  }
  EXPECT_EQ(station.his_repeater.view(), "QR3KTA A");
  EXPECT_EQ(station.his_repeater_line.view(), kHilltop430);
  EXPECT_EQ(view.boxes(), (std::vector<RecordedBox>{{"Left out: every reflector after the first 64",
                                                     "D-STAR_reflectors.txt", BoxOwner::none}}));
}

TEST_F(OperatorActionsTest, RepeaterWithoutGatewayReachesOnlyItself) {
  start_link();
  double_click_entry(ctl::call_area, "JP1");
  double_click_entry(ctl::my_repeater, kRiverside);
  EXPECT_EQ(view.list(ctl::his_repeater), (std::vector<std::string>{kRiverside}));
  EXPECT_EQ(station.gateway.view(), "None    ");
  EXPECT_EQ(station.his_repeater_line.view(), kRiverside);
  EXPECT_EQ(adapter.read_count(31), route_frame("        ", "QR3RVS A", "CQCQCQ  "));
}

TEST_F(OperatorActionsTest, ListsActOnlyOnDoubleClickAndOnlyWithASelection) {
  view.select_list_entry(ctl::transceiver_model, 1);
  on_command(view, ctl::transceiver_model, CommandKind::other, pump);
  EXPECT_EQ(station.transceiver_model.view(), "FT-817");
  double_click(ctl::call_area, -1);
  EXPECT_EQ(station.call_area.view(), "JP1");
  double_click_entry(ctl::transceiver_model, "FT-897");
  EXPECT_EQ(station.transceiver_model.view(), "FT-897");
}

TEST_F(OperatorActionsTest, AreaChosenAfterStartUpListsEveryRepeaterOnce) {
  double_click_entry(ctl::call_area, "JP1");
  double_click_entry(ctl::call_area, "JP1");
  EXPECT_EQ(view.list(ctl::his_repeater).size(), 5u + 4u);  // the lines, then the commands
}

TEST_F(OperatorActionsTest, SecondAreaRemovesOnlyTheFirstEntryOfTheFirst) {
  double_click_entry(ctl::call_area, "JP1");
  double_click_entry(ctl::call_area, "JP2");
  EXPECT_EQ(view.list(ctl::my_repeater),
            (std::vector<std::string>{kHilltop1200, kRiverside,
                                      "JP2,Harbour430,439550,-5000,QR3HBR A,QR3HBR G "}));
  EXPECT_EQ(station.call_area.view(), "JP2");
}

TEST_F(OperatorActionsTest, SimplexEmptiesBothListsAndCallsCq) {
  double_click_entry(ctl::call_area, "JP1");
  double_click_entry(ctl::call_area, "Simplex");
  EXPECT_EQ(view.list(ctl::my_repeater),
            (std::vector<std::string>{"Simplex,Calling,433300,0,QR3SMP A,None"}));
  EXPECT_TRUE(view.list(ctl::his_repeater).empty());
  EXPECT_EQ(station.his_repeater.view(), "CQCQCQ  ");
  EXPECT_TRUE(is_simplex());
}

TEST_F(OperatorActionsTest, SimplexWithoutRepeaterListWarnsTwice) {
  std::remove("D-STAR_repeaters.txt");
  view.clear_boxes();
  double_click_entry(ctl::call_area, "Simplex");
  RecordedBox missing{"File could not open, ", "D-STAR_repeaters.txt", BoxOwner::none};
  EXPECT_EQ(view.boxes(), (std::vector<RecordedBox>{missing, missing}));
}

TEST_F(OperatorActionsTest, CallsignIsTakenFromTheSelectionOnly) {
  view.set_text(ctl::my_callsign, "QR3XYZ X");
  press(ctl::my_callsign);  // typing: nothing selected
  EXPECT_EQ(station.my_callsign.view(), "QR3WMN D");
  view.select_text(ctl::my_callsign, 0, 8);
  press(ctl::my_callsign);  // focus leaves for START with the text selected
  press(ctl::start_stop);
  Bytes expected = Bytes{0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0xC9, 0x00, 0xFD} +
                   Bytes{0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0x03} + bytes_of("QR3XYZ X  ") + Bytes{0xFD};
  EXPECT_EQ(adapter.read_count(expected.size()), expected);
}

TEST_F(OperatorActionsTest, StartSendsTheCallsignTheWindowShowsSelectedOrNot) {
  const struct {
    const char *callsign, *suffix, *sent_callsign, *sent_suffix;
  } cases[] = {
      {"DL9ZZZ", "F817", "DL9ZZZ  ", "F817"},
      {"DL9ZZZ ABCD", "Z9XYZ", "DL9ZZZ A", "Z9XY"},
      {"\r\nDL9,ZZZ\t", "F8,1", "DL9ZZZ  ", "F81 "},
      // A blank field keeps what is there: a blank callsign never reaches the air.
      {" \r\n  ", "", "QR3WMN D", "F817"},
  };
  for (const auto& c : cases) {
    reset_station_settings();
    view.set_text(ctl::my_callsign, c.callsign);
    view.set_text(ctl::my_suffix, c.suffix);
    press(ctl::start_stop);
    const Bytes expected =
        Bytes{0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0xC9, 0x00, 0xFD, 0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0x03} +
        bytes_of(std::string(c.sent_callsign) + "  \xFD\xFE\xFE\x01\x7F\x1D\xDC" + c.sent_suffix +
                 "\xFD");
    EXPECT_EQ(adapter.read_count(expected.size()), expected) << c.callsign;
    press(ctl::start_stop);
    adapter.read_all();
  }
}

TEST_F(OperatorActionsTest, SuffixSelectionIsCutToFourAndLineBreaksAreDropped) {
  view.set_text(ctl::my_suffix, "AB\r\nCDEF");
  view.select_text(ctl::my_suffix, 0, 8);
  press(ctl::my_suffix);
  EXPECT_EQ(station.my_suffix.view(), "ABCD");
  view.set_text(ctl::my_suffix, "Z");
  view.select_text(ctl::my_suffix, 0, 1);
  press(ctl::my_suffix);
  EXPECT_EQ(station.my_suffix.view(), "Z   ");
}

TEST_F(OperatorActionsTest, SelectedCallsignOrSuffixBecomesTheField) {
  struct Case {
    int edit;
    std::string typed;
    int start, end;
    std::string callsign, suffix;
  };
  const Case cases[] = {
      // A comma or tab would split the saved settings line and shift every later field.
      {ctl::my_suffix, "F,17", 0, 4, "QR3WMN D", "F17 "},
      {ctl::my_suffix, "\tF1\r\n7", 0, 6, "QR3WMN D", "F17 "},
      {ctl::my_callsign, "QR3,WMN\tD", 0, 9, "QR3WMND ", "F817"},
      {ctl::my_callsign, "QR3WMN,D", 6, 8, "D       ", "F817"},
      // A callsign kept on a later line of the box is taken as selected.
      {ctl::my_callsign, "QR3WMN D\r\nQR3XYZ X", 10, 18, "QR3XYZ X", "F817"},
      {ctl::my_callsign, "QR3WMN D\r\n\r\nQR1ABC A", 12, 20, "QR1ABC A", "F817"},
      {ctl::my_suffix, "F817\r\nZ9", 6, 8, "QR3WMN D", "Z9  "},
      // A blank selection is no callsign and keeps the one there; many stations have no suffix.
      {ctl::my_callsign, "        ", 0, 8, "QR3WMN D", "F817"},
      {ctl::my_callsign, " \t\r\n \t", 0, 6, "QR3WMN D", "F817"},
      {ctl::my_callsign, "QR3XYZ X\r\n  ", 8, 12, "QR3WMN D", "F817"},
      {ctl::my_suffix, "  \t ", 0, 4, "QR3WMN D", "    "},
  };
  for (const Case& c : cases) {
    reset_station_settings();
    view.set_text(c.edit, c.typed);
    view.select_text(c.edit, c.start, c.end);
    press(c.edit);
    EXPECT_EQ(station.my_callsign.view(), c.callsign) << c.typed;
    EXPECT_EQ(station.my_suffix.view(), c.suffix) << c.typed;
  }
}

TEST_F(OperatorActionsTest, CallBackRoutesToTheSelectedStation) {
  start_link();
  view.set_text(ctl::receiving, kThreeHeardLines);
  int my_of_third_line = 2 + 37 * 2;
  view.select_text(ctl::receiving, my_of_third_line, my_of_third_line + 8);
  press(ctl::call_back);
  EXPECT_EQ(view.text(ctl::callback_callsign), "QR3XYZ X");
  EXPECT_EQ(adapter.read_count(31), route_frame("QR3KTG G", "QR3KTA A", "QR3XYZ X"));
  EXPECT_TRUE(view.boxes().empty());
}

TEST_F(OperatorActionsTest, CallBackSelectionAcrossALineBreakDropsIt) {
  start_link();
  view.set_text(ctl::receiving, kThreeHeardLines);
  // "G" at the end of the first line, the line break, then "QR3BBB".
  view.select_text(ctl::receiving, 36, 45);
  press(ctl::call_back);
  EXPECT_EQ(station.callback_callsign.view(), "GQR3BBB ");
}

TEST_F(OperatorActionsTest, CallBackReachesLinesFarDownTheBox) {
  start_link();
  std::string box = kThreeHeardLines + kThreeHeardLines;
  view.set_text(ctl::receiving, box);
  int fifth_line = 2 + 37 * 4;
  view.select_text(ctl::receiving, fifth_line, fifth_line + 8);
  press(ctl::call_back);
  EXPECT_EQ(station.callback_callsign.view(), "QR3BBB B");
  EXPECT_EQ(adapter.read_count(31), route_frame("QR3KTG G", "QR3KTA A", "QR3BBB B"));
}

TEST_F(OperatorActionsTest, CallBackWithNothingSelectedChangesNothing) {
  start_link();
  view.set_text(ctl::receiving, kThreeHeardLines);
  view.place_caret(ctl::receiving, 10);
  press(ctl::call_back);
  EXPECT_EQ(station.callback_callsign.view(), "QR3WMN B");
  EXPECT_EQ(view.set_text_count(ctl::callback_callsign), 0);
  EXPECT_TRUE(adapter.read_all(std::chrono::milliseconds(50)).empty());
}

TEST_F(OperatorActionsTest, CallBackWithTheLinkClosedTellsTheOperator) {
  view.set_text(ctl::receiving, kThreeHeardLines);
  view.select_text(ctl::receiving, 2, 10);
  press(ctl::call_back);
  EXPECT_EQ(view.text(ctl::callback_callsign), "QR3AAA A");
  EXPECT_EQ(
      view.boxes(),
      (std::vector<RecordedBox>{{"DV adapter port has been closed", "ERROR", BoxOwner::window}}));
}

TEST_F(OperatorActionsTest, ShortMessageSendsTheFirstTwentyCharacters) {
  start_link();
  view.set_text(ctl::sending, "HELLO FROM QR3WMN DE QR3");
  press(ctl::tx_msg);
  Bytes head = {0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0xC1};
  Bytes expected = head + Bytes{0x40} + bytes_of("HELLO") + Bytes{0xFD} + head + Bytes{0x41} +
                   bytes_of(" FROM") + Bytes{0xFD} + head + Bytes{0x42} + bytes_of(" QR3W") +
                   Bytes{0xFD} + head + Bytes{0x43} + bytes_of("MN DE") + Bytes{0xFD};
  EXPECT_EQ(adapter.read_count(expected.size()), expected);
}

}  // namespace
