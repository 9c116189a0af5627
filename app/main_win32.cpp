// Kestrel8 for Windows: the console dialog is the whole program; closing it
// ends the run. A GUI program: no console window opens beside it.

#include <windows.h>
#include <timeapi.h>

#include "console/console_handlers.h"
#include "console/win32/console_dialog.h"

namespace {

// The pauses between commands are 1 ms and up; without this Windows would
// stretch each to its default 15.6 ms tick.
class FineTimerPeriod {
 public:
  FineTimerPeriod() : taken_(timeBeginPeriod(1) == TIMERR_NOERROR) {}
  ~FineTimerPeriod() {
    if (taken_) timeEndPeriod(1);
  }
  FineTimerPeriod(const FineTimerPeriod&) = delete;
  FineTimerPeriod& operator=(const FineTimerPeriod&) = delete;

 private:
  bool taken_;
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  FineTimerPeriod period;
  Win32ConsoleDialog dialog(on_command, on_window_created);
  dialog.run();
  return 0;
}
