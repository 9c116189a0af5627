#include <windows.h>

#include <thread>

#include "adapter/pacing.h"

// Sleep() counts whole timer ticks (1 ms with the period the program takes)
// and would turn the 10 us and 100 us pauses into none at all: those, and
// the last moment of a longer one that woke early, pass yielding to other
// threads instead.
void sleep_at_least(std::chrono::nanoseconds pause) {
  using Clock = std::chrono::steady_clock;
  const auto end = Clock::now() + pause;
  for (;;) {
    const auto left = end - Clock::now();
    if (left <= Clock::duration::zero()) return;
    if (left >= std::chrono::milliseconds(2)) {
      Sleep(static_cast<DWORD>(std::chrono::ceil<std::chrono::milliseconds>(left).count()));
    } else {
      std::this_thread::yield();
    }
  }
}
