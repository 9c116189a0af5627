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
  for (const std::int64_t ns : {10'000, 100'000, 1'000'000, 10'000'000, 100'000'000}) {
    SCOPED_TRACE(ns);
    std::vector<double> errors_ms;
    for (int i = 0; i < 9; ++i) {
      const auto start = std::chrono::steady_clock::now();
      spin_wait(ns);
      const std::chrono::duration<double, std::milli> took =
          std::chrono::steady_clock::now() - start;
      errors_ms.push_back(took.count() - static_cast<double>(ns) / 1e6);
    }
    std::sort(errors_ms.begin(), errors_ms.end());
    const double median = errors_ms[errors_ms.size() / 2];
    std::printf("pause %lld ns: median error %.3f ms, worst %.3f ms\n", static_cast<long long>(ns),
                median, errors_ms.back());
    // Never short, and the median well below the 15.6 ms tick the pauses
    // would otherwise take. Generous for a loaded 2-core machine.
    EXPECT_GE(errors_ms.front(), -0.05);
    EXPECT_LT(median, 8.0);
  }
  timeEndPeriod(1);
}

}  // namespace
