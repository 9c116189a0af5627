// The Windows serial port under Wine: Wine's COMn leads to the near end of a
// pseudo-terminal this test owns, and the far end sees what a device would.

#include <gtest/gtest.h>
#include <termios.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "support/pty_device.h"
#include "wine/wine_run.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;
using namespace std::chrono_literals;

const Bytes kInit = {0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0xC9, 0x00, 0xFD};

// Context switches so far of each thread of a process, by thread id.
std::map<std::string, long> switches_by_thread(int pid) {
  std::map<std::string, long> out;
  for (const auto& task :
       std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/task")) {
    std::ifstream status(task.path() / "status");
    for (std::string word; status >> word;) {
      if (word.ends_with("ctxt_switches:") && status >> word)
        out[task.path().filename()] += std::stol(word);
    }
  }
  return out;
}

class SerialPortWineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(wine_ready()) << "WINEPREFIX must name a prefix; run make test-windows";
  }

  Lines probe(const Lines& steps) {
    lines = run_under_wine("tests/win32/serial_port_probe.exe", steps);
    return lines;
  }

  // The rest of the probe's line that starts with `step` and a space; "" when none does.
  std::string after(const std::string& step) const {
    for (const auto& line : lines) {
      if (line.rfind(step + " ", 0) == 0) return line.substr(step.size() + 1);
    }
    ADD_FAILURE() << "no " << step << " line in:\n" << testing::PrintToString(lines);
    return "";
  }

  PtyDevice adapter;
  PtyDevice radio;
  WineComLink com7{7, adapter.near_path()};
  WineComLink com8{8, radio.near_path()};
  Lines lines;
};

TEST_F(SerialPortWineTest, BytesReachTheDeviceUnchangedAt9600WithTheStopBitsOfItsPort) {
  struct Case {
    const char* open_step;
    const char* port;
    const char* write_step;
    PtyDevice& device;
    bool two_stop_bits;
  } cases[] = {
      {"open-adapter", "7", "write-adapter", adapter, false},
      {"open-trx", "8", "write-trx", radio, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.open_step);
    // INIT, then bytes a terminal would like to eat: LF, CR, XON, XOFF, 0xFF.
    probe({c.open_step, c.port, c.write_step, "FEFE017F1DC900FD0A0D1113FF"});
    EXPECT_EQ(after("wrote"), "13");
    EXPECT_EQ(c.device.read_count(13), (Bytes{0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0xC9, 0x00, 0xFD, 0x0A,
                                              0x0D, 0x11, 0x13, 0xFF}));
    termios tio{};
    ASSERT_EQ(tcgetattr(c.device.far_fd(), &tio), 0);
    EXPECT_EQ(cfgetospeed(&tio), B9600);
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ((tio.c_cflag & CSTOPB) != 0, c.two_stop_bits);
    EXPECT_EQ(tio.c_cflag & (PARENB | CRTSCTS), 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF), 0u);
  }
}

TEST_F(SerialPortWineTest,
       AdapterReportsAreReadByteByByteAndAnIdlePortAnswersWithinItsReadTimeoutOrWhenWoken) {
  adapter.write(Bytes{0xFE, 0xFE, 0x7F, 0x01, 0x1D, 0x00, 0x00, 0x00, 0x01, 0xFD});
  probe({"open-adapter", "7", "read-adapter", "10", "3000", "idle-read", "woken-read"});
  EXPECT_EQ(after("read"), "FEFE7F011D00000001FD");
  // An empty read waits out its 10 ms (no spinning), and no longer than a
  // loaded machine may stretch it.
  double min_ms = 0, median_ms = 0;
  EXPECT_EQ(std::sscanf(after("idle-read").c_str(), "%lf %lf", &min_ms, &median_ms), 2);
  EXPECT_GE(min_ms, 9.0);
  EXPECT_LT(median_ms, 100.0);
  // STOP wakes a reader of a silent adapter after 50 ms, long before its 5 s limit.
  EXPECT_LT(std::atoi(after("woken-read").c_str()), 2000);
}

