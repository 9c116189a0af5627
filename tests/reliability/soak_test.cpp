// Many START/STOP cycles through the window's handlers while the adapter
// never stops talking: every cycle must give back its port, its thread and
// its descriptors, and every line shown must be a whole, correct header.
// Run under ThreadSanitizer and AddressSanitizer by `make sanitize`.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "adapter/link_state.h"
#include "adapter/pacing.h"
#include "adapter/receive_loop.h"
#include "console/console_handlers.h"
#include "support/adapter_on_air.h"
#include "support/process_census.h"
#include "support/pty_device.h"
#include "support/station_fixture.h"
#include "support/wait_until.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class SoakTest : public StationTest {
 protected:
  SoakTest() {
    // START's pauses add up to 1.4 s of pacing; a microsecond each here.
    set_pacing_divisor_for_tests(1000000);
    // The receive thread's display requests wait for this thread, as they
    // wait for the real window's.
    view.act_as_window_thread();
  }
  ~SoakTest() override {
    adapter_open = false;
    stop_receive_loop([this] { view.pump(); });
  }

  // The window opened on the long session's files with the adapter talking
  // on COM7 and the radio on COM8; afterwards every descriptor and thread
  // the session took is given back.
  void soak(const std::function<void(AdapterOnAir&)>& session) {
    const int fds_before = open_descriptors();
    const int threads_before = threads_at_rest();
    {
      PtyDevice adapter(7);
      PtyDevice radio(8);
      write_long_session_files(memory);
      on_window_created(view);
      view.set_text(ctl::transceiver_port, "8");
      AdapterOnAir far_end(adapter, radio);
      session(far_end);
    }
    EXPECT_EQ(open_descriptors(), fds_before);
    EXPECT_EQ(threads_after_settling(threads_before), threads_before);
  }

  void press_start_stop() { on_command(view, ctl::start_stop, CommandKind::other, pump); }

  // Lets the receive thread show what it has, as the idle window would.
  bool pump_until(const std::function<bool()>& done) {
    return wait_until(done, [this] { view.pump(); });
  }

  int header_lines_shown() {
    std::string text = view.text(ctl::receiving);
    int lines = 0;
    for (std::size_t pos = 0; (pos = text.find("\r\n", pos)) != std::string::npos; pos += 2)
      ++lines;
    return lines;
  }

  // Every line in "Receiving" is the header the adapter sent, whole.
  void expect_only_whole_header_lines() {
    const std::string text = view.text(ctl::receiving);
    std::size_t pos = 0;
    int bad = 0;
    while (pos < text.size()) {
      ASSERT_EQ(text.compare(pos, 2, "\r\n"), 0) << "at " << pos;
      if (text.compare(pos + 2, kOnAirHeaderLine.size(), kOnAirHeaderLine) != 0) {
        ADD_FAILURE() << "line at " << pos << ": " << text.substr(pos + 2, kOnAirHeaderLine.size());
        ++bad;
      }
      pos += 2 + kOnAirHeaderLine.size();
    }
    EXPECT_EQ(bad, 0);
  }

  TempWorkdir memory{memory_folder()};
  const DisplayPump pump = [this] { view.pump(); };
};

TEST_F(SoakTest, ThousandStartStopCyclesWhileHeadersArriveEveryMillisecond) {
  soak([this](AdapterOnAir& far_end) {
    view.set_text(ctl::adapter_port, "7");
    const auto began = Clock::now();
    for (int cycle = 0; cycle < 1000; ++cycle) {
      press_start_stop();
      ASSERT_TRUE(adapter_open) << "cycle " << cycle;
      ASSERT_EQ(view.text(ctl::start_stop), "STOP");
      if (cycle % 50 == 0) {
        // Now and then the operator watches a header come in before STOP.
        const int before = header_lines_shown();
        ASSERT_TRUE(pump_until([&] { return header_lines_shown() > before; })) << cycle;
      } else {
        // The idle window carries out display requests for a moment.
        const auto until = Clock::now() + 2ms;
        pump_until([&] { return Clock::now() >= until; });
      }
      press_start_stop();
      ASSERT_FALSE(adapter_open);
      ASSERT_FALSE(receive_loop_running()) << "cycle " << cycle;
      ASSERT_EQ(view.text(ctl::start_stop), "START");
    }
    const auto took = Clock::now() - began;

    EXPECT_TRUE(view.boxes().empty());
    expect_only_whole_header_lines();
    EXPECT_GE(header_lines_shown(), 20);
    EXPECT_EQ(view.text(ctl::response), "RPT?");
    std::printf(
        "[ soak    ] 1000 cycles in %lld ms, %d header lines shown, %lld headers sent\n",
        static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(took).count()),
        header_lines_shown(), static_cast<long long>(far_end.headers_sent()));
  });
}

TEST_F(SoakTest, TwoHundredCyclesAlternateAFailedAdapterOpenAndAGoodOne) {
  soak([this](AdapterOnAir&) {
    ASSERT_EQ(::symlink("/dev/kestrel8-no-such-adapter", "COM9"), 0);
    for (int cycle = 0; cycle < 200; ++cycle) {
      if (cycle % 2 == 0) {
        // COM9 leads nowhere, like an adapter taken away: the box, and
        // START stays armed.
        view.set_text(ctl::adapter_port, "9");
        press_start_stop();
        ASSERT_FALSE(adapter_open);
        ASSERT_FALSE(receive_loop_running());
        ASSERT_EQ(view.text(ctl::start_stop), "STOP");
      } else {
        view.set_text(ctl::adapter_port, "7");
        press_start_stop();
        ASSERT_TRUE(adapter_open) << "cycle " << cycle;
        press_start_stop();
        ASSERT_FALSE(adapter_open);
        ASSERT_EQ(view.text(ctl::start_stop), "START");
      }
    }
    const std::vector<RecordedBox> boxes = view.boxes();
    ASSERT_EQ(boxes.size(), 100u);
    for (const RecordedBox& box : boxes) {
      EXPECT_EQ(box,
                (RecordedBox{"COM port could not open for DV adapter", "COM9", BoxOwner::none}));
    }
    expect_only_whole_header_lines();
  });
}

}  // namespace
