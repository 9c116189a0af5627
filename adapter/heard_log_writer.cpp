#include "adapter/heard_log_writer.h"

#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <thread>

#include "adapter/heard_log_append.h"
#include "console/message_boxes.h"

// The heard log has a writer thread of its own: STOP waits for the receive
// loop to end and the receive thread's display requests hold the window's
// thread, so a write on either would let a stalled disk (a sleeping USB
// stick, a hung network folder) freeze the window or STOP. The receive
// thread only queues the line; the writer appends each with one write. When
// the disk stalls for many thousand lines, later lines are dropped and the
// operator is told. The writer runs while there are lines and ends after a
// quiet moment, so a STOPped console keeps no thread for it.

namespace {

using namespace std::chrono_literals;

std::atomic<bool> log_on{true};
std::atomic<HeardClock> clock_source{nullptr};
std::atomic<HeardLogNotice> notice{nullptr};
std::atomic<bool> told{false};

constexpr std::size_t kMostWaiting = 16384;  // hours of a busy repeater on a stalled disk
constexpr auto kLinger = 100ms;              // a burst of headers shares one writer
constexpr auto kExitDrain = 2s;              // the longest EXIT waits for the disk

// A line and the file it goes to, named while the folder it was heard in is
// still the working folder.
struct QueuedLine {
  std::filesystem::path path;
  std::string line;
};

struct Queue {
  std::mutex mutex;
  std::condition_variable more;
  std::deque<QueuedLine> lines;
  bool writer_running = false;
  std::uint64_t handed_over = 0;
  std::uint64_t settled = 0;        // written, or given up on
  std::filesystem::path torn_file;  // the running writer's only
};

// Never destroyed: a writer still held by a stalled disk when the program
// ends must find its queue intact.
template <typename T>
union NeverDestroyed {
  T value;
  NeverDestroyed() : value() {}
  ~NeverDestroyed() {}
};

Queue& queue() {
  static NeverDestroyed<Queue> q;
  return q.value;
}

void tell_once(const std::string& file, const std::string& reason) {
  if (told.exchange(true)) return;
  const std::string text = std::string(box::heard_log_unwritten.text) + file +
                           " could not be written: " + reason +
                           ".\nStations heard are still shown; this notice comes once per run.";
  if (HeardLogNotice show = notice.load()) {
    show(text, std::string(box::heard_log_unwritten.caption));
  } else {
    std::fprintf(stderr, "%s: %s\n", std::string(box::heard_log_unwritten.caption).c_str(),
                 text.c_str());
  }
}

// Opened for each line, as the settings files are for each save: the
// operator may move the file away at any time.
void append(const QueuedLine& queued, std::filesystem::path& torn_file) {
  const std::filesystem::path& path = queued.path;
  const std::string& line = queued.line;
  // A part line that could not be cut back gets its end first, so the lines
  // after it stay whole.
  const HeardLineWrite result = append_heard_line(path, torn_file == path ? "\n" + line : line);
  if (result.written) torn_file.clear();
  if (result.left_partial) torn_file = path;
  if (!result.reason.empty()) tell_once(heard_log_file_for(line), result.reason);
}

void write_lines() {
  Queue& q = queue();
  std::unique_lock lock(q.mutex);
  for (;;) {
    if (q.lines.empty() && !q.more.wait_for(lock, kLinger, [&] { return !q.lines.empty(); })) {
      q.writer_running = false;
      return;
    }
    const QueuedLine queued = std::move(q.lines.front());
    q.lines.pop_front();
    lock.unlock();
    append(queued, q.torn_file);
    lock.lock();
    ++q.settled;
  }
}

// Kept as a path, wide on Windows, so any folder name reaches the file.
std::filesystem::path in_working_folder(const std::string& file) {
  std::error_code error;
  const std::filesystem::path folder = std::filesystem::current_path(error);
  return error ? std::filesystem::path(file) : folder / file;
}

void drain_at_exit() { heard_log_drain(kExitDrain); }

}  // namespace

void log_heard_header(const ReceivedHeader& header) {
  if (!log_on.load(std::memory_order_relaxed)) return;
  const HeardClock now = clock_source.load();
  const std::string line = heard_log_line(now ? now() : std::chrono::system_clock::now(), header);
  Queue& q = queue();
  std::unique_lock lock(q.mutex);
  if (q.lines.size() >= kMostWaiting) {
    lock.unlock();
    tell_once(heard_log_file_for(line),
              "the disk has not kept up, so stations heard meanwhile are missing");
    return;
  }
  q.lines.push_back({in_working_folder(heard_log_file_for(line)), line});
  ++q.handed_over;
  if (q.writer_running) {
    lock.unlock();
    q.more.notify_one();
    return;
  }
  try {
    std::thread(write_lines).detach();
    q.writer_running = true;
  } catch (const std::system_error& e) {
    q.lines.pop_back();
    --q.handed_over;
    lock.unlock();
    tell_once(heard_log_file_for(line), e.code().message());
    return;
  }
  static const bool drain_registered = std::atexit(drain_at_exit) == 0;
  (void)drain_registered;
}

void set_heard_log_on(bool on) { log_on = on; }

void set_heard_log_clock(HeardClock clock) { clock_source = clock; }

void set_heard_log_notice(HeardLogNotice show) { notice = show; }

bool heard_log_drain(std::chrono::milliseconds limit) {
  const auto give_up = std::chrono::steady_clock::now() + limit;
  Queue& q = queue();
  for (;;) {
    {
      std::lock_guard lock(q.mutex);
      if (q.settled >= q.handed_over) return true;
    }
    if (std::chrono::steady_clock::now() >= give_up) return false;
    std::this_thread::sleep_for(1ms);
  }
}

void forget_heard_log_failure() { told = false; }
