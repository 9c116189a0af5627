// How the program ends when nobody presses EXIT: its display lost under it, or
// a stop signal from the desktop or the terminal. It must end (within 2 s), save
// what EXIT saves and give both ports back. Its window is on the offscreen
// platform or on an Xvfb of the test's own (:71 to :79), where xdotool presses START.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "adapter/serial_port.h"
#include "support/devices_process.h"
#include "support/pty_device.h"
#include "support/temp_workdir.h"
#include "support/wait_until.h"

namespace {

using namespace std::chrono_literals;

// The promise is 2 s; generous for a loaded two-core machine: the point is that
// the program ends at all.
constexpr auto kEnds = 10s;

using std::filesystem::exists;

// Tab-separated, so that a save, comma-separated, shows.
void write_station(const TempWorkdir& dir, const std::string& trx_port,
                   const std::string& dv_port = "7") {
  dir.write_file("D-STAR_DV_config.txt", "QR3WMN D\tF817\tJP1\tQR3KTA A\tQR3KTA B\t" + dv_port);
  dir.write_file("D-STAR_tranceiver_config.txt",
                 "FT-817\t" + trx_port + "\t439310\t-5000\tPKT\tDummy ");
  dir.write_file("D-STAR_my_rpt.txt", "JP1,Hilltop430(NI43),439310,-5000,QR3KTA A,QR3KTG G");
  dir.write_file("D-STAR_repeaters.txt",
                 "JP1,Hilltop430(NI43),439310,-5000,QR3KTA A,QR3KTG G\n"
                 "JP1,Hilltop1200(NI12),1291570,-20000,QR3KTA B,QR3KTG G\n");
}

// What EXIT leaves for that station; then the next START can open both ports.
void expect_saved_as_exit_saves(const TempWorkdir& dir, bool transceiver_saved = true) {
  EXPECT_EQ(dir.read_file("D-STAR_DV_config.txt"), "QR3WMN D,F817,JP1,QR3KTA A,QR3KTA B,7");
  EXPECT_TRUE(dir.exists("D-STAR_my_rpt.txt"));
  EXPECT_TRUE(dir.exists("D-STAR_his_rpt.txt"));
  if (transceiver_saved) {
    EXPECT_EQ(dir.read_file("D-STAR_tranceiver_config.txt"), "FT-817,8,439310,-5000,PKT,Dummy ");
  }
  for (int com : {7, 8}) {
    EXPECT_TRUE(SerialPort::open(device_path_for_com(com), StopBits::one).is_open())
        << "COM" << com << " is still held";
  }
}

// `name` as the shell finds it on PATH; empty when it is not installed.
std::string find_program(const std::string& name) {
  std::stringstream dirs(std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin");
  for (std::string dir; std::getline(dirs, dir, ':');) {
    if (access((dir + "/" + name).c_str(), X_OK) == 0) return dir + "/" + name;
  }
  return {};
}

// An X server on the first free display from :71 to :79.
struct XServer {
  bool start(const std::string& xvfb) {
    for (int n = 71; n <= 79; ++n) {
      const std::string number = std::to_string(n);
      const std::string socket = "/tmp/.X11-unix/X" + number;
      const std::string lock = "/tmp/.X" + number + "-lock";
      if (exists(socket) || exists(lock)) continue;
      display = ":" + number;
      process = std::make_unique<DevicesProcess>(
          xvfb, std::vector<std::string>{display, "-nolisten", "tcp"});
      // Another test may have taken the display meanwhile: Xvfb then ends.
      bool ended = false;
      wait_until([&] { return exists(socket) || (ended = process->wait_for_exit(0ms) != -1); }, {},
                 kEnds);
      // Two tests may start a server on one free display at once; the display
      // is ours only if our server holds its lock (the lock file holds its pid).
      long owner = -1;
      std::ifstream(lock) >> owner;
      if (!ended && exists(socket) && owner == process->pid()) return true;
      process.reset();
    }
    return false;
  }
  std::unique_ptr<DevicesProcess> process;
  std::string display;
};

class ProgramOnX : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string xvfb = find_program("Xvfb");
    xdotool = find_program("xdotool");
    if (xvfb.empty() || xdotool.empty()) {
      GTEST_SKIP() << "needs Xvfb and xdotool (make deps installs them)";
    }
    ASSERT_TRUE(x.start(xvfb)) << "no free display from :71 to :79";
    setenv("DISPLAY", x.display.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
  }

  // Whether xdotool found the window named `title` shown (and did the rest of `then` in it).
  bool xdotool_finds(const std::string& title, std::vector<std::string> then = {}) {
    then.insert(then.begin(), {"search", "--sync", "--onlyvisible", "--name", "^" + title + "$"});
    return DevicesProcess(xdotool, then).wait_for_exit(kEnds) == 0;
  }

  std::string xdotool;
  XServer x;
};

}  // namespace

