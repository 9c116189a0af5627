// The adapter misbehaving while the link runs: pulled out of its socket, or
// no longer taking bytes. The window must stay usable and STOP must work.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>
#include <vector>

#include "adapter/link_state.h"
#include "adapter/receive_loop.h"
#include "support/adapter_reports.h"
#include "support/console_fixture.h"
#include "support/process_census.h"
#include "support/wait_until.h"

namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

const Bytes kInit = {0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0xC9, 0x00, 0xFD};
template <typename Action>
Clock::duration time_of(Action action) {
  const auto began = Clock::now();
  action();
  return Clock::now() - began;
}

class AdapterFaultsTest : public ConsoleTest {
 protected:
  void SetUp() override { open_window_with_station_files(); }
};

TEST_F(AdapterFaultsTest, AdapterUnpluggedWhileRunningShowsLostAndStopStillSavesAndGivesItBack) {
  press(ctl::start_stop);
  ASSERT_TRUE(adapter_open);
  adapter.write(kFullHeader);
  ASSERT_TRUE(wait_until([&] { return view.text(ctl::receiving) == kFullHeaderLine; }));

  adapter.close_far_end();
  EXPECT_TRUE(wait_until([&] { return view.text(ctl::response) == "LOST"; }));
  const auto cpu_before = process_cpu_time();
  std::this_thread::sleep_for(1s);
  EXPECT_LT(process_cpu_time() - cpu_before, 100ms) << "the receive loop spins on the dead port";
  EXPECT_TRUE(receive_loop_running());
  // Chosen in this run while the adapter is out: STOP saves it as always.
  const std::string riverside = "JP1,Riverside,434550,+600,QR3RVS A,None";
  double_click_entry(ctl::his_repeater, riverside);

  // A STOP stuck on the dead port would never return; the bounds here are
  // generous so that a loaded machine does not fail them.
  EXPECT_LT(time_of([&] { press(ctl::start_stop); }), 3s);
  EXPECT_FALSE(adapter_open);
  EXPECT_FALSE(receive_loop_running());
  EXPECT_EQ(view.text(ctl::start_stop), "START");
  EXPECT_TRUE(view.boxes().empty());
  EXPECT_EQ(view.text(ctl::response), "    ") << "LOST stays after the link has ended";
  EXPECT_EQ(dir.read_file("D-STAR_DV_config.txt"), "QR3WMN D,F817,JP1,QR3KTA A,QR3RVS A,7");
  EXPECT_EQ(dir.read_file("D-STAR_his_rpt.txt"), riverside);

  // START while it is still out: told so, and nothing hangs.
  EXPECT_LT(time_of([&] { press(ctl::start_stop); }), 5s);
  EXPECT_EQ(view.boxes(), (std::vector<RecordedBox>{
                              {"COM port could not open for DV adapter", "COM7", BoxOwner::none}}));
  EXPECT_FALSE(adapter_open);

  // Plugged in again: a fresh device under the same name works as before.
  PtyDevice replugged(7);
  radio.read_all(50ms);
  press(ctl::start_stop);
  ASSERT_TRUE(adapter_open);
  EXPECT_EQ(replugged.read_count(kInit.size()), kInit);
  EXPECT_EQ(radio.read_count(kTuningTo439310.size()), kTuningTo439310);
  replugged.write(kStatusRpt);
  EXPECT_TRUE(wait_until([&] { return view.text(ctl::response) == "RPT?"; }));
  replugged.write(kFullHeader);
  EXPECT_TRUE(
      wait_until([&] { return view.text(ctl::receiving) == kFullHeaderLine + kFullHeaderLine; }));
  press(ctl::start_stop);
  EXPECT_FALSE(adapter_open);
  EXPECT_EQ(view.boxes().size(), 1u);
}

TEST_F(AdapterFaultsTest, AdapterPluggedInAgainGetsItsConfigurationAndTheRouteChosenMeanwhile) {
  press(ctl::start_stop);
  ASSERT_EQ(adapter.read_count(start_frames("QR3KTG G", "QR3KTA A", "/QR3KTAB").size()),
            start_frames("QR3KTG G", "QR3KTA A", "/QR3KTAB"));
  radio.read_all(50ms);

  // Unplugged amid a header: the terminal hangs up and its COM7 link goes.
  adapter.write(Bytes{0xFE, 0xFE, 0x7F, 0x01, 0x1D, 0x04} +
                bytes_of("QR3KTG GQR3KTA ACQCQCQ  QR3CUT X"));
  std::this_thread::sleep_for(100ms);
  adapter.close_far_end();
  std::filesystem::remove("COM7");
  ASSERT_TRUE(wait_until([&] { return view.text(ctl::response) == "LOST"; }));
  const auto cpu_before = process_cpu_time();
  // The operator picks his own repeater meanwhile: nothing can go out, no box.
  double_click_entry(ctl::his_repeater, "JP1,Hilltop430(NI43),439310,-5000,QR3KTA A,QR3KTG G");
  std::this_thread::sleep_for(1s);
  EXPECT_LT(process_cpu_time() - cpu_before, 100ms) << "waiting for the adapter spins";
  EXPECT_TRUE(adapter_open);

  // Plugged in again as a new terminal under the same name.
  PtyDevice replugged(7);
  const Bytes again = start_frames("QR3KTG G", "QR3KTA A", "CQCQCQ  ");
  EXPECT_EQ(replugged.read_count(again.size()), again);
  EXPECT_TRUE(wait_until([&] { return view.text(ctl::response) == "    "; }));
  // The cut header is not finished by a frame that ends early.
  replugged.write(Bytes{0xFE, 0xFE, 0x7F, 0x01, 0xFD} + kFullHeader);
  EXPECT_TRUE(
      wait_until([&] { return view.text(ctl::receiving).size() >= kFullHeaderLine.size(); }));
  EXPECT_EQ(view.text(ctl::receiving), kFullHeaderLine);
  EXPECT_TRUE(radio.read_all(50ms).empty()) << "the radio is not tuned again";
  EXPECT_TRUE(view.boxes().empty());
  press(ctl::start_stop);
  EXPECT_FALSE(adapter_open);
}

