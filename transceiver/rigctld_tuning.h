#pragma once
// Where the tuning thread and the window's thread meet. rigctld and its
// radio may take many seconds to answer, so tuning through rigctld runs on
// a thread of its own and the window goes on answering: the window's thread
// hands over what to tune and never waits for the tuning. A new order gives
// up the tuning under way (the last pick wins); STOP and EXIT give it up at
// once and have its connection closed. The tuning thread shows its boxes
// through the view as the receive thread shows headers, by synchronous
// requests the window's thread carries out. Nothing else of the tuning
// crosses between the threads.

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "console/console_view.h"
#include "transceiver/cat.h"

struct RigctldOrder {
  std::string address;  // HOST:PORT
  ChannelToTune channel;
};

// Window's thread: tunes the order's channel on the tuning thread, after the
// tuning under way (given up) and in place of any order still waiting. The
// view must outlive the tuning.
void order_rigctld_tuning(ConsoleView& view, RigctldOrder order);

// The last tuning through rigctld that ended since the link started.
struct RigctldTuned {
  bool reached = false;  // STOP saves the transceiver file
  std::string frequency_khz;
  std::string shift_khz;
};

// Window's thread: gives up the tuning under way and any waiting order, has
// the connection closed, and forgets the link's tunings. Returns the last
// one that ended, or nothing when none was ordered since the last call.
std::optional<RigctldTuned> end_rigctld_tunings();

// A tuning is ordered or under way (tests and the bench watch it).
bool rigctld_tuning_under_way();

// Window's thread, when the view is about to go (EXIT, tests): waits at
// most `at_most` for the tuning thread to let go of the view, carrying out
// its display requests with `pump` meanwhile. False when it still holds it.
bool await_rigctld_tunings(const std::function<void()>& pump, std::chrono::milliseconds at_most);
