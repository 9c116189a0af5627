// Kestrel8: the console window is the whole program; closing it ends the run.

#include <QApplication>

#include "console/console_handlers.h"
#include "console/qt/console_dialog.h"
#include "console/qt/link_shutdown.h"

int main(int argc, char* argv[]) {
  // No application display name: Qt would append it to every window title.
  QApplication app(argc, argv);
  ConsoleDialog dialog(on_command, on_window_created);
  // A lost display or a stop signal ends the link as EXIT does.
  LinkShutdown shutdown(dialog);
  dialog.exec();
  return 0;
}
