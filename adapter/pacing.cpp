#include "adapter/pacing.h"

#include <atomic>

namespace {
std::atomic<std::int64_t> pacing_divisor{1};
}

void spin_wait(std::int64_t count) {
  if (count <= 0) return;
  sleep_at_least(std::chrono::nanoseconds(count / pacing_divisor.load()));
}

void set_pacing_divisor_for_tests(std::int64_t divisor) {
  pacing_divisor.store(divisor > 0 ? divisor : 1);
}
