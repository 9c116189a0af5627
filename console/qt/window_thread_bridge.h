#pragma once
// Carries the display requests of the receive thread and the tuning thread
// to the window's thread, which carries each out while its caller waits. A
// header line is 36 requests in a row, so once woken the window's thread
// waits a few hundred microseconds for the next one before it sleeps again:
// on a multi-core machine a wake-up costs far more than the request itself.
// A request may open a message box: while it waits for OK, the other
// thread's requests are still carried out, as Windows does for SendMessage.

#include <QObject>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
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
  struct Waiting {
    const std::function<void()>* request;
    std::atomic<bool> done{false};
  };
  std::mutex mutex_;
  std::condition_variable finished_;
  std::deque<Waiting*> queue_;
  std::atomic<std::size_t> queued_{0};
  bool closed_ = false;
  bool polling_ = false;      // a serve() looks at the queue between requests
  bool wake_posted_ = false;  // a serve() is queued on the window's thread
};
