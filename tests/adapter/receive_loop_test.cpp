#include "adapter/receive_loop.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "adapter/frame_parser.h"
#include "adapter/link_state.h"
#include "support/adapter_reports.h"
#include "support/process_census.h"
#include "support/pty_device.h"
#include "support/station_fixture.h"
#include "support/wait_until.h"

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

class ReceiveLoopTest : public StationTest {
 protected:
  ReceiveLoopTest() { adapter_parser = AdapterFrameParser{}; }
  ~ReceiveLoopTest() override { stop_receive_loop({}); }

  void start(ConsoleView& shown_on) {
    open_adapter_port(shown_on, "7");
    ASSERT_TRUE(adapter_open);
    start_receive_loop(shown_on);
  }

  PtyDevice adapter{7};
};

TEST_F(ReceiveLoopTest, FramesInRandomPiecesAtRandomTimesArriveInOrder) {
  const std::string callsigns[] = {"QR3KTG G", "QR3KTA A", "CQCQCQ  ", "QR3XYZ X", "QR1ABC  ",
                                   "QR1RPT B", "QR9ZZZ Z", "QR3WMN D", "QR2QQQ C"};
  std::mt19937 random(8);
  Bytes stream;
  std::string expected_box;
  int statuses = 0;
  std::string last_status;
  for (int frame = 0; frame < 40; ++frame) {
    if (frame % 3 == 2) {
      const std::uint8_t code = static_cast<std::uint8_t>(frame % 4);
      stream = stream + Bytes{0xFE, 0xFE, 0x7F, 0x01, 0x1D, 0x00, 0x00, 0x00, code, 0xFD};
      last_status = code == 1 ? "RPT?" : code == 2 ? "UR?" : "    ";
      ++statuses;
    } else {
      std::string field[4];
      for (auto& f : field) f = callsigns[random() % std::size(callsigns)];
      stream = stream + kHeaderReport + bytes_of(field[0] + field[1] + field[2] + field[3]) +
               Bytes{0xFD};
      expected_box += "\r\n" + field[3] + " " + field[2] + " " + field[1] + " " + field[0];
    }
    stream = stream + Bytes{0x55, 0x00};  // line noise between frames
  }

  start(view);
  for (std::size_t at = 0; at < stream.size();) {
    std::size_t piece = std::min<std::size_t>(1 + random() % 25, stream.size() - at);
    adapter.write(Bytes(stream.begin() + static_cast<long>(at),
                        stream.begin() + static_cast<long>(at + piece)));
    at += piece;
    std::this_thread::sleep_for(std::chrono::microseconds(random() % 2000));
  }
  EXPECT_TRUE(wait_until([&] {
    return view.set_text_count(ctl::response) >= statuses &&
           view.text(ctl::receiving).size() >= expected_box.size();
  }));
  stop_receive_loop({});
  EXPECT_EQ(view.text(ctl::receiving), expected_box);
  EXPECT_EQ(view.text(ctl::response), last_status);
  EXPECT_EQ(view.set_text_count(ctl::response), statuses);
}

TEST_F(ReceiveLoopTest, StopEndsTheLoopBeforeThePortIsClosed) {
  stop_receive_loop({});  // nothing runs yet: harmless
  start(view);
  EXPECT_TRUE(receive_loop_running());
  adapter.write(kStatusRpt);
  ASSERT_TRUE(wait_until([&] { return view.text(ctl::response) == "RPT?"; }));

  stop_receive_loop({});
  EXPECT_FALSE(receive_loop_running());
  EXPECT_FALSE(adapter_open);
  EXPECT_TRUE(adapter_port_handle.is_open());  // closing is left to the caller, afterwards
  close_adapter_link();
  stop_receive_loop({});

  // STOP then START listens again on the same port.
  start(view);
  adapter.write(kFullHeader);
  EXPECT_TRUE(wait_until([&] { return view.text(ctl::receiving) == kFullHeaderLine; }));
  stop_receive_loop({});
  close_adapter_link();
}

