#pragma once
// Linux: whether another program has a terminal open. Root's TIOCEXCL
// bypass would let a second open in beside such a holder, and on a
// pseudo-terminal the exclusive flag outlives a holder killed without
// closing it; so the programs' open descriptors are looked at instead:
// any node of the same device counts, however it is named.

#include <string>

// `fd` is our own descriptor of the terminal. A program that also holds the
// terminal's master end is the device itself keeping its line open (the
// virtual devices, socat), not another holder. Programs of other users are
// seen only by root; theirs claim the terminal, which refuses our open.
bool held_by_another_program(int fd);
// The same for the device at `path`, without opening it: opening a port can
// already switch its control lines.
bool held_by_another_program_at(const std::string& path);

// Reads every process's descriptors ahead, when the window opens, so that
// START then reads only the processes whose descriptors changed.
void survey_terminal_holders();
