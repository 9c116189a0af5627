#include "console/qt/link_shutdown.h"

#include <cstdlib>

#include "adapter/receive_loop.h"
#include "console/console_handlers.h"

namespace {

void stop_link_for_good(ConsoleDialog& dialog) {
  dialog.close_display_requests();
  on_exit_without_window();
}

}  // namespace

LinkShutdown::LinkShutdown(ConsoleDialog& dialog)
    : signals_([&dialog] {
        stop_link_for_good(dialog);
        // A message box or START's sequence may be under way on this thread:
        // there is no going back up through them.
        std::exit(0);
      }) {
  set_before_exit_stop([&dialog] { stop_link_for_good(dialog); });
}

LinkShutdown::~LinkShutdown() { set_before_exit_stop({}); }