TEST_F(ReceiveLoopTest, SecondStartBesideARunningLoopStartsNothing) {
  const int threads_before = threads_at_rest();
  start(view);
  start_receive_loop(view);
  start_receive_loop(view);
  EXPECT_EQ(threads_after_settling(threads_before + 1), threads_before + 1);
  stop_receive_loop({});
  EXPECT_EQ(threads_after_settling(threads_before), threads_before);
}

TEST_F(ReceiveLoopTest, StopCarriesOutTheDisplayRequestsTheLoopWaitsOn) {
  view.act_as_window_thread();
  start(view);
  adapter.write(kFullHeader);
  ASSERT_TRUE(wait_until([&] { return view.request_waiting(); }));

  // Should the stop not pump, free the loop from here so the test can fail.
  std::atomic<bool> stopped{false};
  std::atomic<bool> rescued{false};
  std::thread watchdog([&] {
    const auto limit = Clock::now() + 3s;
    while (!stopped && Clock::now() < limit) std::this_thread::sleep_for(1ms);
    while (!stopped) {
      rescued = true;
      view.pump();
      std::this_thread::sleep_for(1ms);
    }
  });
  stop_receive_loop([&] { view.pump(); });
  stopped = true;
  watchdog.join();
  EXPECT_FALSE(rescued);
  EXPECT_FALSE(receive_loop_running());
  // The line under way was finished, not cut.
  EXPECT_EQ(view.text(ctl::receiving), kFullHeaderLine);
}

TEST_F(ReceiveLoopTest, SilentOrUnpluggedAdapterNeitherSpinsNorDelaysTheStop) {
  for (const bool unplugged : {false, true}) {
    SCOPED_TRACE(unplugged ? "unplugged" : "silent");
    start(view);
    adapter.write(kStatusRpt);
    ASSERT_TRUE(wait_until([&] { return view.text(ctl::response) == "RPT?"; }));
    if (unplugged) adapter.close_far_end();
    std::this_thread::sleep_for(50ms);

    const auto cpu_before = process_cpu_time();
    std::this_thread::sleep_for(1s);
    const auto cpu_used = process_cpu_time() - cpu_before;
    EXPECT_LT(cpu_used, 50ms) << "the loop spins on the quiet port";

    // The loop sleeps until a byte comes: STOP must wake it, not wait for
    // its one-second look at the flag. The promise is a few ms; half a
    // second leaves room for a loaded machine and still catches a lost wake.
    const auto stop_began = Clock::now();
    stop_receive_loop({});
    EXPECT_LT(Clock::now() - stop_began, 500ms);
    EXPECT_FALSE(receive_loop_running());
    close_adapter_link();
    view.set_text(ctl::response, "");
  }
}

TEST_F(ReceiveLoopTest, ThousandStartsAndStopsWhileFramesKeepArriving) {
  view.act_as_window_thread();
  const int fds_before = open_descriptors();
  const int threads_before = threads_at_rest();

  std::atomic<bool> on_air{true};
  std::thread adapter_side([&] {
    const Bytes frames = kFullHeader + kStatusRpt;
    while (on_air) {
      // The device keeps talking whether or not anyone listens.
      [[maybe_unused]] auto n = ::write(adapter.far_fd(), frames.data(), frames.size());
      std::this_thread::sleep_for(300us);
    }
  });

  const auto pump = [&] { view.pump(); };
  for (int cycle = 0; cycle < 1000; ++cycle) {
    start(view);
    if (cycle % 100 == 0) {
      // Now and then let a report through before stopping.
      const int before = view.set_text_count(ctl::response);
      EXPECT_TRUE(wait_until([&] { return view.set_text_count(ctl::response) > before; }, pump));
    }
    stop_receive_loop(pump);
    ASSERT_FALSE(receive_loop_running());
    close_adapter_link();
  }
  on_air = false;
  adapter_side.join();

  EXPECT_TRUE(view.boxes().empty());
  EXPECT_EQ(open_descriptors(), fds_before);
  EXPECT_EQ(threads_after_settling(threads_before), threads_before);
}

}  // namespace
