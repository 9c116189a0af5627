#include <windows.h>

#include <thread>

#include "adapter/pacing.h"

// Sleep() counts whole timer ticks (1 ms with the period the program takes)
// and would turn the 10 us and 100 us pauses into none at all. It takes the
// long part; the last two milliseconds at most pass yielding to other threads.
void sleep_at_least(std::chrono::nanoseconds pause) {
  using Clock = std::chrono::steady_clock;
  const auto end = Clock::now() + pause;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now());
    if (left.count() >= 2) {
      Sleep(static_cast<DWORD>(left.count() - 1));
    } else if (Clock::now() < end) {
      std::this_thread::yield();
    } else {
      return;
    }
  }
}
