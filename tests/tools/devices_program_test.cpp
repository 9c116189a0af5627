// kestrel8-devices as the console meets it: a separate process with COM7 and
// COM8 links in the working folder, opened, written, closed and reopened
// like the console does, and stopped with SIGTERM.

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <string>
#include <thread>
#include <vector>

#include "support/devices_process.h"
#include "support/temp_workdir.h"

namespace {

using Bytes = std::vector<unsigned char>;
using namespace std::chrono_literals;

Bytes frame(std::initializer_list<unsigned char> head, const std::string& text = "",
            bool end = true) {
  Bytes out(head);
  out.insert(out.end(), text.begin(), text.end());
  if (end) out.push_back(0xFD);
  return out;
}

Bytes status_answer(unsigned char code) {
  return {0xFE, 0xFE, 0x7F, 0x01, 0x1D, 0x00, 0x00, 0x00, code, 0xFD};
}

bool exists(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0;
}

class DevicesProgramTest : public ::testing::Test {
 protected:
  std::string com(int n) const { return dir.path() + "/COM" + std::to_string(n); }

  std::vector<std::string> args(std::vector<std::string> extra) const {
    std::vector<std::string> all = {"--dir", dir.path(), "--every", "0"};
    all.insert(all.end(), extra.begin(), extra.end());
    return all;
  }

