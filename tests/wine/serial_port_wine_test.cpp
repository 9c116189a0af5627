// The Windows serial port under Wine, against pseudo-terminals this test
// owns: Wine's COMn is a link to the terminal's near end, the test holds the
// far end and sees exactly what a device on the port would.

#include <gtest/gtest.h>
#include <termios.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/pty_device.h"
#include "wine/wine_run.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

bool has_line(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::string joined(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& line : lines) out += line + "\n";
  return out;
}

class SerialPortWineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(wine_ready()) << "WINEPREFIX must name a prefix; run make test-windows";
  }

  PtyDevice adapter;
  PtyDevice radio;
  WineComLink com7{7, adapter.near_path()};
  WineComLink com8{8, radio.near_path()};
};

TEST_F(SerialPortWineTest, BytesReachTheDeviceUnchangedAt9600WithTheStopBitsOfItsPort) {
  struct Case {
    const char* open_step;
    const char* write_step;
    PtyDevice& device;
    bool two_stop_bits;
  } cases[] = {
      {"open-adapter", "write-adapter", adapter, false},
      {"open-trx", "write-trx", radio, true},
  };
  for (const Case& c : cases) {
    // INIT, then bytes a terminal would like to eat: CR, LF, XON, XOFF, 0xFF.
    const auto lines = run_under_wine("tests/win32/serial_port_probe.exe",
                                      {c.open_step, c.open_step[5] == 'a' ? "7" : "8", c.write_step,
                                       "FEFE017F1DC900FD0A0D1113FF"});
    EXPECT_TRUE(has_line(lines, "wrote 13")) << joined(lines);
    EXPECT_EQ(c.device.read_count(13),
              (Bytes{0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0xC9, 0x00, 0xFD, 0x0A, 0x0D, 0x11, 0x13, 0xFF}))
        << c.open_step;
    termios tio{};
    ASSERT_EQ(tcgetattr(c.device.far_fd(), &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), B9600) << c.open_step;
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8)) << c.open_step;
    EXPECT_EQ((tio.c_cflag & CSTOPB) != 0, c.two_stop_bits) << c.open_step;
    EXPECT_EQ(tio.c_cflag & (PARENB | CRTSCTS), 0u) << c.open_step;
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF), 0u) << c.open_step;
  }
}

TEST_F(SerialPortWineTest,
       AdapterReportsAreReadByteByByteAndAnIdlePortAnswersWithinItsReadTimeoutOrWhenWoken) {
  adapter.write(Bytes{0xFE, 0xFE, 0x7F, 0x01, 0x1D, 0x00, 0x00, 0x00, 0x01, 0xFD});
  const auto lines = run_under_wine(
      "tests/win32/serial_port_probe.exe",
      {"open-adapter", "7", "read-adapter", "10", "3000", "idle-read", "woken-read"});
  EXPECT_TRUE(has_line(lines, "read FEFE7F011D00000001FD")) << joined(lines);
  // "idle-read min M median D max X": an empty read waits out its 10 ms
  // (no spinning) and no longer than a loaded machine may stretch it.
  const auto idle = std::find_if(lines.begin(), lines.end(),
                                 [](const std::string& l) { return l.rfind("idle-read", 0) == 0; });
  ASSERT_NE(idle, lines.end()) << joined(lines);
  double min_ms = 0, median_ms = 0, max_ms = 0;
  ASSERT_EQ(std::sscanf(idle->c_str(), "idle-read min %lf median %lf max %lf", &min_ms, &median_ms,
                        &max_ms),
            3);
  EXPECT_GE(min_ms, 9.0) << *idle;
  EXPECT_LT(median_ms, 100.0) << *idle;
  // A silent adapter is waited on until STOP wakes the reader (after 50 ms
  // here), not until the 5 s limit of the wait.
  const auto woken = std::find_if(lines.begin(), lines.end(), [](const std::string& l) {
    return l.rfind("woken-read", 0) == 0;
  });
  ASSERT_NE(woken, lines.end()) << joined(lines);
  EXPECT_LT(std::atoi(woken->c_str() + 11), 2000) << *woken;
}

TEST_F(SerialPortWineTest, PortsThatDoNotOpenShowTheirBoxesAndClearTheirFlags) {
  // COM5 and COM6 lead nowhere; "x" parses no number and reuses the last one.
  const auto lines =
      run_under_wine("tests/win32/serial_port_probe.exe",
                     {"open-adapter", "5", "open-trx", "6", "open-adapter", "x", "open-trx", "0"});
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "box COM port could not open for DV adapter | COM5", "adapter_open 0",
                       "box COM6 | TRX COM port error", "transceiver_active 0",
                       "box COM port could not open for DV adapter | COM6", "adapter_open 0",
                       "box COM0 | TRX COM port error", "transceiver_active 0"}));
}

TEST_F(SerialPortWineTest, ADeviceThatStopsTakingBytesHoldsAWriteForAboutOneSecondOnly) {
  // Nobody reads the far end: the terminal's buffer fills and stays full.
  const auto lines = run_under_wine("tests/win32/serial_port_probe.exe",
                                    {"open-adapter", "7", "write-timed", "200000"});
  const auto timed = std::find_if(lines.begin(), lines.end(), [](const std::string& l) {
    return l.rfind("write-timed", 0) == 0;
  });
  ASSERT_NE(timed, lines.end()) << joined(lines);
  const int ms = std::atoi(timed->c_str() + 12);
  // The promise is one second; the bound is generous for a loaded machine.
  EXPECT_GE(ms, 900) << *timed;
  EXPECT_LT(ms, 5000) << *timed;
}

}  // namespace
