#include "adapter/pacing.h"

#include <algorithm>
#include <atomic>

namespace {

using Clock = std::chrono::steady_clock;

std::atomic<std::int64_t> pacing_divisor{1};
std::atomic<bool> pauses_cut_short{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

// Short enough that a stop signal ends the longest pause at once, long
// enough that a one-second pause wakes only a hundred times.
constexpr auto kSlice = std::chrono::milliseconds(10);

}  // namespace

void spin_wait(std::int64_t count) {
  if (count <= 0) return;
  const auto end = Clock::now() + std::chrono::nanoseconds(count / pacing_divisor.load());
  while (!pauses_cut_short.load()) {
    const auto now = Clock::now();
    if (now >= end) return;
    sleep_at_least(std::min<Clock::duration>(end - now, kSlice));
  }
}

void cut_pauses_short() { pauses_cut_short.store(true); }

void set_pacing_divisor_for_tests(std::int64_t divisor) {
  pacing_divisor.store(divisor > 0 ? divisor : 1);
}
