#pragma once
// The radio behind hamlib's rigctld: one TCP connection, made at START and
// held until STOP or EXIT as a port would be. Commands go in rigctld's
// extended form, so every answer ends in "RPRT n"; a negative n is a
// refusal. No answer within 2 s, or 5 s for a whole tuning, and the
// connection is given up with one box.

#include <string>

#include "console/console_view.h"
#include "transceiver/cat.h"

// The HOST:PORT the transceiver line holds; "Dummy " or nothing there is
// rigctld's own default on this machine.
std::string rigctld_address();

bool rigctld_connected();

// Starts one tuning's 5 s: connects unless connected. False, after the box
// naming the address, when rigctld cannot be reached.
bool begin_rigctld_tuning(ConsoleView& view);

// Sends one command ("F 439310000") and reads its answer. A refusal shows a
// box with the command and rigctld's code; no answer shows the address's box
// and closes the connection. Without a connection: failed, and no box.
TuneStep rigctld_command(ConsoleView& view, const std::string& command);

void close_rigctld_link();
