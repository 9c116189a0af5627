#include "console/qt/link_shutdown.h"

#include <cstdio>
#include <cstdlib>

#include "adapter/receive_loop.h"
#include "console/console_handlers.h"

namespace {

// The window can show nothing more: its display requests are released, then
// the link ends as EXIT ends it.
void end_link_unattended_from(ConsoleDialog& dialog) {
  dialog.close_display_requests();
  end_link_unattended();
}

}  // namespace

LinkShutdown::LinkShutdown(ConsoleDialog& dialog)
    : signals_([&dialog] {
        end_link_unattended_from(dialog);
        // A message box or START's sequence may be under way on this thread:
        // there is no going back up through them. The link has ended as EXIT
        // ends it (files saved, ports closed, the receive loop joined, heard
        // lines on disk), so nothing is left for exit handlers. Leaving with
        // _Exit also spares the toolkit's global objects from being destroyed
        // under the application object, which lives on main's stack.
        std::fflush(nullptr);
        std::_Exit(0);
      }) {
  set_end_link_unattended_at_exit([&dialog] { end_link_unattended_from(dialog); });
}

LinkShutdown::~LinkShutdown() { set_end_link_unattended_at_exit({}); }
