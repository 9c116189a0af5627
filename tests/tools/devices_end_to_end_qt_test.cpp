// The whole path with an independent far end: the real window, worked with
// the mouse and keys, against kestrel8-devices running as its own process
// with COM7 (adapter) and COM8 (radio) linked in the working folder. What
// the console sent is read back from the devices' decoded log.

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTest>
#include <cstdio>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "adapter/link_state.h"
#include "adapter/pacing.h"
#include "support/devices_process.h"
#include "support/message_box_answerer.h"
#include "support/offscreen_qt_app.h"
#include "support/pty_device.h"
#include "support/real_console_window.h"
#include "support/rigctld_process.h"
#include "support/rigctld_stand_in.h"
#include "support/station_fixture.h"
#include "transceiver/rigctld_tuning.h"

namespace {

using namespace std::chrono_literals;

const char* const kConsoleRepeaters =
    "// club list\n"
    "JP1,Hilltop430(NI43),439310,-5000,QR3KTA A,QR3KTG G\n"
    "JP1,Hilltop1200(NI12),1291570,-20000,QR3KTA B,QR3KTG G\n"
    "JP2,Harbour430,439550,-5000,QR3HBR A,QR3HBR G\n";

// The devices know the two Hilltop repeaters but not Harbour430.
const char* const kDevicesRepeaters =
    "JP1,Hilltop430(NI43),439310,-5000,QR3KTA A,QR3KTG G\n"
    "JP1,Hilltop1200(NI12),1291570,-20000,QR3KTA B,QR3KTG G\n";

const std::string kHilltop430 = "JP1,Hilltop430(NI43),439310,-5000,QR3KTA A,QR3KTG G";
const std::string kHarbour = "JP2,Harbour430,439550,-5000,QR3HBR A,QR3HBR G";

bool exists(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0;
}

class DevicesEndToEnd : public StationTest {
 protected:
  void SetUp() override {
    dir.write_file("D-STAR_DV_config.txt", "QR3WMN D,F817,JP1,QR3KTA A,QR3KTA B,7");
    dir.write_file("D-STAR_tranceiver_config.txt", "FT-817,8,439310,-5000,PKT,Dummy ");
    dir.write_file("D-STAR_my_rpt.txt", kHilltop430);
    dir.write_file("D-STAR_repeaters.txt", kConsoleRepeaters);
    dir.write_file("devices_repeaters.txt", kDevicesRepeaters);
    // One caller, heard half a second after each START's INIT.
    dir.write_file("headers.txt", "0.5,QR3XYZ X,CQCQCQ,QR3KTA A,QR3KTG G\n");
    devices = std::make_unique<DevicesProcess>(
        KESTREL8_DEVICES_PROGRAM, std::vector<std::string>{"--dir", dir.path(), "--repeaters",
                                                           dir.path() + "/devices_repeaters.txt",
                                                           "--script", dir.path() + "/headers.txt",
                                                           "--script-after-init", "--every", "0"});
    ASSERT_TRUE(devices->wait_for_line("ready"));
  }

  // Position of the first log line holding `text`; -1 when there is none.
  long log_position(const std::string& text) {
    const std::vector<std::string>& lines = devices->lines();
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (lines[i].find(text) != std::string::npos) return static_cast<long>(i);
    }
    return -1;
  }

  std::unique_ptr<DevicesProcess> devices;
  MessageBoxAnswerer answerer;
  RealConsoleWindow window;
};

