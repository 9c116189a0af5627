#include "adapter/link_recovery.h"

#include <chrono>
#include <mutex>
#include <optional>

#include "adapter/adapter_bytes.h"
#include "adapter/adapter_pauses.h"
#include "adapter/link_state.h"
#include "adapter/pacing.h"

namespace {

constexpr auto kRetryInterval = std::chrono::seconds(1);
// STOP looks in this often during such a pause.
constexpr int kPauseSlices = 100;

// The adapter's state as the console last set it, in START's order.
struct AdapterConfiguration {
  std::optional<AdapterFrame> init, my_call, my_suffix, repeater_mode, route;
};

// Held by the window's thread for each frame it sends, and by the receive
// thread only for moments: to give back or put in the device, and to look
// at what is to be sent. The receive thread never asks the window for
// anything while holding it.
std::mutex port_lock;
AdapterConfiguration configuration;  // under port_lock
// Under port_lock. False from the hang-up until the adapter is back and
// configured: the receive thread then has the device to itself, and the
// window's frames are only remembered.
bool adapter_present = false;
// Set by the window's thread before the loop starts.
std::string adapter_device;
DeviceIdentity adapter_identity;

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

bool same_frame(const std::optional<AdapterFrame>& a, const std::optional<AdapterFrame>& b) {
  if (!a || !b) return !a && !b;
  return a->size == b->size && a->bytes == b->bytes;
}

// False when the link was stopped meanwhile.
bool pause_unless_stopped(std::int64_t count) {
  for (int slice = 0; slice < kPauseSlices && adapter_open; ++slice) {
    spin_wait(count / kPauseSlices);
  }
  return adapter_open;
}

// A device under the adapter's name that is the adapter that left, never
// another that took the name.
bool reopen_same_adapter() {
  // Opened only when it can be ours: an open alone can switch a stranger's
  // control lines, and a held port would be opened and closed each second.
  if (SerialPort::identity_at(adapter_device) != adapter_identity ||
      SerialPort::held_elsewhere(adapter_device)) {
    return false;
  }
  SerialPort fresh = SerialPort::open(adapter_device, StopBits::one);
  // Looked at again once open: the name may have moved on meanwhile.
  if (!fresh.is_open() || fresh.identity() != adapter_identity) return false;
  std::lock_guard<std::mutex> hold(port_lock);
  adapter_port_handle.take_device(fresh);
  return true;
}

// The next frame to send again, or none once the adapter has everything:
// then the window's thread writes its frames itself again.
std::optional<AdapterFrame> next_frame(int step, const std::optional<AdapterFrame>& route_sent) {
  std::lock_guard<std::mutex> hold(port_lock);
  switch (step) {
    case 0:
      return configuration.init;
    case 1:
      return configuration.my_call;
    case 2:
      return configuration.my_suffix;
    case 3:
      return configuration.repeater_mode;
    default:
      // The route last: the latest one, also when the operator chose
      // another while the earlier one went out.
      if (!same_frame(configuration.route, route_sent)) return configuration.route;
      adapter_present = true;
      return std::nullopt;
  }
}

// Receive thread, the device its own. False when the link was stopped.
bool configure_again() {
  std::optional<AdapterFrame> route_sent;
  for (int step = 0;; ++step) {
    const std::optional<AdapterFrame> frame = next_frame(step, route_sent);
    if (!frame) {
      if (step < 4) continue;
      return true;
    }
    if (!pause_unless_stopped(kBeforeConfigurationFrame)) return false;
    adapter_port_handle.write(frame->bytes.data(), frame->size);
    if (step >= 4) route_sent = frame;
  }
}

}  // namespace

void send_adapter_frame(const AdapterFrame& frame) {
  std::lock_guard<std::mutex> hold(port_lock);
  remember(frame);
  if (adapter_present) write_bytes(adapter_port_handle, frame.bytes.data(), frame.size);
}

void remember_adapter_device(const std::string& path, const DeviceIdentity& identity) {
  std::lock_guard<std::mutex> hold(port_lock);
  adapter_device = path;
  adapter_identity = identity;
  adapter_present = true;
}

void wait_for_adapter_return(ConsoleView& view) {
  {
    std::lock_guard<std::mutex> hold(port_lock);
    adapter_present = false;
    adapter_port_handle.drop_device();
  }
  // No box: the operator may be away, and a box would hold this thread.
  view.set_text(ctl::response, "LOST");
  while (adapter_open) {
    adapter_port_handle.sleep_until_woken(kRetryInterval);
    if (!adapter_open) break;
    if (reopen_same_adapter() && configure_again()) break;
  }
  // Blank until the adapter reports something; nor does "LOST" stay once
  // STOP or EXIT has ended the link.
  view.set_text(ctl::response, "    ");
}
