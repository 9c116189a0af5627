#pragma once
// Where the receive thread and the window's thread meet: adapter_open, the
// start of the thread and its stop. The thread reads the adapter port and
// asks the window (synchronously) to show what it decoded; when the adapter
// is unplugged it also gives back, reopens and configures the port, as
// link_recovery.h says.

#include <functional>

#include "console/console_view.h"

// Carries out the display requests the receive thread is waiting on. The
// window's thread calls it while it waits for the loop to end.
using DisplayPump = std::function<void()>;

// The thread body: reads and decodes while adapter_open holds.
int adapter_receive_loop(ConsoleView& view);

// Starts the loop on its own thread; the view must outlive it. Never a second
// one beside the first: while an earlier loop still runs, nothing starts.
void start_receive_loop(ConsoleView& view);

// Clears adapter_open and returns once the loop has ended, pumping display
// requests meanwhile. The adapter port may be closed after it returns.
// Harmless when no loop runs. Whatever depends on adapter_open (saving the
// settings at STOP) must be decided before this call.
void stop_receive_loop(const DisplayPump& pump);

bool receive_loop_running();

// What must run when the program ends by exit() without EXIT (the toolkit
// exits on its own when its display is lost) before the loop is waited for:
// it must release whatever display request the loop may be waiting on, and
// may stop the link. Runs however the exit handlers are ordered. An empty
// one removes it.
using ExitHook = std::function<void()>;
void set_end_link_unattended_at_exit(ExitHook hook);
