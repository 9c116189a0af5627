#pragma once
// Every radio the console can tune, one row each: the name the operator
// picks in the "Tranceiver(15)" list, how it is reached, and its limits.

#include <cstdint>
#include <span>
#include <string_view>

enum class TuningKind {
  none,       // nothing is sent
  yaesu_cat,  // five-byte CAT commands on the TRX COM port
  rigctld,    // hamlib's rigctld over TCP, at the address in the transceiver line
};

struct TransceiverModel {
  const char* name;
  TuningKind tuning;
  // The lowest frequency it cannot take, in Hz, and with it the box that
  // says so; 0: the radio behind it decides.
  std::int64_t frequency_limit_hz;
  // The largest repeater offset its command carries, in Hz; 0: no limit here.
  std::int64_t largest_offset_hz;
};

// In the list's order.
std::span<const TransceiverModel> transceiver_models();

// The row named exactly so, or nullptr.
const TransceiverModel* find_transceiver_model(std::string_view name);