TEST_F(DevicesEndToEnd, start_hear_call_back_unknown_repeater_and_stop) {
  ASSERT_TRUE(window.open());
  EXPECT_TRUE(answerer.boxes().empty());

  // START in repeater operation: five adapter frames, then four CAT commands.
  window.click(ctl::start_stop);
  ASSERT_EQ(window.text(ctl::start_stop), "STOP");
  ASSERT_TRUE(adapter_open);
  EXPECT_TRUE(answerer.boxes().empty());
  ASSERT_TRUE(devices->wait_for_line("TRX mode PKT"));
  const std::vector<std::string> in_order = {
      "COM7 opened by the console",
      "DV  INIT",
      "DV  MY_CALL \"QR3WMN D\"",
      "DV  MY_SUFFIX \"F817\"",
      "DV  REPEATER_MODE repeater",
      "DV  ROUTE RPT2=\"QR3KTG G\" RPT1=\"QR3KTA A\" UR=\"/QR3KTAB\"",
      "TRX frequency 439.310 MHz",
      "TRX offset 5.000 MHz",
      "TRX shift minus",
      "TRX mode PKT",
  };
  long previous = -1;
  for (const std::string& line : in_order) {
    const long at = log_position(line);
    EXPECT_GT(at, previous) << "\"" << line << "\" missing or out of order";
    previous = at;
  }
  EXPECT_TRUE(devices->wait_for_line(
      "TRX radio 439.310 MHz, shift minus 5.000 MHz (TX 434.310 MHz), mode PKT"));
  EXPECT_EQ(devices->count_lines("DV  ROUTE"), 1u);
  // The devices know QR3KTA B, so the route is accepted.
  EXPECT_TRUE(window.wait_for_text(ctl::response, "    "));

  // The scripted caller arrives and shows in the Receiving box.
  ASSERT_TRUE(window.wait_for_text(ctl::receiving, "\r\nQR3XYZ X CQCQCQ   QR3KTA A QR3KTG G"));
  EXPECT_TRUE(devices->wait_for_line(
      "-> HEADER MY=\"QR3XYZ X\" UR=\"CQCQCQ  \" RPT1=\"QR3KTA A\" RPT2=\"QR3KTG G\" (script)"));

  // Call back: the MY callsign selected in the box, then the button.
  window.select_start_of_last_line(ctl::receiving, 8);
  window.click(ctl::call_back);
  EXPECT_EQ(window.text(ctl::callback_callsign), "QR3XYZ X");
  EXPECT_TRUE(
      devices->wait_for_line("DV  ROUTE RPT2=\"QR3KTG G\" RPT1=\"QR3KTA A\" UR=\"QR3XYZ X\""));

  // A his repeater the devices do not know is answered with UR?.
  ASSERT_TRUE(window.double_click_entry(ctl::his_repeater, kHarbour));
  EXPECT_TRUE(
      devices->wait_for_line("DV  ROUTE RPT2=\"QR3KTG G\" RPT1=\"QR3KTA A\" UR=\"/QR3HBRA\""));
  EXPECT_TRUE(devices->wait_for_line("DV  -> STATUS 2 UR?"));
  EXPECT_TRUE(window.wait_for_text(ctl::response, "UR?"));

  // A my repeater picked while running retunes the radio.
  ASSERT_TRUE(window.double_click_entry(ctl::call_area, "JP2"));
  ASSERT_TRUE(window.double_click_entry(ctl::my_repeater, kHarbour));
  EXPECT_TRUE(devices->wait_for_line(
      "TRX radio 439.550 MHz, shift minus 5.000 MHz (TX 434.550 MHz), mode PKT"));

  // STOP writes the files and gives both ports back.
  std::remove("D-STAR_my_rpt.txt");
  std::remove("D-STAR_tranceiver_config.txt");
  window.click(ctl::start_stop);
  EXPECT_EQ(window.text(ctl::start_stop), "START");
  EXPECT_FALSE(adapter_open);
  EXPECT_EQ(dir.read_file("D-STAR_DV_config.txt"), "QR3WMN D,F817,JP2,QR3HBR A,QR3HBR A,7");
  EXPECT_EQ(dir.read_file("D-STAR_my_rpt.txt"), kHarbour);
  EXPECT_EQ(dir.read_file("D-STAR_his_rpt.txt"), kHarbour);
  EXPECT_EQ(dir.read_file("D-STAR_tranceiver_config.txt"), "FT-817,8,439550,-5000,PKT,Dummy ");
  EXPECT_TRUE(devices->wait_for_line("COM7 closed"));
  EXPECT_TRUE(devices->wait_for_line("COM8 closed"));

  window.click(ctl::exit_button);
  EXPECT_FALSE(window.dialog().isVisible());
  EXPECT_TRUE(answerer.boxes().empty());
  EXPECT_EQ(devices->stop(), 0);
  EXPECT_FALSE(exists(dir.path() + "/COM7"));
  EXPECT_FALSE(exists(dir.path() + "/COM8"));
  for (const std::string& line : devices->lines()) {
    EXPECT_EQ(line.find("BAD "), std::string::npos) << line;
    EXPECT_EQ(line.find("dropped"), std::string::npos) << line;
  }
}

