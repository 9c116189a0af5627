#pragma once
// Where heard log lines go to disk: a writer thread of their own, so neither
// the window's thread nor the receive thread ever waits on the disk.

#include <array>
#include <chrono>
#include <cstdint>
#include <string>

#include "adapter/heard_log.h"

// Called by the receive thread for each header report that brings all four
// callsigns: stamps the line and hands it over; returns at once, whatever
// the disk is doing.
void log_heard_header(const ReceivedHeader& header);

// On from program start; off only where the parser itself is measured or
// fuzzed, at rates no adapter reaches.
void set_heard_log_on(bool on);

// The time source for the stamps; nullptr means the system clock.
using HeardClock = HeardTime (*)();
void set_heard_log_clock(HeardClock clock);

// How a failure reaches the operator, once per run. Called from the writer or
// the receive thread; it must return at once, so it may not wait for OK.
// Without one, the failure goes to standard error.
using HeardLogNotice = void (*)(const std::string& text, const std::string& caption);
void set_heard_log_notice(HeardLogNotice notice);

// Waits up to `limit` until every line handed over so far is on disk or has
// failed; false when the limit passed first.
bool heard_log_drain(std::chrono::milliseconds limit);

// A fresh run as far as the notice goes: the next failure is told again.
void forget_heard_log_failure();
