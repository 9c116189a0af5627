// How much longer than its pauses a START takes: the whole START through the
// handlers (both ports opened, receive loop started, five adapter frames,
// FT-817 tuned to a repeater) against pseudo-terminals on COM7 and COM8, less
// the pauses the adapter and the radio need. With --crowd N, beside N other
// processes of 100 descriptors each, as on a busy desktop: each open looks
// for programs that hold the port.

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "adapter/link_state.h"
#include "adapter/pacing.h"
#include "bench/bench_report.h"
#include "bench/station_files.h"
#include "console/console_handlers.h"
#include "support/pty_device.h"
#include "support/recording_view.h"
#include "support/temp_workdir.h"

namespace {

// The pauses of one START in repeater operation, in counts of 1 ns: before
// init, after init, before MY, before the suffix, before repeater mode,
// before the route; then after frequency, after offset, before direction,
// after direction, after mode.
constexpr std::int64_t kStartPauses[] = {1000000,    10000,     1000000,   1000000,
                                         1000000,    100000,    100000000, 100000000,
                                         1000000000, 100000000, 100000000};

// Bytes each device must have had by the end of START.
constexpr std::size_t kAdapterBytes = 8 + 17 + 11 + 8 + 31;
constexpr std::size_t kRadioBytes = 4 * 5;

// The pauses as spin_wait takes them, shortened by the divisor.
double pause_sum_ms(long divisor) {
  std::int64_t ns = 0;
  for (std::int64_t count : kStartPauses) ns += count / divisor;
  return static_cast<double>(ns) / 1e6;
}

// Processor time of the window's thread, which runs the whole START.
double thread_cpu_ms() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

// Other processes, each holding 100 descriptors (/dev/null and pipes), until
// the bench ends.
class Crowd {
 public:
  explicit Crowd(int processes) {
    for (int i = 0; i < processes; ++i) {
      const pid_t pid = fork();
      if (pid == 0) {
        for (int fd = 3; fd < 100; fd += 3) {
          int ends[2];
          if (open("/dev/null", O_RDONLY) < 0 || pipe(ends) != 0) break;
        }
        for (;;) pause();
      }
      if (pid > 0) pids_.push_back(pid);
    }
  }
  ~Crowd() {
    for (pid_t pid : pids_) kill(pid, SIGKILL);
    for (pid_t pid : pids_) waitpid(pid, nullptr, 0);
  }
  Crowd(const Crowd&) = delete;
  Crowd& operator=(const Crowd&) = delete;

 private:
  std::vector<pid_t> pids_;
};

}  // namespace

int main(int argc, char** argv) {
  const BenchOptions options = parse_bench_options(argc, argv);
  Crowd crowd(options.crowd);
  TempWorkdir dir;
  write_typical_station_files(dir);
  PtyDevice adapter(7);
  PtyDevice radio(8);
  CallLogView view{CallLogView::counts_only};
  const DisplayPump pump = [] {};
  set_pacing_divisor_for_tests(options.pacing_divisor);

  // Window creation looks ahead at every process's descriptors.
  const auto created = std::chrono::steady_clock::now();
  on_window_created(view);
  print_result("window_created_ms",
               std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - created)
                   .count());
  const double pauses = pause_sum_ms(options.pacing_divisor);
  std::vector<double> overheads;
  std::vector<double> cpu_times;
  for (int run = 0; run < options.runs; ++run) {
    const double cpu_begin = thread_cpu_ms();
    const auto begin = std::chrono::steady_clock::now();
    on_start_stop(view, pump);
    const auto end = std::chrono::steady_clock::now();
    const double cpu = thread_cpu_ms() - cpu_begin;
    const double wall = std::chrono::duration<double, std::milli>(end - begin).count();

    const bool started =
        adapter_open && transceiver_active && view.count(ViewCall::message_box) == 0;
    const std::size_t to_adapter = adapter.read_count(kAdapterBytes).size();
    const std::size_t to_radio = radio.read_count(kRadioBytes).size();
    on_start_stop(view, pump);  // STOP, outside the timing
    if (!started || to_adapter != kAdapterBytes || to_radio != kRadioBytes) {
      std::fprintf(stderr, "START did not configure both devices (%zu and %zu bytes)\n", to_adapter,
                   to_radio);
      return 1;
    }
    overheads.push_back(wall - pauses);
    cpu_times.push_back(cpu);
    std::printf("run %d: START %.3f ms, pauses %.3f ms, overhead %.3f ms, processor %.3f ms\n",
                run + 1, wall, pauses, wall - pauses, cpu);
  }
  print_result("start_pauses_ms", pauses);
  print_result("start_overhead_median_ms", median(overheads));
  print_result("start_overhead_max_ms", *std::max_element(overheads.begin(), overheads.end()));
  // Work the window's thread did itself; the rest of the overhead is waiting
  // for the processor after each pause.
  print_result("start_cpu_median_ms", median(cpu_times));
  return 0;
}
