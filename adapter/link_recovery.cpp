#include "adapter/link_recovery.h"

#include <chrono>
#include <mutex>
#include <optional>

#include "adapter/adapter_bytes.h"
#include "adapter/link_state.h"
#include "adapter/pacing.h"

namespace {

constexpr auto kRetryInterval = std::chrono::seconds(1);
// The adapter needs a pause before each configuration frame; on return each
// gets the longest one START uses.
constexpr std::int64_t kPauseBeforeFrame = 1000000;

// The adapter's state as the console last set it, in START's order.
struct AdapterConfiguration {
  std::optional<AdapterFrame> init, my_call, my_suffix, repeater_mode, route;
};

// Held by the window's thread for each frame it sends, and by the receive
// thread while it gives back, reopens and configures the port. The receive
// thread never asks the window for anything while holding it.
std::mutex port_lock;
AdapterConfiguration configuration;  // under port_lock
std::string adapter_device;          // window's thread, before the loop starts

void remember(const AdapterFrame& frame) {
  switch (frame.bytes[5]) {
    case adapter_byte::init:
      // A new START: what an earlier run routed is not the adapter's any more.
      configuration = AdapterConfiguration{};
      configuration.init = frame;
      break;
    case adapter_byte::my_call:
      configuration.my_call = frame;
      break;
    case adapter_byte::my_suffix:
      configuration.my_suffix = frame;
      break;
    case adapter_byte::repeater_mode:
      configuration.repeater_mode = frame;
      break;
    case adapter_byte::route:
      configuration.route = frame;
      break;
    default:
      break;  // short messages are sent once, never again
  }
}

// Under port_lock. Stops early when the link is stopped meanwhile.
void resend_configuration() {
  for (const auto* frame : {&configuration.init, &configuration.my_call, &configuration.my_suffix,
                            &configuration.repeater_mode, &configuration.route}) {
    if (!adapter_open) return;
    if (!*frame) continue;
    spin_wait(kPauseBeforeFrame);
    adapter_port_handle.write((*frame)->bytes.data(), (*frame)->size);
  }
}

bool reopen_and_configure() {
  std::lock_guard<std::mutex> hold(port_lock);
  if (!adapter_port_handle.reopen(adapter_device, StopBits::one)) return false;
  resend_configuration();
  return true;
}

}  // namespace

void send_adapter_frame(const AdapterFrame& frame) {
  std::lock_guard<std::mutex> hold(port_lock);
  remember(frame);
  write_bytes(adapter_port_handle, frame.bytes.data(), frame.size);
}

void remember_adapter_device(const std::string& path) { adapter_device = path; }

void wait_for_adapter_return(ConsoleView& view) {
  {
    std::lock_guard<std::mutex> hold(port_lock);
    adapter_port_handle.drop_device();
  }
  // No box: the operator may be away, and a box would hold this thread.
  view.set_text(ctl::response, "LOST");
  while (adapter_open) {
    adapter_port_handle.sleep_until_woken(kRetryInterval);
    if (!adapter_open) break;
    if (reopen_and_configure()) break;
  }
  // Blank until the adapter reports something; nor does "LOST" stay once
  // STOP or EXIT has ended the link.
  view.set_text(ctl::response, "    ");
}