  TempWorkdir dir;
};

TEST_F(DevicesProgramTest, RouteGetsItsStatusAcrossReopensAndTheLinksGoAtSigterm) {
  dir.write_file("D-STAR_repeaters.txt",
                 "// test list\nJP1,Hilltop430(NI43),439310,-5000,QR3KTA A,QR3KTG G\n"
                 "JP1,Hilltop1200,1291570,-20000,QR3KTA B,QR3KTG G\n");
  DevicesProcess devices(KESTREL8_DEVICES_PROGRAM, args({"--repeaters", "D-STAR_repeaters.txt"}));
  ASSERT_TRUE(devices.wait_for_line("ready"));
  ASSERT_TRUE(exists(com(7)) && exists(com(8)));

  int adapter = open_port_like_console(com(7));
  ASSERT_GE(adapter, 0);
  EXPECT_TRUE(devices.wait_for_line("COM7 opened by the console"));
  write_port(adapter, frame({0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0x05}, "QR3KTG GQR3KTA A/QR3KTZB"));
  EXPECT_EQ(read_port(adapter, 10), status_answer(0x02));
  EXPECT_TRUE(
      devices.wait_for_line("DV  ROUTE RPT2=\"QR3KTG G\" RPT1=\"QR3KTA A\" UR=\"/QR3KTZB\""));
  EXPECT_TRUE(devices.wait_for_line("DV  -> STATUS 2 UR?"));

  // STOP, then START again: the port opens again and answers again.
  close_port_like_console(adapter);
  EXPECT_TRUE(devices.wait_for_line("COM7 closed"));
  adapter = open_port_like_console(com(7));
  ASSERT_GE(adapter, 0);
  write_port(adapter, frame({0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0x05}, "QR3KTG G        /QR3KTAB"));
  EXPECT_EQ(read_port(adapter, 10), status_answer(0x01));
  write_port(adapter, frame({0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0x05}, "QR3KTG GQR3KTA A/QR3KTAB"));
  EXPECT_EQ(read_port(adapter, 10), status_answer(0x00));
  close_port_like_console(adapter);

  const int radio = open_port_like_console(com(8));
  ASSERT_GE(radio, 0);
  write_port(radio, {0x43, 0x93, 0x10, 0x00, 0x01, 0x00, 0x50, 0x00, 0x00, 0xF9});
  EXPECT_TRUE(devices.wait_for_line("TRX frequency 439.310 MHz"));
  EXPECT_TRUE(devices.wait_for_line("TRX offset 5.000 MHz"));
  EXPECT_TRUE(devices.wait_for_line("TRX radio 439.310 MHz, shift ?, mode ?"));
  close_port_like_console(radio);

  EXPECT_EQ(devices.stop(), 0);
  EXPECT_FALSE(exists(com(7)));
  EXPECT_FALSE(exists(com(8)));
}

TEST_F(DevicesProgramTest, ScriptedHeaderFollowsEachInitWhileTheConsoleHoldsThePort) {
  dir.write_file("headers.txt", "// one caller\n0.2,QR3XYZ X,CQCQCQ,QR3KTA A,QR3KTG G\n");
  DevicesProcess devices(KESTREL8_DEVICES_PROGRAM,
                         args({"--script", "headers.txt", "--script-after-init", "--dv-port", "3",
                               "--trx-port", "4"}));
  ASSERT_TRUE(devices.wait_for_line("ready"));
  const Bytes header =
      frame({0xFE, 0xFE, 0x7F, 0x01, 0x1D, 0x04}, "QR3KTG GQR3KTA ACQCQCQ  QR3XYZ X");
  for (int start = 0; start < 2; ++start) {
    const int adapter = open_port_like_console(com(3));
    ASSERT_GE(adapter, 0);
    write_port(adapter, frame({0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0xC9, 0x00}));
    EXPECT_EQ(read_port(adapter, header.size()), header) << "START " << start + 1;
    close_port_like_console(adapter);
    ASSERT_TRUE(devices.wait_for_count("COM3 closed", start + 1));
  }
  const std::string header_line =
      "-> HEADER MY=\"QR3XYZ X\" UR=\"CQCQCQ  \" RPT1=\"QR3KTA A\" RPT2=\"QR3KTG G\" (script)";
  EXPECT_TRUE(devices.wait_for_count(header_line, 2));
  EXPECT_EQ(devices.count_lines("DV  INIT"), 2u);
  EXPECT_EQ(devices.count_lines(header_line), 2u);
}

TEST_F(DevicesProgramTest, HeaderDueWhileNobodyListensIsNotQueuedForTheNextOpen) {
  dir.write_file("headers.txt", "0.1,QR3XYZ X,CQCQCQ,QR3KTA A,QR3KTG G\n");
  DevicesProcess devices(KESTREL8_DEVICES_PROGRAM, args({"--script", "headers.txt"}));
  EXPECT_TRUE(devices.wait_for_line("not sent: " + com(7) + " is not open"));
  const int adapter = open_port_like_console(com(7));
  ASSERT_GE(adapter, 0);
  EXPECT_TRUE(read_port(adapter, 1, 300ms).empty());
  close_port_like_console(adapter);
}

TEST_F(DevicesProgramTest, AdapterUnpluggedHangsUpAndGoesThenComesBackUnderItsNameOnTimeOrSignal) {
  DevicesProcess devices(KESTREL8_DEVICES_PROGRAM,
                         args({"--unplug-after", "0.2", "--replug-after", "0.2"}));
  ASSERT_TRUE(devices.wait_for_line("ready"));
  const int adapter = open_port_like_console(com(7));
  ASSERT_GE(adapter, 0);
  ASSERT_TRUE(devices.wait_for_line("adapter unplugged"));
  EXPECT_FALSE(exists(com(7)));
  pollfd pfd{adapter, POLLIN, 0};
  EXPECT_EQ(poll(&pfd, 1, 1000), 1);
  EXPECT_TRUE(pfd.revents & POLLHUP) << "the console must see a hang-up";
  close_port_like_console(adapter);
  ASSERT_TRUE(devices.wait_for_line("adapter plugged in again on " + com(7)));
  const int again = open_port_like_console(com(7));
  EXPECT_GE(again, 0);
  close_port_like_console(again);
  devices.send_signal(SIGUSR1);  // by hand
  EXPECT_TRUE(devices.wait_for_count("adapter unplugged", 2));
}

TEST_F(DevicesProgramTest, LinkToARealDeviceIsNeverReplaced) {
  ASSERT_EQ(symlink("/dev/null", com(7).c_str()), 0);
  DevicesProcess devices(KESTREL8_DEVICES_PROGRAM, args({}));
  EXPECT_EQ(devices.wait_for_exit(), 1);
  EXPECT_TRUE(devices.wait_for_line("COM7 already exists"));
  char target[64] = {};
  ASSERT_GT(readlink(com(7).c_str(), target, sizeof target - 1), 0);
  EXPECT_STREQ(target, "/dev/null");
  EXPECT_FALSE(exists(com(8)));
}

TEST_F(DevicesProgramTest, LinkLeftByAKilledRunIsReplaced) {
  ASSERT_EQ(symlink("/dev/pts/999999", com(8).c_str()), 0);
  DevicesProcess devices(KESTREL8_DEVICES_PROGRAM, args({}));
  ASSERT_TRUE(devices.wait_for_line("ready"));
  const int radio = open_port_like_console(com(8));
  EXPECT_GE(radio, 0);
  close_port_like_console(radio);
  EXPECT_EQ(devices.stop(), 0);
  EXPECT_FALSE(exists(com(8)));
}

TEST_F(DevicesProgramTest, BadOptionsAreRefusedWithUsage) {
  DevicesProcess devices(KESTREL8_DEVICES_PROGRAM, {"--dv-port", "x"});
  EXPECT_EQ(devices.wait_for_exit(), 2);
  EXPECT_TRUE(devices.wait_for_line("--dv-port needs a port number from 1 to 999, not \"x\""));
  EXPECT_TRUE(devices.wait_for_line("usage: kestrel8-devices"));
}

// An endless or huge script would be read until memory runs out; one at the limit still plays.
TEST_F(DevicesProgramTest, ScriptThatIsNoShortTextFileIsRefused) {
  dir.write_file("huge.txt", std::string(1024 * 1024 + 1, '\n'));
  dir.write_file("long_line.txt",
                 "0.1,QR3XYZ X,CQCQCQ,QR3KTA A,QR3KTG G\n# " + std::string(600, 'x') + "\n");
  dir.write_file("at_limit.txt", std::string(1024 * 1024, '\n'));
  const struct {
    std::string script;
    std::string message;  // empty: accepted
  } cases[] = {
      {"/dev/zero", "/dev/zero: not a regular file"},
      {".", ".: not a regular file"},
      {"huge.txt", "huge.txt: larger than 1048576 bytes"},
      {"long_line.txt", "long_line.txt: line 2: longer than 512 bytes"},
      {"missing.txt", "missing.txt: cannot read"},
      {"at_limit.txt", ""},
  };
  for (const auto& c : cases) {
    DevicesProcess devices(KESTREL8_DEVICES_PROGRAM, args({"--script", c.script}));
    if (c.message.empty()) {
      EXPECT_TRUE(devices.wait_for_line("header script at_limit.txt: 0 reports"));
      EXPECT_EQ(devices.stop(), 0);
      continue;
    }
    EXPECT_EQ(devices.wait_for_exit(), 2) << c.script;
    EXPECT_TRUE(devices.wait_for_line("kestrel8-devices: " + c.message)) << c.script;
  }
}

// Operators read STOP and START trouble from the log: no quick cycle merged or missed.
TEST_F(DevicesProgramTest, EveryQuickStopAndStartIsLogged) {
  DevicesProcess devices(KESTREL8_DEVICES_PROGRAM, args({}));
  ASSERT_TRUE(devices.wait_for_line("ready"));
  for (int cycle = 0; cycle < 20; ++cycle) {
    const int adapter = open_port_like_console(com(7));
    ASSERT_GE(adapter, 0);
    close_port_like_console(adapter);
  }
  EXPECT_TRUE(devices.wait_for_count("COM7 closed", 20));
  EXPECT_EQ(devices.count_lines("COM7 opened by the console"), 20u);
  EXPECT_EQ(devices.count_lines("COM7 closed"), 20u);

  // Still answering afterwards, with nothing left over from the cycles.
  const int adapter = open_port_like_console(com(7));
  ASSERT_GE(adapter, 0);
  write_port(adapter, frame({0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0x05}, "QR3KTG GQR3KTA ACQCQCQ  "));
  EXPECT_EQ(read_port(adapter, 10), status_answer(0x00));
  close_port_like_console(adapter);
  EXPECT_TRUE(devices.wait_for_count("COM7 closed", 21));
  EXPECT_EQ(devices.count_lines("COM7 opened by the console"), 21u);
}

}  // namespace
