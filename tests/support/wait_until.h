#pragma once
// Waiting for something another thread or process does, with a limit so a
// fault fails the test instead of hanging it.

#include <chrono>
#include <functional>
#include <thread>

// Polls `done` until it holds or `limit` passes; runs `meanwhile` between
// polls (for example to carry out the receive thread's display requests).
inline bool wait_until(const std::function<bool()>& done,
                       const std::function<void()>& meanwhile = {},
                       std::chrono::milliseconds limit = std::chrono::seconds(5)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    if (meanwhile) meanwhile();
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return true;
}