// Model rigctld, COM8 left closed. Nobody listening, then a daemon that
// never answers: one box each naming the address, and the link runs.
// A real rigctld behind a stand-in taking 1.5 s an answer is tuned at START,
// while the caller heard shows and the operator's typing is taken, and again
// for a picked repeater; STOP keeps its address. A backend that gives up at
// once refuses with hamlib's code and words, and the file stays as it was.
TEST_F(DevicesEndToEnd, radio_behind_rigctld_absent_silent_tuned_and_refusing) {
  const int port = free_loopback_port();
  const std::string address = "127.0.0.1:" + std::to_string(port);
  dir.write_file("D-STAR_tranceiver_config.txt", "rigctld,8,439310,-5000,PKT," + address);
  ASSERT_TRUE(window.open());
  PtyDevice silent_radio;
  for (int run = 0; run < 2; ++run) {
    std::optional<RigctldStandIn> waiting;  // takes the connection, never answers
    if (run == 1) waiting.emplace("", std::vector<StandInRule>{{"\\chk_vfo"}}, 0ms, port);
    window.click(ctl::start_stop);
    ASSERT_TRUE(adapter_open);
    EXPECT_TRUE(devices->wait_for_count("DV  ROUTE", run + 1));
    EXPECT_TRUE(window.wait_until([&] { return answerer.boxes().size() == run + 1u; }));
    window.click(ctl::start_stop);
    EXPECT_EQ(answerer.boxes().back().text,
              "No answer from rigctld at " + address + "\nThe radio stays on its old channel.");
    EXPECT_EQ(answerer.boxes().back().title, "TRX rigctld error");
  }
  answerer.clear();

  const std::string tuned = "rigctld,8,439550,-5000,PKT," + address;
  {
    RigctldProcess rigctld({"-m", "1"});
    ASSERT_TRUE(rigctld.ready());
    const std::string untuned = rigctld.query("f");
    RigctldStandIn slow(rigctld.address(), {}, 1500ms, port);
    const std::string heard =
        window.text(ctl::receiving) + "\r\nQR3XYZ X CQCQCQ   QR3KTA A QR3KTG G";
    window.click(ctl::start_stop);
    window.retype(ctl::sending, "QRV 439.31");
    EXPECT_EQ(window.text(ctl::sending), "QRV 439.31");
    EXPECT_TRUE(window.wait_for_text(ctl::receiving, heard));
    EXPECT_EQ(rigctld.query("f"), untuned);
    EXPECT_TRUE(window.wait_until([] { return !rigctld_tuning_under_way(); }, 15s));
    EXPECT_EQ(rigctld.query("f o r"), "439310000 5000000 -");
    ASSERT_TRUE(window.double_click_entry(ctl::call_area, "JP2"));
    ASSERT_TRUE(window.double_click_entry(ctl::my_repeater, kHarbour));
    EXPECT_TRUE(window.wait_until([] { return !rigctld_tuning_under_way(); }, 15s));
    EXPECT_EQ(rigctld.query("f o r"), "439550000 5000000 -");
    window.click(ctl::start_stop);
    EXPECT_EQ(dir.read_file("D-STAR_tranceiver_config.txt"), tuned);
    EXPECT_TRUE(answerer.boxes().empty());
  }

  RigctldProcess quick(
      {"-m", "1020", "-r", silent_radio.near_path(), "-s", "9600", "-C", "timeout=100,retry=0"},
      port);
  ASSERT_TRUE(quick.ready());
  window.click(ctl::start_stop);
  EXPECT_TRUE(window.wait_until([] { return !rigctld_tuning_under_way(); }, 10s));
  window.click(ctl::start_stop);
  EXPECT_EQ(dir.read_file("D-STAR_tranceiver_config.txt"), tuned);
  ASSERT_FALSE(answerer.boxes().empty());
  EXPECT_EQ(answerer.boxes()[0].text,
            "rigctld refused F 439550000: communication timed out (RPRT -5)\nThe radio stays on "
            "its old channel.");
  EXPECT_EQ(devices->count_lines("COM8 opened"), 0u);
}

