// What the running console costs while the link is open and the adapter is
// silent: the window as the program entry makes it (settings files read,
// lists filled), START clicked with the real pauses, then the event loop
// left alone for a quiet spell while the process's processor time is taken.

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <time.h>

#include <chrono>
#include <cstdio>

#include "adapter/link_state.h"
#include "adapter/receive_loop.h"
#include "bench/bench_report.h"
#include "bench/station_files.h"
#include "bench/linked_window.h"

namespace {

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
  double cpu = 0;
  double wall = 0;
  // Settle first: the paint after START is not idling.
  QTimer::singleShot(200, [&] {
    cpu_before = process_cpu_seconds();
    wall_before = std::chrono::steady_clock::now();
    QTimer::singleShot(static_cast<int>(options.seconds * 1000), [&] {
      cpu = process_cpu_seconds() - cpu_before;
      wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_before).count();
      app.quit();
    });
  });
  app.exec();

  qobject_cast<QPushButton*>(dialog.control(ctl::exit_button))->click();
  std::printf("%.1f s with the link open: %.3f ms of processor time\n", wall, cpu * 1e3);
  print_result("program_idle_cpu_percent", 100.0 * cpu / wall);
  return 0;
}
