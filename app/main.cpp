// Kestrel8: the console window is the whole program; closing it ends the run.

#include <QApplication>
#include <cstdio>

#include "adapter/heard_log_writer.h"
#include "app/display_check.h"
#include "console/console_handlers.h"
#include "console/qt/console_dialog.h"
#include "console/qt/heard_log_box.h"
#include "console/qt/link_shutdown.h"

int main(int argc, char* argv[]) {
  if (!display_available(argc, argv)) {
    std::fputs("no display: set DISPLAY or run under a desktop\n", stderr);
    return 1;
  }
  // No application display name: Qt would append it to every window title.
  QApplication app(argc, argv);
  set_heard_log_notice(show_heard_log_failure_later);
  ConsoleDialog dialog(on_command, on_window_created);
  // A lost display or a stop signal ends the link as EXIT does.
  LinkShutdown shutdown(dialog);
  dialog.exec();
  set_heard_log_notice(nullptr);  // lines still written at exit have no window to tell
  return 0;
}
