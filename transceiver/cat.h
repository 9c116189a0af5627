#pragma once
// Tuning the radio to the chosen repeater: frequency, repeater offset, shift
// direction and packet mode, for whichever model the operator picked. The
// FT-817 family takes five-byte CAT commands, four parameter bytes then the
// opcode, and nothing is read back; rigctld answers every command.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "console/console_view.h"
#include "transceiver/transceiver_models.h"

struct CatCommand {
  std::array<std::uint8_t, 4> parameters{};
  std::uint8_t opcode = 0;
};

// Two decimal digits in one byte: 43 -> 0x43.
std::uint8_t to_bcd(int v);
// A count of 10 Hz steps as four BCD places, the 100 MHz and 10 MHz digits
// first: 43931000 (439.310 MHz) -> 43 93 10 00.
std::array<std::uint8_t, 4> bcd_places(std::int64_t steps);

// What one tuning command came to.
enum class TuneStep {
  sent,
  refused,  // the text or the radio's limits kept it back, or rigctld said no
  failed,   // rigctld is not there or did not answer
};

// The FT-817 family's commands, each from its kHz text.
TuneStep send_cat_frequency(ConsoleView& view, std::string_view text);
TuneStep send_cat_offset(std::string_view text);
TuneStep send_cat_direction(std::string_view text);
TuneStep send_cat_mode(std::string_view text);

// What a whole tuning came to.
enum class TuningOutcome {
  not_tuned,  // a model that is not tuned
  sent,       // every command was sent
  refused,    // at least one command was refused
  failed,     // rigctld is not there or stopped answering
  under_way,  // handed to the tuning thread (rigctld_tuning.h)
};

// What one tuning tunes, as the station record held it when it was asked for.
struct ChannelToTune {
  std::string frequency_khz;
  std::string shift_khz;
  bool simplex = false;
};

// The transceiver half of START, and of a repeater picked while the link
// runs: frequency, offset, shift direction, mode, for the chosen model.
TuningOutcome tune_transceiver(ConsoleView& view);

// The four commands for one channel, on the caller's thread.
TuningOutcome tune_channel(ConsoleView& view, const TransceiverModel& model,
                           const ChannelToTune& channel);

// The radio's COM port is open.
bool transceiver_link_open();
