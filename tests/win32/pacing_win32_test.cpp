// How far the pauses between commands stray on Windows, with the 1 ms timer
// period the program takes for its run.

#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <timeapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "adapter/pacing.h"

namespace {

TEST(Pacing, ShortPausesAreNotStretchedToTheDefaultTimerTick) {
  set_pacing_divisor_for_tests(1);
  timeBeginPeriod(1);
  struct Case {
    std::int64_t count;
  } cases[] = {{10000}, {100000}, {1000000}, {10000000}, {100000000}};
  for (const Case& c : cases) {
    std::vector<double> errors_ms;
    for (int i = 0; i < 9; ++i) {
      const auto start = std::chrono::steady_clock::now();
      spin_wait(c.count);
      const std::chrono::duration<double, std::milli> took =
          std::chrono::steady_clock::now() - start;
      errors_ms.push_back(took.count() - static_cast<double>(c.count) / 1e6);
    }
    std::sort(errors_ms.begin(), errors_ms.end());
    const double median = errors_ms[errors_ms.size() / 2];
    std::printf("pause %lld ns: median error %.3f ms, worst %.3f ms\n",
                static_cast<long long>(c.count), median, errors_ms.back());
    // Never short; and the median stays well below the 15.6 ms tick the
    // pauses would otherwise take. Generous for a loaded 2-core machine.
    EXPECT_GE(errors_ms.front(), -0.05) << c.count;
    EXPECT_LT(median, 8.0) << c.count;
  }
  timeEndPeriod(1);
  set_pacing_divisor_for_tests(1);
}

}  // namespace
