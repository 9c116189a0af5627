#include "adapter/pacing.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {
std::atomic<std::int64_t> pacing_divisor{1};
}

void spin_wait(std::int64_t count) {
  if (count <= 0) return;
  std::this_thread::sleep_for(std::chrono::nanoseconds(count / pacing_divisor.load()));
}

void set_pacing_divisor_for_tests(std::int64_t divisor) {
  pacing_divisor.store(divisor > 0 ? divisor : 1);
}
