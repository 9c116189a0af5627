#include "console/qt/window_thread_bridge.h"

#include <chrono>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
// Longer than the receive thread needs to decode the next byte, far shorter
// than anything the operator could notice.
constexpr auto kStayForNext = std::chrono::microseconds(300);
constexpr auto kSpinForAnswer = std::chrono::microseconds(300);

}  // namespace

void WindowThreadBridge::call(const std::function<void()>& request) {
  std::unique_lock lock(mutex_);
  finished_.wait(lock, [this] { return closed_ || pending_.load() == nullptr; });
  if (closed_) return;
  pending_.store(&request);
  const std::uint64_t ticket = ++issued_;
  const bool wake = !serving_ && !wake_posted_;
  if (wake) wake_posted_ = true;
  lock.unlock();
  if (wake)
    QMetaObject::invokeMethod(
        this, [this] { serve(); }, Qt::QueuedConnection);

  const auto spin_end = Clock::now() + kSpinForAnswer;
  while (completed_.load() < ticket && Clock::now() < spin_end) std::this_thread::yield();
  lock.lock();
  finished_.wait(lock, [&] { return closed_ || completed_.load() >= ticket; });
}

void WindowThreadBridge::close() {
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
    pending_.store(nullptr);
  }
  finished_.notify_all();
}

void WindowThreadBridge::serve() {
  // A request may run a nested event loop (a message box); the request
  // under way must not be started a second time from there.
  if (inside_serve_) return;
  {
    std::lock_guard lock(mutex_);
    if (closed_) return;
    serving_ = true;
    wake_posted_ = false;
  }
  inside_serve_ = true;
  auto last = Clock::now();
  for (;;) {
    if (const std::function<void()>* request = pending_.load()) {
      (*request)();
      {
        std::lock_guard lock(mutex_);
        pending_.store(nullptr);
        completed_.fetch_add(1);
      }
      finished_.notify_all();
      last = Clock::now();
      continue;
    }
    if (Clock::now() - last >= kStayForNext) {
      std::lock_guard lock(mutex_);
      if (pending_.load() == nullptr) {
        serving_ = false;
        inside_serve_ = false;
        return;
      }
      continue;
    }
    std::this_thread::yield();
  }
}