// The adapter in a remote shack, as docs/operating.md sets it up: the
// virtual adapter on "the Pi" behind real ser2net, and on "the desktop"
// socat's pseudo-terminal as COM7, started again by a loop whenever it ends.
class RemoteShack : public StationTest {
 protected:
  void SetUp() override {
    set_pacing_divisor_for_tests(1);  // the return is timed with the real pauses
    const std::string pi = dir.path() + "/pi";
    ASSERT_EQ(mkdir(pi.c_str(), 0755), 0);
    dir.write_file("D-STAR_DV_config.txt", "QR3WMN D,F817,JP1,QR3KTA A,QR3KTA B,7");
    dir.write_file("D-STAR_tranceiver_config.txt", "None,8,439310,-5000,PKT,Dummy ");
    dir.write_file("headers.txt", "0.5,QR3XYZ X,CQCQCQ,QR3KTA A,QR3KTG G\n");
    devices = std::make_unique<DevicesProcess>(
        KESTREL8_DEVICES_PROGRAM,
        std::vector<std::string>{"--dir", pi, "--script", dir.path() + "/headers.txt",
                                 "--script-after-init", "--every", "0"});
    ASSERT_TRUE(devices->wait_for_line("ready"));
    ASSERT_EQ(symlink((pi + "/COM8").c_str(), "COM8"), 0);  // the radio stays local
    const std::string port = std::to_string(port_ = free_loopback_port());
    dir.write_file("ser2net.yaml",
                   "%YAML 1.1\n---\nconnection: &adapter\n  accepter: tcp,127.0.0.1," + port +
                       "\n  connector: serialdev," + pi +
                       "/COM7,9600n81,local\n  options:\n    kickolduser: true\n");
    start_ser2net();
    // Its own process group, so that the loop and its socat end together,
    // the loop last, taking socat's exit with it.
    socat_loop = std::make_unique<DevicesProcess>(
        "/usr/bin/setsid",
        std::vector<std::string>{
            "sh", "-c",
            "trap exit TERM; while :; do socat tcp:127.0.0.1:" + port +
                ",connect-timeout=5,keepalive,keepidle=10,keepintvl=10,keepcnt=3 "
                "pty,link=COM7,raw,echo=0; sleep 1; done"});
    ASSERT_TRUE(devices->wait_for_line("COM7 opened"));  // socat connected, ser2net opened it
  }
  void TearDown() override {
    if (socat_loop) kill(-socat_loop->pid(), SIGTERM);
    socat_loop.reset();
  }
  void start_ser2net() {
    ser2net = std::make_unique<DevicesProcess>(
        "/usr/sbin/ser2net",
        std::vector<std::string>{"-n", "-d", "-c", dir.path() + "/ser2net.yaml"});
  }
  pid_t socat_pid() {
    const std::string loop = std::to_string(socat_loop->pid());
    std::ifstream children("/proc/" + loop + "/task/" + loop + "/children");
    pid_t pid = -1;
    children >> pid;
    return pid;
  }

  int port_ = 0;
  std::unique_ptr<DevicesProcess> devices, ser2net, socat_loop;
  MessageBoxAnswerer answerer;
  RealConsoleWindow window;
};

TEST_F(RemoteShack, network_drop_and_ser2net_restart_are_lost_then_configured_again) {
  const std::string heard = "\r\nQR3XYZ X CQCQCQ   QR3KTA A QR3KTG G";
  std::string shown = heard;
  ASSERT_TRUE(window.open());
  answerer.clear();  // no repeater lists here
  window.click(ctl::start_stop);
  EXPECT_TRUE(
      devices->wait_for_line("DV  ROUTE RPT2=\"QR3KTG G\" RPT1=\"QR3KTA A\" UR=\"/QR3KTAB\""));
  EXPECT_TRUE(window.wait_for_text(ctl::receiving, heard));
  for (std::size_t drop = 1; drop <= 2; ++drop) {
    if (drop == 1) {
      ASSERT_EQ(kill(socat_pid(), SIGTERM), 0);  // the network drops: socat ends
    } else {
      ser2net->stop();
    }
    ASSERT_TRUE(window.wait_for_text(ctl::response, "LOST")) << "drop " << drop;
    if (drop == 2) {
      // Then a while with nothing answering at the port, as when the Pi is
      // off the network: its one-place queue is taken, so socat's try hangs.
      sockaddr_in at{
          AF_INET, htons(static_cast<std::uint16_t>(port_)), {htonl(INADDR_LOOPBACK)}, {}};
      const int mute = socket(AF_INET, SOCK_STREAM, 0), queued = socket(AF_INET, SOCK_STREAM, 0);
      const int on = 1;
      setsockopt(mute, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
      ASSERT_EQ(bind(mute, reinterpret_cast<sockaddr*>(&at), sizeof at), 0);
      listen(mute, 0);
      connect(queued, reinterpret_cast<sockaddr*>(&at), sizeof at);
      bool stayed_lost = true;
      EXPECT_TRUE(window.wait_until(
          [&] {
            stayed_lost = stayed_lost && window.text(ctl::response) == "LOST";
            return socat_loop->count_lines("timed out") > 0;
          },
          15s));
      EXPECT_TRUE(stayed_lost) << "COM7 was there before socat reached ser2net";
      close(queued);
      close(mute);
      start_ser2net();
    }
    // socat is back: connected, ser2net has opened the adapter's port.
    ASSERT_TRUE(window.wait_until([&] { return devices->count_lines("COM7 opened") > drop; }, 10s));
    const auto back = std::chrono::steady_clock::now();
    ASSERT_TRUE(window.wait_until([&] { return devices->count_lines("DV  ROUTE") > drop; }));
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - back;
    std::printf("drop %zu: adapter configured %.3f s after socat's return\n", drop, took.count());
    EXPECT_TRUE(window.wait_for_text(ctl::receiving, shown += heard));
    EXPECT_TRUE(window.wait_for_text(ctl::response, "    "));
  }
  window.click(ctl::start_stop);
  EXPECT_EQ(window.text(ctl::start_stop), "START");
  EXPECT_FALSE(adapter_open);
  EXPECT_TRUE(answerer.boxes().empty());
}

}  // namespace
