#include "adapter/link_state.h"

#include <gtest/gtest.h>

#include "support/pty_device.h"
#include "support/station_fixture.h"

namespace {

using LinkStateTest = StationTest;

TEST_F(LinkStateTest, AdapterOpensOnTheNumberedPort) {
  PtyDevice com12(12);
  open_adapter_port(view, "12");
  EXPECT_TRUE(adapter_open);
  EXPECT_TRUE(adapter_port_handle.is_open());
  EXPECT_TRUE(view.boxes().empty());
  close_adapter_link();
  EXPECT_FALSE(adapter_open);
  EXPECT_FALSE(adapter_port_handle.is_open());
}

TEST_F(LinkStateTest, AdapterPortThatCannotOpenIsReportedByItsComName) {
  struct Case {
    std::string text;
    std::string caption;
  } cases[] = {{"x", "COM0"}, {"-3", "COM-3"}, {"9", "COM9"}};
  for (const auto& c : cases) {
    port_number = 0;
    view.clear_boxes();
    open_adapter_port(view, c.text);
    EXPECT_FALSE(adapter_open);
    EXPECT_EQ(view.boxes(), (std::vector<RecordedBox>{
                                {"COM port could not open for DV adapter", c.caption, BoxOwner::none}}));
  }
}

TEST_F(LinkStateTest, AdapterPortHeldElsewhereIsRefused) {
  PtyDevice com7(7);
  SerialPort other = SerialPort::open("COM7", StopBits::one);
  ASSERT_TRUE(other.is_open());
  open_adapter_port(view, "7");
  EXPECT_FALSE(adapter_open);
  EXPECT_EQ(view.boxes(), (std::vector<RecordedBox>{
                              {"COM port could not open for DV adapter", "COM7", BoxOwner::none}}));
}

TEST_F(LinkStateTest, TransceiverReusesTheAdaptersNumberWhenItsTextHasNone) {
  PtyDevice com7(7);
  open_adapter_port(view, "7");
  ASSERT_TRUE(adapter_open);
  transceiver_active = true;
  open_transceiver_port(view, "x");
  EXPECT_FALSE(transceiver_active);
  EXPECT_EQ(view.boxes(), (std::vector<RecordedBox>{{"COM7", "TRX COM port error", BoxOwner::none}}));
}

TEST_F(LinkStateTest, TransceiverOpenSetsActiveAndCloseAlwaysReleasesThePort) {
  PtyDevice com8(8);
  open_transceiver_port(view, "8");
  EXPECT_TRUE(transceiver_active);
  transceiver_active = false;  // as after a refused tuning
  close_transceiver_link();
  EXPECT_FALSE(transceiver_port_handle.is_open());
  close_transceiver_link();
  open_transceiver_port(view, "8");
  EXPECT_TRUE(transceiver_active);
  EXPECT_TRUE(view.boxes().empty());
}

}  // namespace
