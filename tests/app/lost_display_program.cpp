// The console losing its display at the worst moment: START runs, the adapter's
// status report is decoded while START's pauses hold the window's thread, and
// exit(1) comes before the event loop runs again, as when the X connection breaks.

#include <QApplication>
#include <QPushButton>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "console/console_handlers.h"
#include "console/qt/console_dialog.h"
#include "console/qt/link_shutdown.h"

int main(int argc, char* argv[]) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ConsoleDialog dialog(on_command, on_window_created);
  LinkShutdown shutdown(dialog);
  dialog.show();
  qobject_cast<QPushButton*>(dialog.control(ctl::start_stop))->click();
  // A report that came late is still decoded before the display goes.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  std::puts("display lost");
  std::fflush(stdout);
  std::exit(1);
}