TEST(ProgramShutdown, a_display_lost_while_a_report_waits_to_be_shown_still_ends_the_run) {
  TempWorkdir dir;
  write_station(dir, "8");
  PtyDevice adapter(7);
  PtyDevice radio(8);
  DevicesProcess program(LOST_DISPLAY_PROGRAM, {});
  // START's first frame, INIT, is answered with a status report ("RPT?") that
  // the receive thread then waits to show.
  ASSERT_EQ(adapter.read_count(8, kEnds),
            (std::vector<std::uint8_t>{0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0xC9, 0x00, 0xFD}));
  adapter.write(
      std::vector<std::uint8_t>{0xFE, 0xFE, 0x7F, 0x01, 0x1D, 0x00, 0x00, 0x00, 0x01, 0xFD});
  ASSERT_TRUE(program.wait_for_line("display lost", kEnds));
  EXPECT_EQ(program.wait_for_exit(kEnds), 1) << "the program hangs at exit";
  expect_saved_as_exit_saves(dir);
}

// Whether the process's mask `field` ("SigIgn", "SigCgt") in /proc holds `signal_number`.
bool in_signal_mask(pid_t pid, const std::string& field, int signal_number) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line) && line.rfind(field + ":", 0) != 0) {
  }
  return !line.empty() &&
         (std::stoull(line.substr(field.size() + 1), nullptr, 16) >> (signal_number - 1)) & 1;
}

TEST(ProgramShutdown, started_with_sighup_ignored_as_by_nohup_it_stays_ignored) {
  TempWorkdir dir;
  write_station(dir, "8");
  struct sigaction ignore {
  }, before{};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGHUP, &ignore, &before);
  DevicesProcess program("/usr/bin/env", {"QT_QPA_PLATFORM=offscreen", KESTREL8_PROGRAM});
  sigaction(SIGHUP, &before, nullptr);
  // SIGTERM caught: the stop handlers are in place.
  ASSERT_TRUE(
      wait_until([&] { return in_signal_mask(program.pid(), "SigCgt", SIGTERM); }, {}, kEnds));
  EXPECT_TRUE(in_signal_mask(program.pid(), "SigIgn", SIGHUP));
  EXPECT_FALSE(in_signal_mask(program.pid(), "SigCgt", SIGHUP));
  program.send_signal(SIGTERM);
  EXPECT_EQ(program.wait_for_exit(kEnds), 0);
}

TEST_F(ProgramOnX, a_stop_signal_or_the_x_server_going_away_ends_the_run_as_exit_does) {
  struct Case {
    const char* situation;
    int signal_number;  // 0: the X server goes away instead
    const char* trx_port;
    const char* devices_log;  // the end comes once the devices logged this `times`
    std::size_t times;
    const char* box_title;  // ... or once this message box is shown
    bool transceiver_saved;
    const char* dv_port = "7";  // "6": no adapter there, the link never runs
  };
  const Case cases[] = {
      {"link running, session ends", SIGTERM, "8", "-> HEADER", 1, nullptr, true},
      {"link running, Ctrl-C", SIGINT, "8", "-> HEADER", 1, nullptr, true},
      {"link running, terminal closed", SIGHUP, "8", "-> HEADER", 1, nullptr, true},
      // The offset is the last CAT command before START's one-second pause.
      {"START pausing before the shift command", SIGTERM, "8", "TRX offset", 1, nullptr, true},
      // No COM9: START waits for OK on "TRX COM port error" with the adapter open.
      {"a message box open during START", SIGHUP, "9", nullptr, 0, "TRX COM port error", false},
      // No COM6: START waits for OK on "COM port could not open for DV adapter".
      {"the failed START's box", SIGTERM, "8", nullptr, 0, "COM6", false, "6"},
      // Last: it takes the X server with it.
      {"the X server gone while headers stream in", 0, "8", "-> HEADER", 3, nullptr, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.situation);
    TempWorkdir dir;
    write_station(dir, c.trx_port, c.dv_port);
    DevicesProcess devices(KESTREL8_DEVICES_PROGRAM, {"--dir", dir.path(), "--every", "0.1"});
    ASSERT_TRUE(devices.wait_for_line("ready"));
    DevicesProcess program(KESTREL8_PROGRAM, {});
    // START is the default button and the focus starts in "DV port(1)".
    ASSERT_TRUE(xdotool_finds("Kestrel8", {"windowfocus", "--sync", "key", "Return"}));
    if (c.devices_log) {
      ASSERT_TRUE(devices.wait_for_count(c.devices_log, c.times, kEnds));
    } else {
      ASSERT_TRUE(xdotool_finds(c.box_title));
    }
    if (c.signal_number) {
      program.send_signal(c.signal_number);
      EXPECT_EQ(program.wait_for_exit(kEnds), 0) << "the program did not end as EXIT ends it";
    } else {
      x.process->stop();
      EXPECT_NE(program.wait_for_exit(kEnds), -1) << "the program did not end";
    }
    if (std::string(c.dv_port) == "7") {
      expect_saved_as_exit_saves(dir, c.transceiver_saved);
    } else {  // a link that never ran saves nothing
      EXPECT_EQ(dir.read_file("D-STAR_DV_config.txt").find(','), std::string::npos);
      EXPECT_FALSE(dir.exists("D-STAR_his_rpt.txt"));
    }
  }
}
