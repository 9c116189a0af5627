// What the receive loop costs while the link is open and the adapter is
// silent: processor time and wake-ups of the whole process over a quiet
// spell, with the loop reading a pseudo-terminal on COM7 and the main thread
// asleep. Then how long a stop of such an idle loop takes.

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
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

// What the process spent over a spell with the main thread asleep.
struct QuietSpell {
  double wall = 0;  // s
  double cpu = 0;   // s of processor time
  std::map<int, ThreadSwitches> before, after;

  long switches() const { return total_switches(after) - total_switches(before); }
};

QuietSpell sleep_through(double seconds) {
  QuietSpell spell;
  const double cpu_before = process_cpu_seconds();
  spell.before = thread_switches();
  const auto began = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  spell.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
  spell.cpu = process_cpu_seconds() - cpu_before;
  spell.after = thread_switches();
  return spell;
}

void print_spell(const char* what, const QuietSpell& spell) {
  std::printf("%.1f s %s: %.3f ms of processor time, %ld context switches (%s)\n", spell.wall, what,
              spell.cpu * 1e3, spell.switches(),
              switches_between(spell.before, spell.after).c_str());
}

void print_spell_results(const std::string& name, const QuietSpell& spell) {
  print_result(name + "_cpu_percent", 100.0 * spell.cpu / spell.wall);
  print_result(name + "_wakeups_per_s", static_cast<double>(spell.switches()) / spell.wall);
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

  const QuietSpell quiet = sleep_through(options.seconds);

  const bool still_running = receive_loop_running();
  stop_receive_loop({});
  close_adapter_link();
  if (!still_running) {
    std::fprintf(stderr, "the receive loop ended by itself\n");
    return 1;
  }
  print_spell("quiet", quiet);

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
  const QuietSpell gone = sleep_through(options.seconds);
  stop_receive_loop({});
  close_adapter_link();
  print_spell("with the adapter gone", gone);

  print_spell_results("receive_gone", gone);
  print_spell_results("receive_idle", quiet);
  print_result("receive_stop_median_ms", median(stop_ms));
  print_result("receive_stop_max_ms", *std::max_element(stop_ms.begin(), stop_ms.end()));
  return 0;
}
