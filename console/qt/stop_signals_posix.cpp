#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

#include "adapter/pacing.h"
#include "console/qt/stop_signals.h"

namespace {

constexpr int kStopSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The self-pipe: the handler writes, the window's thread reads.
int signal_pipe[2] = {-1, -1};

void note_stop_signal(int signal_number) {
  const int saved_errno = errno;
  cut_pauses_short();
  const char byte = static_cast<char>(signal_number);
  // Non-blocking: a burst of signals must not block the handler.
  [[maybe_unused]] const ssize_t n = write(signal_pipe[1], &byte, 1);
  errno = saved_errno;
}

}  // namespace

StopSignals::StopSignals(std::function<void()> on_stop) : on_stop_(std::move(on_stop)) {
  if (pipe2(signal_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return;  // default handling stays
  notifier_ = std::make_unique<QSocketNotifier>(signal_pipe[0], QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
    char bytes[16];
    while (read(signal_pipe[0], bytes, sizeof bytes) > 0) {
    }
    if (on_stop_) on_stop_();
  });
  struct sigaction action {};
  action.sa_handler = note_stop_signal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal_number : kStopSignals) sigaction(signal_number, &action, nullptr);
}

StopSignals::~StopSignals() {
  if (!notifier_) return;
  for (int signal_number : kStopSignals) signal(signal_number, SIG_DFL);
  notifier_.reset();
  close(signal_pipe[0]);
  close(signal_pipe[1]);
  signal_pipe[0] = signal_pipe[1] = -1;
}
