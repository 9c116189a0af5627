#include "adapter/receive_loop.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <system_error>
#include <thread>
#include <utility>

#include "adapter/frame_parser.h"
#include "adapter/link_recovery.h"
#include "adapter/link_state.h"
#include "adapter/serial_port.h"

namespace {

// Touched only by the window's thread.
std::thread receive_thread;
// Set before the thread starts, cleared by the thread as its last act, so the
// window's thread knows when a join can no longer wait on a display request.
std::atomic<bool> loop_running{false};

// The loop sleeps until a byte arrives or STOP wakes it. Should the flag ever
// be cleared without the wake-up, it is still seen within this time.
constexpr auto kFlagCheckInterval = std::chrono::seconds(1);

// Long enough not to busy the window's thread, short enough that a header
// line of 36 typed characters drains in a few milliseconds.
constexpr auto kPumpInterval = std::chrono::microseconds(200);

ExitHook before_exit_stop;

// Last resort when the program ends without a STOP: no thread may outlive
// main. Registered after the port's own static object was built, so it runs
// before that object is destroyed.
void stop_at_exit() {
  if (before_exit_stop) before_exit_stop();
  stop_receive_loop({});
}

void register_stop_at_exit() {
  static const bool registered = std::atexit(stop_at_exit) == 0;
  (void)registered;
}

}  // namespace

int adapter_receive_loop(ConsoleView& view) {
  adapter_parser.state = 0;
  while (adapter_open) {
    if (adapter_parser.state == 0) adapter_parser.state = 1;
    // Sleeps while the adapter is silent; STOP wakes it.
    const PortRead got = adapter_port_handle.read_until_woken(kFlagCheckInterval);
    if (got.device_gone) {
      wait_for_adapter_return(view);
      restart_parser(adapter_parser);
      continue;
    }
    if (!got.byte) continue;
    feed_byte(adapter_parser, view, *got.byte);
  }
  return 0;
}

void start_receive_loop(ConsoleView& view) {
  register_stop_at_exit();
  if (receive_thread.joinable()) {
    // The earlier loop still runs: it keeps serving, never a second one.
    if (loop_running) return;
    receive_thread.join();
  }
  loop_running = true;
  try {
    receive_thread = std::thread([&view] {
      adapter_receive_loop(view);
      loop_running = false;
    });
  } catch (const std::system_error&) {
    loop_running = false;  // no thread to be had: the link stays deaf
  }
}

void stop_receive_loop(const DisplayPump& pump) {
  // The flag first: once woken, the loop must find it cleared.
  adapter_open = false;
  adapter_port_handle.wake_reader();
  if (!receive_thread.joinable()) return;
  // The loop may be waiting for the window to carry out a display request;
  // keep carrying them out until it has seen the flag and ended.
  while (loop_running) {
    if (pump) pump();
    std::this_thread::sleep_for(kPumpInterval);
  }
  receive_thread.join();
}

bool receive_loop_running() { return loop_running; }

void set_end_link_unattended_at_exit(ExitHook hook) {
  register_stop_at_exit();
  before_exit_stop = std::move(hook);
}