TEST_F(SerialPortWineTest, PortsThatDoNotOpenShowTheirBoxesAndClearTheirFlags) {
  // COM5 and COM6 lead nowhere; "x" parses no number and reuses the last one.
  EXPECT_EQ(probe({"open-adapter", "5", "open-trx", "6", "open-adapter", "x", "open-trx", "0"}),
            (Lines{"kestrel8: COM5: COM port could not open for DV adapter", "adapter_open 0",
                   "kestrel8: TRX COM port error: COM6", "transceiver_active 0",
                   "kestrel8: COM6: COM port could not open for DV adapter", "adapter_open 0",
                   "kestrel8: TRX COM port error: COM0", "transceiver_active 0"}));
}

TEST_F(SerialPortWineTest, ADeviceThatStopsTakingBytesHoldsAWriteForAboutOneSecondOnly) {
  // Nobody reads the far end: the terminal's buffer fills and stays full.
  probe({"open-adapter", "7", "write-timed", "200000"});
  const int ms = std::atoi(after("write-timed").c_str());
  // The promise is one second; the bound is generous for a loaded machine.
  EXPECT_GE(ms, 900);
  EXPECT_LT(ms, 5000);
}

TEST_F(SerialPortWineTest, WindowsErrorsThatMeanTheAdapterHasGone) {
  probe({"gone-errors"});
  EXPECT_EQ(lines, (Lines{"gone-error 1167 1",  // ERROR_DEVICE_NOT_CONNECTED
                          "gone-error 22 1",    // ERROR_BAD_COMMAND
                          "gone-error 5 1",     // ERROR_ACCESS_DENIED
                          "gone-error 995 1",   // ERROR_OPERATION_ABORTED
                          "gone-error 31 1",    // ERROR_GEN_FAILURE
                          "gone-error 2 1",     // ERROR_FILE_NOT_FOUND
                          "gone-error 109 1",   // ERROR_BROKEN_PIPE: a hung-up terminal under Wine
                          "gone-error 997 0",   // ERROR_IO_PENDING
                          "gone-error 121 0",   // ERROR_SEM_TIMEOUT
                          "gone-error 87 0",    // ERROR_INVALID_PARAMETER
                          "gone-error 6 0",     // ERROR_INVALID_HANDLE
                          "gone-error 1121 0"}));  // ERROR_COUNTER_TIMEOUT
}

TEST_F(SerialPortWineTest, IdleLinkStartsNoThreadsAndAnUnpluggedAdapterIsOpenedAgainOnReturn) {
  WineProgram program("tests/win32/serial_port_probe.exe",
                      {"open-adapter", "7", "lost-and-back", "40000"});
  ASSERT_TRUE(program.wait_for_line("receiving", 30s)) << testing::PrintToString(program.lines());
  EXPECT_EQ(adapter.read_count(kInit.size()), kInit);
  std::this_thread::sleep_for(1s);  // the loop settles into its wait
  const auto before = switches_by_thread(program.pid());
  auto seen = before;  // a thread that lives a moment is still counted
  for (int sample = 0; sample < 1000; ++sample, std::this_thread::sleep_for(5ms)) {
    for (const auto& [tid, n] : switches_by_thread(program.pid())) seen[tid] = n;
  }
  long switches = 0;
  for (const auto& [tid, n] : seen) switches += n - (before.count(tid) ? before.at(tid) : 0);
  std::printf("idle link under Wine: %ld context switches in 5 s, %zu threads started\n", switches,
              seen.size() - before.size());
  // Waiting for a byte must not start a thread each time, as WaitCommEvent does under Wine.
  EXPECT_EQ(seen.size(), before.size());

  adapter.close_far_end();
  EXPECT_TRUE(program.wait_for_line("response LOST", 10s))
      << testing::PrintToString(program.lines());
  PtyDevice replugged;
  WineComLink again(7, replugged.near_path());
  EXPECT_EQ(replugged.read_count(kInit.size(), 10s), kInit) << "the remembered INIT, sent again";
  EXPECT_TRUE(program.wait_for_line("response    ", 10s));
  EXPECT_EQ(program.wait_for_exit(30s), 0);
}

}  // namespace
