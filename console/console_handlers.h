#pragma once
// What the window does for each event, free of any toolkit: the window
// binding calls these with itself as the view.

#include <functional>

#include "adapter/receive_loop.h"
#include "console/console_view.h"

enum class CommandKind { double_click, other };

// Runs a command event; returns true when the window must close.
using CommandHandler =
    std::function<bool(ConsoleView&, int control_id, CommandKind, const DisplayPump&)>;
// Runs once the window's controls exist, before the operator can act.
using CreationHook = std::function<void(ConsoleView&)>;

// Window creation: reads the settings files and fills the lists.
void on_window_created(ConsoleView& view);

// A command event from a control. Returns true when the dialog must end.
bool on_command(ConsoleView& view, int control_id, CommandKind kind, const DisplayPump& pump);

void on_start_stop(ConsoleView& view, const DisplayPump& pump);
void stop_adapter_side(ConsoleView& view, const DisplayPump& pump);
void stop_transceiver_side(ConsoleView& view);
void on_exit(ConsoleView& view, const DisplayPump& pump);
// START's tuning, and a repeater's picked while the link runs: sets
// transceiver_active, which decides whether STOP saves the transceiver file.
void tune_and_keep_transceiver(ConsoleView& view);
// EXIT's work once the window can show nothing any more: the same files
// saved and both ports closed, failures reported on standard error. The
// window's display requests must have been released first: nothing serves
// them while the receive loop is waited for.
void end_link_unattended();

void on_call_area_chosen(ConsoleView& view);
void on_my_repeater_chosen(ConsoleView& view);
void on_his_repeater_chosen(ConsoleView& view);
void on_transceiver_chosen(ConsoleView& view);
void on_callsign_edit(ConsoleView& view);
void on_suffix_edit(ConsoleView& view);
void on_call_back(ConsoleView& view);
void on_tx_message(ConsoleView& view);