TEST_F(AdapterFaultsTest, AnotherTerminalUnderTheFreedNameIsConfiguredOnlyOnceNobodyHoldsIt) {
  press(ctl::start_stop);
  const Bytes frames = start_frames("QR3KTG G", "QR3KTA A", "/QR3KTAB");
  ASSERT_EQ(adapter.read_count(frames.size()), frames);
  adapter.close_far_end();
  ASSERT_TRUE(wait_until([&] { return view.text(ctl::response) == "LOST"; }));

  // Another program's terminal takes the name, then a pseudo-terminal master.
  PtyDevice other;
  const int held = ::open(other.near_path().c_str(), O_RDWR | O_NOCTTY);
  const pid_t other_program = fork();
  if (other_program == 0) {
    ::close(other.far_fd());  // it uses the terminal, it is not its device
    for (;;) pause();
  }
  ::close(held);
  for (const std::string& device : {other.near_path(), std::string("/dev/ptmx")}) {
    std::filesystem::remove("COM7");
    std::filesystem::create_symlink(device, "COM7");
    std::this_thread::sleep_for(2500ms);
    EXPECT_EQ(view.text(ctl::response), "LOST") << device;
  }
  EXPECT_TRUE(other.read_all(50ms).empty()) << "another program's device was configured";

  // Once the other program has let go, it is taken as a replugged one is.
  std::filesystem::remove("COM7");
  std::filesystem::create_symlink(other.near_path(), "COM7");
  kill(other_program, SIGKILL);
  waitpid(other_program, nullptr, 0);
  EXPECT_EQ(other.read_count(frames.size()), frames);
  EXPECT_TRUE(wait_until([&] { return view.text(ctl::response) == "    "; }));
  press(ctl::start_stop);
  EXPECT_FALSE(adapter_open);
}

// Fills the adapter's side of the line until it takes no more, as when the
// device has stopped reading.
void stall(const PtyDevice& device) {
  int fd = ::open(device.near_path().c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  std::vector<std::uint8_t> junk(4096, 0x55);
  // The terminal moves bytes on in the background; full means nothing more
  // goes in even after a pause.
  const auto limit = Clock::now() + 5s;
  bool took_some = true;
  while (took_some && Clock::now() < limit) {
    took_some = false;
    while (::write(fd, junk.data(), junk.size()) > 0) took_some = true;
    ASSERT_EQ(errno, EAGAIN);
    std::this_thread::sleep_for(50ms);
  }
  ::close(fd);
}

TEST_F(AdapterFaultsTest, AdapterThatStopsReadingCostsEachWriteAtMostItsBound) {
  stall(adapter);

  // Five configuration frames, each given up after its second: about 5 s,
  // bounded generously for a loaded machine.
  const auto start_took = time_of([&] { press(ctl::start_stop); });
  ASSERT_TRUE(adapter_open);
  EXPECT_GE(start_took, 4s);
  EXPECT_LT(start_took, 15s);
  // The radio was still tuned after the adapter's frames were given up.
  EXPECT_EQ(radio.read_count(kTuningTo439310.size()), kTuningTo439310);
  // Reading still works while writing does not.
  adapter.write(kStatusRpt);
  EXPECT_TRUE(wait_until([&] { return view.text(ctl::response) == "RPT?"; }));

  // The next event: a call back writes one route frame and returns.
  view.set_text(ctl::receiving, "QR3XYZ X");
  view.select_text(ctl::receiving, 0, 8);
  const auto call_back_took = time_of([&] { press(ctl::call_back); });
  EXPECT_GE(call_back_took, 900ms);
  EXPECT_LT(call_back_took, 4s);  // one write limit, generous for a loaded machine
  EXPECT_EQ(view.text(ctl::callback_callsign), "QR3XYZ X");

  EXPECT_LT(time_of([&] { press(ctl::start_stop); }), 3s);  // generous for a loaded machine
  EXPECT_FALSE(adapter_open);
  EXPECT_FALSE(receive_loop_running());
  EXPECT_EQ(view.text(ctl::start_stop), "START");
  EXPECT_TRUE(view.boxes().empty());
}

}  // namespace
