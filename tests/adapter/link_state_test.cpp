#include "adapter/link_state.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>

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
    EXPECT_EQ(view.boxes(), (std::vector<RecordedBox>{{"COM port could not open for DV adapter",
                                                       c.caption, BoxOwner::none}}));
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
  EXPECT_EQ(view.boxes(),
            (std::vector<RecordedBox>{{"COM7", "TRX COM port error", BoxOwner::none}}));
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

TEST_F(LinkStateTest, ComLinkToAnythingButASerialDeviceIsRefusedAndNothingIsWritten) {
  const std::string radio_log = "1\n2\n3\n4\n5\n6\n7\n8\n9\n10\n11\n12\n";
  dir.write_file("radio_log.txt", radio_log);
  dir.write_file("notes.txt", "");
  ASSERT_EQ(mkfifo((dir.path() + "/fifo").c_str(), 0600), 0);
  // Held open for reading, so anything written into the pipe would stay there.
  const int fifo_reader = ::open((dir.path() + "/fifo").c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(fifo_reader, 0);
  const std::string targets[] = {"radio_log.txt", "notes.txt", "fifo",         "/dev/null",
                                 "/dev/zero",     "/dev/ptmx", "/dev/pts/ptmx"};
  const std::uint8_t frame[] = {0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0xC9, 0x00, 0xFD};

  for (const std::string& target : targets) {
    SCOPED_TRACE(target);
    ::unlink("COM7");
    ASSERT_EQ(::symlink(target.c_str(), "COM7"), 0);
    view.clear_boxes();

    open_adapter_port(view, "7");
    EXPECT_FALSE(adapter_open);
    EXPECT_FALSE(adapter_port_handle.is_open());
    write_bytes(adapter_port_handle, frame, sizeof frame);

    transceiver_active = true;
    open_transceiver_port(view, "7");
    EXPECT_FALSE(transceiver_active);
    EXPECT_FALSE(transceiver_port_handle.is_open());
    write_bytes(transceiver_port_handle, frame, sizeof frame);

    EXPECT_EQ(view.boxes(), (std::vector<RecordedBox>{
                                {"COM port could not open for DV adapter", "COM7", BoxOwner::none},
                                {"COM7", "TRX COM port error", BoxOwner::none}}));
    close_adapter_link();
    close_transceiver_link();
  }
  EXPECT_EQ(dir.read_file("radio_log.txt"), radio_log);
  EXPECT_EQ(dir.read_file("notes.txt"), "");
  char byte = 0;
  EXPECT_LE(::read(fifo_reader, &byte, 1), 0);
  ::close(fifo_reader);
}

}  // namespace
