#pragma once
// The virtual DV adapter's behaviour: what it makes of each frame from the
// console, what it logs and what it answers.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "dv_frames.h"
#include "repeater_book.h"

struct AdapterState {
  // The four parts of a short message as they come in.
  std::array<std::optional<std::string>, 4> message_parts;
  bool repeater_mode = true;
  // The last route, so fictional stations can be heard on the operator's repeater.
  std::string rpt1;
  std::string rpt2;
};

struct AdapterReply {
  std::vector<std::string> lines;    // log lines, without time stamps
  std::vector<std::uint8_t> answer;  // bytes to send back, possibly none
  bool initialised = false;          // an INIT: the console has just pressed START
};

// The status code a ROUTE gets: 1 ("RPT?") when RPT1 is blank, 2 ("UR?")
// when UR names a repeater the book does not hold, 0 otherwise.
std::uint8_t route_status(const RepeaterBook& book, const std::string& rpt1, const std::string& ur);

AdapterReply handle_frame(AdapterState& state, const RepeaterBook& book, const dv::Frame& frame);
