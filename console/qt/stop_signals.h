#pragma once
// SIGTERM, SIGINT and SIGHUP: a desktop session ending, the terminal that
// started the program closed, Ctrl-C. The handler only cuts START's pauses
// short and notes the signal; the work is done on the window's thread, from
// whatever event loop runs there, an open message box's included. A signal
// that was ignored when the program started stays ignored.

#include <QSocketNotifier>
#include <functional>
#include <memory>

class StopSignals {
 public:
  // `on_stop` runs on the window's thread once a signal has come.
  explicit StopSignals(std::function<void()> on_stop);
  // Each signal gets back what it did before.
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

 private:
  std::function<void()> on_stop_;
  std::unique_ptr<QSocketNotifier> notifier_;
};
