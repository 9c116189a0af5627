// What the receive loop costs while the link is open and the adapter is
// silent: processor time of the whole process over a quiet spell, with the
// loop reading a pseudo-terminal on COM7 and the main thread asleep.

#include <sys/resource.h>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "adapter/link_state.h"
#include "adapter/receive_loop.h"
#include "bench/bench_report.h"
#include "bench/bench_view.h"
#include "support/pty_device.h"
#include "support/temp_workdir.h"

namespace {

double process_cpu_seconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

long context_switches() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_nvcsw + usage.ru_nivcsw;
}

}  // namespace

int main(int argc, char** argv) {
  const BenchOptions options = parse_bench_options(argc, argv);
  TempWorkdir dir;
  PtyDevice adapter(7);
  BenchView view;

  open_adapter_port(view, "7");
  if (!adapter_open || !adapter_port_handle.is_open()) {
    std::fprintf(stderr, "the adapter port on COM7 did not open\n");
    return 1;
  }
  start_receive_loop(view);
  // Let the thread settle into its reads before the spell is timed.
  std::this_thread::sleep_for(std::chrono::milliseconds(100));

  const double cpu_before = process_cpu_seconds();
  const long switches_before = context_switches();
  const auto wall_before = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(std::chrono::duration<double>(options.seconds));
  const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_before).count();
  const double cpu = process_cpu_seconds() - cpu_before;
  const long switches = context_switches() - switches_before;

  const bool still_running = receive_loop_running();
  stop_receive_loop({});
  close_adapter_link();
  if (!still_running) {
    std::fprintf(stderr, "the receive loop ended by itself\n");
    return 1;
  }
  std::printf("%.1f s quiet: %.3f ms of processor time, %ld context switches\n", wall, cpu * 1e3,
              switches);
  print_result("receive_idle_cpu_percent", 100.0 * cpu / wall);
  print_result("receive_idle_wakeups_per_s", static_cast<double>(switches) / wall);
  return 0;
}
