// From a published table to the air: import a CSV, pick its area and repeaters, START.

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "adapter/link_state.h"
#include "support/console_fixture.h"
#include "support/message_box_answerer.h"
#include "support/offscreen_qt_app.h"
#include "support/real_console_window.h"
#include "support/repeaters_program.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

using ImportedList = ConsoleTest;

TEST_F(ImportedList, an_imported_area_and_repeater_reach_the_adapter_and_the_radio) {
  MessageBoxAnswerer answerer;
  RealConsoleWindow window;
  write_station_files();
  std::ifstream csv(KESTREL8_FICTIONAL_CSV, std::ios::binary);
  dir.write_file("table.csv", {std::istreambuf_iterator<char>(csv), {}});
  const ProgramRun run = run_repeaters_program("import table.csv");
  ASSERT_EQ(run.exit_status, 0) << run.output;

  ASSERT_TRUE(window.open());
  EXPECT_TRUE(answerer.boxes().empty());
  const std::vector<std::string> areas = window.entries(ctl::call_area);
  EXPECT_EQ(std::vector<std::string>(areas.end() - 4, areas.end()),
            (std::vector<std::string>{"Lazio", "New Bru", "QR5", "Campani"}));
  EXPECT_EQ(areas.size(), 17u);

  ASSERT_TRUE(window.double_click_entry(ctl::call_area, "Lazio"));
  EXPECT_EQ(window.entries(ctl::my_repeater),
            (std::vector<std::string>{"Lazio,Hill Top,430437.5,-5000,QR0HTP B,QR0HTP G",
                                      "Lazio,Harbour West Pier,1297450,-20000,QR0HBR A,QR0HBR G",
                                      "Lazio,Old Town,145290,-600,QR0OTN C,None"}));
  ASSERT_TRUE(window.double_click_entry(ctl::my_repeater,
                                        "Lazio,Hill Top,430437.5,-5000,QR0HTP B,QR0HTP G"));
  ASSERT_TRUE(
      window.double_click_entry(ctl::his_repeater, "Lazio,Old Town,145290,-600,QR0OTN C,None"));
  EXPECT_EQ(window.text(ctl::frequency), "430437.5");

  window.click(ctl::start_stop);
  ASSERT_TRUE(adapter_open);
  const Bytes configuration = start_frames("QR0HTP G", "QR0HTP B", "/QR0OTNC");
  EXPECT_EQ(adapter.read_count(configuration.size()), configuration);
  // 430.43750 MHz, offset 5 MHz, minus, packet mode.
  const Bytes tuning = Bytes{0x43, 0x04, 0x37, 0x50, 0x01} + Bytes{0x00, 0x50, 0x00, 0x00, 0xF9} +
                       Bytes{0x09, 0x00, 0x00, 0x00, 0x09} + Bytes{0x0C, 0x6D, 0x6D, 0x6D, 0x07};
  EXPECT_EQ(radio.read_count(tuning.size()), tuning);
  window.click(ctl::exit_button);
}

}  // namespace
