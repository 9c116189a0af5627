// Kestrel8 for Windows: the console dialog is the whole program; closing it
// ends the run. A GUI program: no console window opens beside it.

#include <windows.h>
// After windows.h, which it needs.
#include <timeapi.h>

#include <string>
#include <thread>

#include "adapter/heard_log_writer.h"
#include "console/console_handlers.h"
#include "console/win32/console_dialog.h"

namespace {

// The pauses between commands run from 10 us to 100 ms; those of 2 ms and
// more sleep in timer ticks, which without this Windows would stretch to
// its default 15.6 ms.
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

// The heard log's failure box must not hold the thread that found the
// failure, nor any display request: it waits for OK on a thread of its own.
void show_heard_log_failure_aside(const std::string& text, const std::string& caption) {
  try {
    std::thread([text, caption] {
      MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK);
    }).detach();
  } catch (...) {
    // No thread to be had: the stations heard are still shown.
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  FineTimerPeriod period;
  set_heard_log_notice(show_heard_log_failure_aside);
  Win32ConsoleDialog dialog(on_command, on_window_created);
  dialog.run();
  set_heard_log_notice(nullptr);  // lines still written at exit have no window to tell
  return 0;
}
