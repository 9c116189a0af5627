#pragma once
// Pauses between commands. A count is a length of time: one count is one
// nanosecond, so 1000000000 is one second. The thread sleeps rather than
// spinning, so a pause costs (next to) no CPU.

#include <chrono>
#include <cstdint>

void spin_wait(std::int64_t count);

// The program is ending (a stop signal): the pause under way and every later
// one end at once, so START's sequence cannot hold the window's thread for a
// second. Safe to call from a signal handler.
void cut_pauses_short();

// Each platform's own sleep, never shorter than asked.
void sleep_at_least(std::chrono::nanoseconds pause);

// Tests shorten every pause by this divisor; the program never calls it.
void set_pacing_divisor_for_tests(std::int64_t divisor);
