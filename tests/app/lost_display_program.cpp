// The console as the program runs it, losing its display at the worst
// moment: START over the ports in the working folder; the test answers the
// adapter's first frame with a status report, which the receive thread
// decodes while START's pauses hold the window's thread; then, before the
// event loop runs again, exit(1), as the toolkit does when the X connection
// breaks.

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
