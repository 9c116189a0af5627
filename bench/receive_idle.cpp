// What the receive loop costs while the link is open and the adapter is
// silent: processor time and wake-ups of the whole process over a quiet
// spell, with the loop reading a pseudo-terminal on COM7 and the main thread
// asleep. Then how long a stop of such an idle loop takes.

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <thread>
#include <vector>

#include "adapter/link_state.h"
#include "adapter/receive_loop.h"
#include "bench/bench_report.h"
#include "bench/process_wakeups.h"
#include "support/pty_device.h"
#include "support/recording_view.h"
#include "support/temp_workdir.h"

namespace {

double process_cpu_seconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

constexpr int kStops = 20;
constexpr auto kIdleBeforeStop = std::chrono::milliseconds(100);

}  // namespace

int main(int argc, char** argv) {
  const BenchOptions options = parse_bench_options(argc, argv);
  TempWorkdir dir;
  PtyDevice adapter(7);
  CallLogView view{CallLogView::counts_only};

  open_adapter_port(view, "7");
  if (!adapter_open || !adapter_port_handle.is_open()) {
    std::fprintf(stderr, "the adapter port on COM7 did not open\n");
    return 1;
  }
  start_receive_loop(view);
  // Let the thread settle into its reads before the spell is timed.
  std::this_thread::sleep_for(std::chrono::milliseconds(100));

  const double cpu_before = process_cpu_seconds();
  const auto threads_before = thread_switches();
  const auto wall_before = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(std::chrono::duration<double>(options.seconds));
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_before).count();
  const double cpu = process_cpu_seconds() - cpu_before;
  const auto threads_after = thread_switches();
  const long switches = total_switches(threads_after) - total_switches(threads_before);

  const bool still_running = receive_loop_running();
  stop_receive_loop({});
  close_adapter_link();
  if (!still_running) {
    std::fprintf(stderr, "the receive loop ended by itself\n");
    return 1;
  }
  std::printf("%.1f s quiet: %.3f ms of processor time, %ld context switches (%s)\n", wall,
              cpu * 1e3, switches, switches_between(threads_before, threads_after).c_str());

  // A stop of a loop that has been waiting on a silent adapter.
  std::vector<double> stop_ms;
  for (int i = 0; i < kStops; ++i) {
    open_adapter_port(view, "7");
    start_receive_loop(view);
    std::this_thread::sleep_for(kIdleBeforeStop);
    const auto stop_began = std::chrono::steady_clock::now();
    stop_receive_loop({});
    stop_ms.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - stop_began)
            .count());
    close_adapter_link();
  }
  // The adapter unplugged while the link runs: the loop waits for it to
  // come back, trying COM7 once a second.
  std::optional<PtyDevice> unplugged(std::in_place, 7);
  open_adapter_port(view, "7");
  start_receive_loop(view);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  unplugged->close_far_end();
  unplugged.reset();  // and its COM7 link goes
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  const double gone_cpu_before = process_cpu_seconds();
  const auto gone_before = thread_switches();
  const auto gone_began = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(std::chrono::duration<double>(options.seconds));
  const double gone_wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - gone_began).count();
  const double gone_cpu = process_cpu_seconds() - gone_cpu_before;
  const auto gone_after = thread_switches();
  const long gone_switches = total_switches(gone_after) - total_switches(gone_before);
  stop_receive_loop({});
  close_adapter_link();
  std::printf(
      "%.1f s with the adapter gone: %.3f ms of processor time, %ld context switches (%s)\n",
      gone_wall, gone_cpu * 1e3, gone_switches, switches_between(gone_before, gone_after).c_str());

  print_result("receive_gone_cpu_percent", 100.0 * gone_cpu / gone_wall);
  print_result("receive_gone_wakeups_per_s", static_cast<double>(gone_switches) / gone_wall);
  print_result("receive_idle_cpu_percent", 100.0 * cpu / wall);
  print_result("receive_idle_wakeups_per_s", static_cast<double>(switches) / wall);
  print_result("receive_stop_median_ms", median(stop_ms));
  print_result("receive_stop_max_ms", *std::max_element(stop_ms.begin(), stop_ms.end()));
  return 0;
}
