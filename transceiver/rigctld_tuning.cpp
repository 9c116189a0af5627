#include "transceiver/rigctld_tuning.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <system_error>
#include <thread>

#include "transceiver/rigctld_link.h"
#include "transceiver/transceiver_models.h"

namespace {

struct Shared {
  std::mutex lock;
  std::condition_variable changed;
  std::optional<RigctldOrder> waiting;
  ConsoleView* view = nullptr;
  bool close_link = false;  // the connection goes before the next order
  bool busy = false;        // a tuning runs
  bool ordered = false;     // since the last end_rigctld_tunings
  std::optional<RigctldTuned> ended;
  bool quit = false;
};

// Never destroyed: the tuning thread may still be leaving when exit
// handlers run.
Shared& shared = *new Shared;
// The number of the tuning the window wants; any other one gives up.
std::atomic<std::uint64_t> wanted_number{0};
std::thread tuning_thread;

// The usual rule: every command taken, or in simplex operation also refused.
bool reached(TuningOutcome outcome, bool simplex) {
  return outcome == TuningOutcome::sent || (outcome == TuningOutcome::refused && simplex);
}

void tuning_loop() {
  const TransceiverModel& model = *find_transceiver_model("rigctld");
  std::unique_lock<std::mutex> hold(shared.lock);
  for (;;) {
    shared.changed.wait(hold, [] { return shared.quit || shared.close_link || shared.waiting; });
    if (shared.close_link) {
      shared.close_link = false;
      close_rigctld_link();
      shared.changed.notify_all();
      continue;
    }
    if (shared.quit) return;
    const RigctldOrder order = std::move(*shared.waiting);
    shared.waiting.reset();
    const std::uint64_t number = wanted_number;
    ConsoleView& view = *shared.view;
    shared.busy = true;
    hold.unlock();
    const auto wanted = [number] { return wanted_number == number; };
    TuningOutcome outcome = TuningOutcome::failed;
    if (begin_rigctld_tuning(view, order.address, wanted)) {
      outcome = tune_channel(view, model, order.channel);
    }
    hold.lock();
    shared.busy = false;
    if (wanted()) {
      shared.ended = RigctldTuned{reached(outcome, order.channel.simplex),
                                  order.channel.frequency_khz, order.channel.shift_khz};
    }
    shared.changed.notify_all();
  }
}

// No thread may outlive main: the tuning under way is given up and the
// thread ends with its connection closed. One still held by a box that
// nobody will answer is left behind.
void end_tuning_thread_at_exit() {
  std::unique_lock<std::mutex> hold(shared.lock);
  ++wanted_number;
  shared.waiting.reset();
  shared.quit = true;
  shared.close_link = true;
  shared.changed.notify_all();
  const bool idle = shared.changed.wait_for(hold, std::chrono::seconds(2),
                                            [] { return !shared.busy && !shared.close_link; });
  hold.unlock();
  if (idle) {
    tuning_thread.join();
  } else {
    tuning_thread.detach();
  }
}

bool start_tuning_thread() {
  if (tuning_thread.joinable()) return true;
  try {
    tuning_thread = std::thread(tuning_loop);
  } catch (const std::system_error&) {
    return false;
  }
  static const bool registered = std::atexit(end_tuning_thread_at_exit) == 0;
  (void)registered;
  return true;
}

}  // namespace

void order_rigctld_tuning(ConsoleView& view, RigctldOrder order) {
  std::lock_guard<std::mutex> hold(shared.lock);
  ++wanted_number;
  shared.ordered = true;
  if (!start_tuning_thread()) return;  // no thread to be had: the radio stays as it was
  shared.view = &view;
  shared.waiting = std::move(order);
  shared.changed.notify_all();
}

std::optional<RigctldTuned> end_rigctld_tunings() {
  std::lock_guard<std::mutex> hold(shared.lock);
  ++wanted_number;
  shared.waiting.reset();
  shared.close_link = tuning_thread.joinable();
  shared.changed.notify_all();
  std::optional<RigctldTuned> last;
  if (shared.ordered) last = shared.ended.value_or(RigctldTuned{});
  shared.ordered = false;
  shared.ended.reset();
  return last;
}

bool rigctld_tuning_under_way() {
  std::lock_guard<std::mutex> hold(shared.lock);
  return shared.busy || shared.waiting || shared.close_link;
}

bool await_rigctld_tunings(const std::function<void()>& pump, std::chrono::milliseconds at_most) {
  const auto end = std::chrono::steady_clock::now() + at_most;
  while (rigctld_tuning_under_way()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    if (pump) pump();
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return true;
}
