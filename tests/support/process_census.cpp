#include "support/process_census.h"

#include <time.h>

#include <filesystem>
#include <thread>

namespace {
int entries_in(const char* dir) {
  int n = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir)) ++n;
  return n;
}
}  // namespace

int open_descriptors() { return entries_in("/proc/self/fd"); }

int threads_now() { return entries_in("/proc/self/task"); }

int threads_at_rest() {
  std::thread([] {}).join();
  std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return threads_now();
}

int threads_after_settling(int expected) {
  const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
  int n = threads_now();
  while (n != expected && std::chrono::steady_clock::now() < limit) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    n = threads_now();
  }
  return n;
}

std::chrono::nanoseconds process_cpu_time() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return std::chrono::seconds(ts.tv_sec) + std::chrono::nanoseconds(ts.tv_nsec);
}
