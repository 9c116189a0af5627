#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>

#include "adapter/pacing.h"
#include "console/qt/stop_signals.h"

namespace {

constexpr int kStopSignals[] = {SIGTERM, SIGINT, SIGHUP};
constexpr std::size_t kSignalCount = sizeof kStopSignals / sizeof kStopSignals[0];

// The self-pipe: the handler writes, the window's thread reads. Made once and
// never closed: a handler already running on another thread may still write
// after the handlers are given back, and must not write into whatever file
// would take over a closed descriptor's number.
int signal_pipe[2] = {-1, -1};

bool make_signal_pipe() {
  static const bool made = pipe2(signal_pipe, O_CLOEXEC | O_NONBLOCK) == 0;
  return made;
}

void drain_signal_pipe() {
  char bytes[16];
  while (read(signal_pipe[0], bytes, sizeof bytes) > 0) {
  }
}

// What each signal did before, given back when the handlers go.
struct sigaction previous[kSignalCount];
bool taken[kSignalCount] = {};

void note_stop_signal(int signal_number) {
  const int saved_errno = errno;
  cut_pauses_short();
  const char byte = static_cast<char>(signal_number);
  // Non-blocking: a burst of signals must not block the handler.
  [[maybe_unused]] const ssize_t n = write(signal_pipe[1], &byte, 1);
  errno = saved_errno;
}

bool ignored(const struct sigaction& action) {
  return (action.sa_flags & SA_SIGINFO) == 0 && action.sa_handler == SIG_IGN;
}

}  // namespace

StopSignals::StopSignals(std::function<void()> on_stop) : on_stop_(std::move(on_stop)) {
  if (!make_signal_pipe()) return;  // default handling stays
  drain_signal_pipe();              // a signal that came after an earlier one's handlers went
  notifier_ = std::make_unique<QSocketNotifier>(signal_pipe[0], QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
    drain_signal_pipe();
    if (on_stop_) on_stop_();
  });
  struct sigaction action {};
  action.sa_handler = note_stop_signal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (std::size_t i = 0; i < kSignalCount; ++i) {
    struct sigaction before {};
    // Started with the signal ignored (nohup, a service manager): the
    // operator asked for it to be ignored, so it stays so.
    if (sigaction(kStopSignals[i], nullptr, &before) != 0 || ignored(before)) continue;
    taken[i] = sigaction(kStopSignals[i], &action, &previous[i]) == 0;
  }
}

StopSignals::~StopSignals() {
  if (!notifier_) return;
  for (std::size_t i = 0; i < kSignalCount; ++i) {
    if (taken[i]) sigaction(kStopSignals[i], &previous[i], nullptr);
    taken[i] = false;
  }
  notifier_.reset();
}
