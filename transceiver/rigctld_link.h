#pragma once
// The radio behind hamlib's rigctld: one TCP connection, made at a START's
// tuning and held until STOP or EXIT as a port would be. Only the tuning
// thread (rigctld_tuning.h) uses it. Commands go in rigctld's extended form,
// so each answer repeats its command ("set_freq: 439310000") and ends in
// "RPRT n"; a nonzero n is a refusal. A command waits as long as hamlib's own
// retries of a silent radio take; a tuning the window gave up stops waiting
// within a few milliseconds.

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

#include "console/console_view.h"
#include "transceiver/cat.h"

// The HOST:PORT the transceiver line holds; "Dummy " or nothing there is
// rigctld's own default on this machine. Window's thread.
std::string rigctld_address();

// False once the window no longer wants the tuning under way.
using StillWanted = std::function<bool()>;

// Starts one tuning: connects to `address` unless connected, and asks a new
// connection once whether rigctld names VFOs (`\chk_vfo`). False, after its
// box, when rigctld cannot be reached.
bool begin_rigctld_tuning(ConsoleView& view, const std::string& address, StillWanted wanted);

// What the radio is left with should the tuning end here; the box says so.
enum class ChannelSoFar { old_channel, new_frequency_old_shift, new_channel };
void note_channel_so_far(ChannelSoFar so_far);

enum class RefusalBox { shown, none };
// Sends one command ("F 439310000") and reads its answer. A refusal shows a
// box with the command and hamlib's words for the code unless told not to;
// no answer, or one that is not rigctld's, shows the address's box and closes
// the connection. A connection found hung up is made again once a tuning.
// Without a connection, or once the tuning is no longer wanted: failed, and
// no box.
TuneStep rigctld_command(ConsoleView& view, const std::string& command,
                         RefusalBox refusal = RefusalBox::shown);

// Tuning thread: the connection is given back.
void close_rigctld_link();

// hamlib's words for an RPRT code as rigctld sent it ("-1", "-99999999999").
std::string hamlib_words(std::string_view code);

// Tests and the bench: how long a command waits for its answer.
void set_rigctld_wait_for_tests(std::chrono::milliseconds wait);
