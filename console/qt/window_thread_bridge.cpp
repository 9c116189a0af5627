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
  Waiting waiting{&request};
  std::unique_lock lock(mutex_);
  if (closed_) return;
  queue_.push_back(&waiting);
  queued_.fetch_add(1);
  const bool wake = !polling_ && !wake_posted_;
  if (wake) wake_posted_ = true;
  lock.unlock();
  if (wake)
    QMetaObject::invokeMethod(
        this, [this] { serve(); }, Qt::QueuedConnection);

  const auto spin_end = Clock::now() + kSpinForAnswer;
  while (!waiting.done.load() && Clock::now() < spin_end) std::this_thread::yield();
  lock.lock();
  finished_.wait(lock, [&] { return closed_ || waiting.done.load(); });
}

void WindowThreadBridge::close() {
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
    queue_.clear();
    queued_.store(0);
  }
  finished_.notify_all();
}

void WindowThreadBridge::serve() {
  std::unique_lock lock(mutex_);
  wake_posted_ = false;
  // A serve() inside a request's message box leaves the polling to the
  // one it returns to.
  const bool outer_polling = polling_;
  polling_ = true;
  auto last = Clock::now();
  for (;;) {
    if (closed_) break;
    if (!queue_.empty()) {
      // Taken off the queue before it runs: a message box it opens serves
      // the next request, never this one a second time.
      Waiting* waiting = queue_.front();
      queue_.pop_front();
      queued_.fetch_sub(1);
      polling_ = false;
      lock.unlock();
      (*waiting->request)();
      lock.lock();
      waiting->done.store(true);
      finished_.notify_all();
      polling_ = true;
      last = Clock::now();
      continue;
    }
    if (Clock::now() - last >= kStayForNext) break;
    lock.unlock();
    while (queued_.load() == 0 && Clock::now() - last < kStayForNext) std::this_thread::yield();
    lock.lock();
  }
  polling_ = outer_polling;
}
