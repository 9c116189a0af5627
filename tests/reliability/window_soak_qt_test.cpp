// The real window worked for a long session: a thousand START/STOP clicks
// while the adapter reports a header every millisecond. Run under
// AddressSanitizer it shows nothing leaks or is used after it is gone.
// On a loaded machine a STOP waits for the line under way to be shown, so
// the clicks are cut short after a while, never below 200.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <limits>

#include "adapter/link_state.h"
#include "adapter/pacing.h"
#include "adapter/receive_loop.h"
#include "support/adapter_on_air.h"
#include "support/offscreen_qt_app.h"
#include "support/process_census.h"
#include "support/pty_device.h"
#include "support/real_console_window.h"
#include "support/station_fixture.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kMostCycles = 1000;
constexpr int kLeastCycles = 200;
// Unloaded, the thousand clicks take a few seconds.
constexpr auto kEnoughTime = std::chrono::seconds(20);

class WindowSoakTest : public StationTest {
 protected:
  // START's pauses add up to 1.4 s of pacing; a microsecond each here.
  WindowSoakTest() { set_pacing_divisor_for_tests(1000000); }

  void write_station_files() { write_long_session_files(memory); }

  // Whole header lines in "Receiving", not counting the one the receive loop
  // may be typing right now; -1 if any line came out broken.
  static int complete_header_lines(const std::string& text) {
    const std::string line = "\r\n" + kOnAirHeaderLine;
    int lines = 0;
    std::size_t pos = 0;
    for (; pos + line.size() <= text.size(); pos += line.size(), ++lines) {
      if (text.compare(pos, line.size(), line) != 0) return -1;
    }
    if (line.compare(0, text.size() - pos, text, pos) != 0) return -1;
    return lines;
  }

  // The whole box, however long the session has made it.
  static std::string receiving(RealConsoleWindow& window) {
    return window.dialog().get_text(ctl::receiving, std::numeric_limits<int>::max());
  }

  TempWorkdir memory{memory_folder()};
  PtyDevice adapter{7};
  PtyDevice radio{8};
};

TEST_F(WindowSoakTest, ThousandStartStopClicksWhileHeadersArriveEveryMillisecond) {
  const int fds_before = open_descriptors();
  const int threads_before = threads_at_rest();
  write_station_files();
  {
    RealConsoleWindow window;
    ASSERT_TRUE(window.open());
    AdapterOnAir far_end(adapter, radio);
    int lines_shown = 0;
    const auto began = Clock::now();
    int cycle = 0;
    for (; cycle < kMostCycles; ++cycle) {
      if (cycle >= kLeastCycles && Clock::now() - began > kEnoughTime) break;
      window.click(ctl::start_stop);
      ASSERT_TRUE(adapter_open) << "cycle " << cycle;
      if (cycle % 50 == 0) {
        // Now and then the operator watches a header come in before STOP.
        ASSERT_TRUE(window.wait_until([&] {
          return complete_header_lines(receiving(window)) > lines_shown;
        })) << "cycle "
            << cycle;
      }
      window.click(ctl::start_stop);
      ASSERT_FALSE(adapter_open) << "cycle " << cycle;
      ASSERT_FALSE(receive_loop_running()) << "cycle " << cycle;
      lines_shown = complete_header_lines(receiving(window));
      ASSERT_GE(lines_shown, 0) << "a header line came out broken by cycle " << cycle;
    }
    EXPECT_EQ(window.text(ctl::start_stop), "START");
    EXPECT_GE(lines_shown, 20);
    std::printf(
        "[ soak    ] %d window cycles in %lld ms, %d header lines shown, %lld headers sent\n",
        cycle,
        static_cast<long long>(
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - began).count()),
        lines_shown, static_cast<long long>(far_end.headers_sent()));
    window.click(ctl::exit_button);
  }
  EXPECT_EQ(memory.read_file("D-STAR_DV_config.txt"), "QR3WMN D,F817,JP1,QR3KTA A,QR3KTA B,7");
  EXPECT_EQ(open_descriptors(), fds_before);
  EXPECT_EQ(threads_after_settling(threads_before), threads_before);
}

}  // namespace
