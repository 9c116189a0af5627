#pragma once
// Carries the receive thread's display requests to the window's thread,
// which carries each out while the receive thread waits. A header line is
// 36 requests in a row, so once woken the window's thread waits a few
// hundred microseconds for the next one before it sleeps again: on a
// multi-core machine a wake-up costs far more than the request itself.

#include <QObject>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

class WindowThreadBridge final : public QObject {
 public:
  // From any thread but the window's: returns once the request has run
  // on the window's thread.
  void call(const std::function<void()>& request);
  // On the window's thread: carries out the waiting requests. Also what the
  // window's thread runs while it waits for the receive loop to end.
  void serve();
  // On the window's thread, when it will never serve again (its display is
  // lost, the program is ending): every waiting request is released without
  // running, later ones return at once, and serve() does nothing.
  void close();

 private:
  std::mutex mutex_;
  std::condition_variable finished_;
  std::atomic<const std::function<void()>*> pending_{nullptr};
  std::atomic<std::uint64_t> completed_{0};
  std::uint64_t issued_ = 0;
  bool closed_ = false;
  bool serving_ = false;       // the window's thread is in serve()
  bool wake_posted_ = false;   // a serve() is queued on the window's thread
  bool inside_serve_ = false;  // window's thread only
};
