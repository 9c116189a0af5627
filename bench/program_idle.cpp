// What the running console costs while the link is open and the adapter is
// silent: the window as the program entry makes it (settings files read,
// lists filled), START clicked with the real pauses, then the event loop
// left alone for a quiet spell while the process's processor time and
// wake-ups are taken, once the caret has stopped blinking. Then STOP is
// clicked and timed.

#include <time.h>

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <cstdio>

#include "adapter/link_state.h"
#include "adapter/receive_loop.h"
#include "bench/bench_report.h"
#include "bench/linked_window.h"
#include "bench/process_wakeups.h"
#include "bench/station_files.h"

namespace {

// Longer than the blink lasts after the last key or click.
constexpr double kCaretRestLimitS = 15.0;

double process_cpu_seconds() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

}  // namespace

int main(int argc, char** argv) {
  const BenchOptions options = parse_bench_options(argc, argv);
  use_offscreen_platform();
  int qt_argc = 1;
  QApplication app(qt_argc, argv);
  TempWorkdir dir;
  write_typical_station_files(dir);
  PtyDevice adapter(7);
  PtyDevice radio(8);
  ConsoleDialog dialog(on_command, on_window_created);
  dialog.show();
  QApplication::processEvents();
  qobject_cast<QPushButton*>(dialog.control(ctl::start_stop))->click();
  if (!adapter_open || !receive_loop_running() || !transceiver_active) {
    std::fprintf(stderr, "START did not open the link\n");
    return 1;
  }

  double cpu_before = 0;
  std::chrono::steady_clock::time_point wall_before;
  std::map<int, ThreadSwitches> threads_before;
  std::map<int, ThreadSwitches> threads_after;
  double cpu = 0;
  double wall = 0;
  double stop_ms = 0;
  bool stopped = false;
  // Settle first: the paint after START is not idling, and an operator who
  // has left the laptop no longer sees the caret blink.
  const auto started = std::chrono::steady_clock::now();
  QTimer settle;
  settle.start(250);
  QObject::connect(&settle, &QTimer::timeout, [&] {
    const double since_start =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const bool caret_rests = QApplication::cursorFlashTime() == 0;
    if (!caret_rests && since_start < kCaretRestLimitS) return;
    settle.stop();
    std::printf("quiet spell from %.1f s after START, caret %s\n", since_start,
                caret_rests ? "steady" : "still blinking");
    threads_before = thread_switches();
    cpu_before = process_cpu_seconds();
    wall_before = std::chrono::steady_clock::now();
    // This timer wakes the window's thread once itself.
    QTimer::singleShot(static_cast<int>(options.seconds * 1000), [&] {
      cpu = process_cpu_seconds() - cpu_before;
      wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_before).count();
      threads_after = thread_switches();
      const auto stop_began = std::chrono::steady_clock::now();
      qobject_cast<QPushButton*>(dialog.control(ctl::start_stop))->click();
      stop_ms =
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - stop_began)
              .count();
      stopped = !adapter_open && !receive_loop_running();
      app.quit();
    });
  });
  app.exec();
  qobject_cast<QPushButton*>(dialog.control(ctl::exit_button))->click();
  if (!stopped) {
    std::fprintf(stderr, "STOP did not end the link\n");
    return 1;
  }
  const long switches = total_switches(threads_after) - total_switches(threads_before);
  std::printf("%.1f s with the link open: %.3f ms of processor time, %ld context switches (%s)\n",
              wall, cpu * 1e3, switches, switches_between(threads_before, threads_after).c_str());
  std::printf("STOP (files saved, ports closed): %.3f ms\n", stop_ms);
  print_result("program_idle_cpu_percent", 100.0 * cpu / wall);
  print_result("program_idle_wakeups_per_s", static_cast<double>(switches) / wall);
  print_result("program_stop_ms", stop_ms);
  return 0;
}
