#pragma once
// A call that may block for longer than its caller can wait: it runs on a
// thread of its own, and the caller waits for it only until a deadline.

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>

// The result of `work` if it is done by `end`. Work still running then goes
// on by itself, and its result is dropped when it ends.
template <typename Result, typename Work>
std::optional<Result> finished_by(std::chrono::steady_clock::time_point end, Work work) {
  struct Shared {
    std::mutex lock;
    std::condition_variable done;
    std::optional<Result> result;
  };
  auto shared = std::make_shared<Shared>();
  std::thread([shared, work = std::move(work)]() mutable {
    Result result = work();
    std::lock_guard<std::mutex> hold(shared->lock);
    shared->result.emplace(std::move(result));
    shared->done.notify_all();
  }).detach();
  std::unique_lock<std::mutex> hold(shared->lock);
  if (!shared->done.wait_until(hold, end, [&] { return shared->result.has_value(); })) return {};
  return std::move(shared->result);
}
