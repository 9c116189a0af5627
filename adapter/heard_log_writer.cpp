#include "adapter/heard_log_writer.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <system_error>
#include <thread>

// Why a thread of its own: STOP waits for the receive loop to end, and the
// receive thread's display requests hold the window's thread, so a write on
// either would let a stalled disk (a sleeping USB stick, a hung network
// folder) freeze the window or STOP. The receive thread only puts the line
// into a pipe without waiting; the writer takes lines from it and appends
// each with one write. If the disk stalls for the length of the pipe (some
// thousands of lines), later lines are dropped and the operator is told,
// rather than the window waiting. The writer touches nothing but the pipe
// and plain atomics, so it may be left behind at exit.

namespace {

using namespace std::chrono_literals;

std::atomic<bool> log_on{true};
std::atomic<HeardClock> clock_source{nullptr};
std::atomic<HeardLogNotice> notice{nullptr};
std::atomic<bool> told{false};
std::atomic<std::uint64_t> handed_over{0};
std::atomic<std::uint64_t> settled{0};  // written, or given up on

constexpr int kPipeBytes = 1 << 20;  // about 15,000 lines of a stalled disk
constexpr auto kExitDrain = 2s;      // the longest EXIT waits for the disk

struct Queue {
  int in = -1;
  int error = 0;  // why there is no writer
};

std::string reason_of(int error) {
  return std::error_code(error, std::generic_category()).message();
}

void tell_once(const std::string& file, const std::string& reason) {
  if (told.exchange(true)) return;
  const std::string text = "The heard log " + file + " could not be written: " + reason +
                           ".\nStations heard are still shown; this notice comes once per run.";
  if (HeardLogNotice show = notice.load()) {
    show(text, "Heard log");
  } else {
    std::fprintf(stderr, "Heard log: %s\n", text.c_str());
  }
}

// Two copies of the program in one folder: only one writes the columns, and
// before any line.
bool add_columns_if_new(int fd, int& error) {
  struct stat st {};
  if (fstat(fd, &st) != 0) {
    error = errno;
    return false;
  }
  if (st.st_size != 0) return true;
  flock(fd, LOCK_EX);  // without locks (some network folders) a rare race remains
  bool ok = true;
  if (fstat(fd, &st) == 0 && st.st_size == 0) {
    const std::size_t n = sizeof kHeardLogColumns - 1;
    const ssize_t written = write(fd, kHeardLogColumns, n);
    if (written != static_cast<ssize_t>(n)) {
      error = written < 0 ? errno : ENOSPC;
      ok = false;
    }
  }
  flock(fd, LOCK_UN);
  return ok;
}

// Opened for each line, as the settings files are for each save: the
// operator may move the file away or change folders at any time.
void append(const std::string& line, std::string& torn_file) {
  const std::string file = heard_log_file_for(line);
  const int fd = open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666);
  if (fd < 0) {
    tell_once(file, reason_of(errno));
    return;
  }
  int error = 0;
  if (add_columns_if_new(fd, error)) {
    // One write on O_APPEND: a crash leaves whole lines, and another copy of
    // the program appending never splits one. A line a full disk cut short
    // gets its end first, so the lines after it stay whole.
    const std::string out = torn_file == file ? "\n" + line : line;
    const ssize_t written = write(fd, out.data(), out.size());
    if (written == static_cast<ssize_t>(out.size())) {
      torn_file.clear();
    } else {
      error = written < 0 ? errno : ENOSPC;
      if (written > 0) torn_file = file;
    }
  }
  close(fd);
  if (error != 0) tell_once(file, reason_of(error));
}

void write_lines(int from) {
  std::string pending;
  std::string torn_file;
  char buf[8192];
  for (;;) {
    const ssize_t n = read(from, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    pending.append(buf, static_cast<std::size_t>(n));
    std::size_t start = 0;
    for (std::size_t end; (end = pending.find('\n', start)) != std::string::npos; start = end + 1) {
      append(pending.substr(start, end + 1 - start), torn_file);
      settled.fetch_add(1);
    }
    pending.erase(0, start);
  }
}

void drain_at_exit() { heard_log_drain(kExitDrain); }

Queue start_writer() {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return {-1, errno};
  fcntl(fds[1], F_SETPIPE_SZ, kPipeBytes);  // the default 64 KiB is still a thousand lines
  fcntl(fds[1], F_SETFL, fcntl(fds[1], F_GETFL) | O_NONBLOCK);
  try {
    std::thread(write_lines, fds[0]).detach();
  } catch (const std::system_error& e) {
    close(fds[0]);
    close(fds[1]);
    return {-1, e.code().value()};
  }
  std::atexit(drain_at_exit);
  return {fds[1], 0};
}

}  // namespace

void log_heard_header(const std::array<std::uint8_t, 33>& header) {
  if (!log_on.load(std::memory_order_relaxed)) return;
  const HeardClock now = clock_source.load();
  const std::string line = heard_log_line(now ? now() : std::chrono::system_clock::now(), header);
  static const Queue queue = start_writer();
  if (queue.in < 0) {
    tell_once(heard_log_file_for(line), reason_of(queue.error));
    return;
  }
  handed_over.fetch_add(1);
  // A line is far below PIPE_BUF, so it goes into the pipe whole or not at all.
  if (write(queue.in, line.data(), line.size()) != static_cast<ssize_t>(line.size())) {
    const int error = errno;
    settled.fetch_add(1);
    tell_once(heard_log_file_for(line),
              error == EAGAIN ? "the disk has not kept up, so stations heard meanwhile are missing"
                              : reason_of(error));
  }
}

void set_heard_log_on(bool on) { log_on = on; }

void set_heard_log_clock(HeardClock clock) { clock_source = clock; }

void set_heard_log_notice(HeardLogNotice show) { notice = show; }

bool heard_log_drain(std::chrono::milliseconds limit) {
  const auto give_up = std::chrono::steady_clock::now() + limit;
  while (settled.load() < handed_over.load()) {
    if (std::chrono::steady_clock::now() >= give_up) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

void forget_heard_log_failure() { told = false; }
