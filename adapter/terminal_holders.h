#pragma once
// Linux: whether another program has a terminal open. Root's TIOCEXCL
// bypass would let a second open in beside such a holder, and on a
// pseudo-terminal the exclusive flag outlives a holder killed without
// closing it; so the programs' open descriptors are looked at instead.

// `fd` is our own descriptor of the terminal. A program that also holds the
// terminal's master end is the device itself keeping its line open (the
// virtual devices, socat), not another holder. Programs of other users are
// seen only by root; theirs claim the terminal, which refuses our open.
bool held_by_another_program(int fd);
