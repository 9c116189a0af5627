#pragma once
// However the program ends, the link ends as EXIT ends it: the settings EXIT
// saves are saved, both ports are given back, and nothing is left waiting on
// the window. While this lives:
// - an exit() without EXIT (the toolkit exits on its own when the display is
//   lost) releases the receive thread's display requests and stops the link
//   before the receive loop is waited for;
// - SIGTERM, SIGINT and SIGHUP stop the link the same way on the window's
//   thread, then end the program with status 0, as EXIT does; one the
//   program was started with ignored (nohup) stays ignored.
// Failures are reported on standard error: no message box can wait for OK.

#include "console/qt/console_dialog.h"
#include "console/qt/stop_signals.h"

class LinkShutdown {
 public:
  explicit LinkShutdown(ConsoleDialog& dialog);
  ~LinkShutdown();
  LinkShutdown(const LinkShutdown&) = delete;
  LinkShutdown& operator=(const LinkShutdown&) = delete;

 private:
  StopSignals signals_;
};
