#pragma once
// The adapter's reports, decoded one byte at a time. This is the console's
// only input from the air: a header report becomes a line of callsigns in
// the "Receiving" box, a status report becomes "RPT?", "UR?" or blanks in
// the "Response" field.

#include <cstdint>

#include "console/console_view.h"

struct AdapterFrameParser {
  int state = 0;                // 0 idle .. 10 skip to end of frame
  std::uint8_t subcommand = 0;  // survives between frames
  int header_count = 0;
  bool header_logged = false;  // the current frame's header is in the heard log
  std::uint8_t status_byte_1 = 0;
  std::uint8_t status_byte_2 = 0;
  std::uint8_t status_code = 0;  // survives between frames
};

// The receive thread's parser; it lives for the whole run.
extern AdapterFrameParser adapter_parser;

// One step of the state machine. Header bytes go to station.received_header.
// An idle parser (state 0) takes the byte as its first preamble candidate.
void feed_byte(AdapterFrameParser& parser, ConsoleView& view, std::uint8_t b);

// The adapter is back after an unplugging: nothing of a frame the
// unplugging cut is finished by a later frame, shown or logged. The parser
// and the stored header start again as at program start.
void restart_parser(AdapterFrameParser& parser);

// A byte from the air as the windows and the heard log show it: shown, never
// obeyed, since a control byte typed into a box could delete, paste or move
// the operator's text. The one rule for it.
std::uint8_t shown_from_air(std::uint8_t b);
