#pragma once
// Tuning an FT-817 or FT-897 through its CAT port: five-byte commands,
// four parameter bytes then the opcode. Nothing is read back from the radio.

#include <array>
#include <cstdint>
#include <string_view>

#include "console/console_view.h"

struct CatCommand {
  std::array<std::uint8_t, 4> parameters{};
  std::uint8_t opcode = 0;
};

// Two decimal digits in one byte: 43 -> 0x43.
std::uint8_t to_bcd(int v);

// Each is true when its command was sent, false when it was refused.
bool send_cat_frequency(ConsoleView& view, std::string_view text);
bool send_cat_offset(std::string_view text);
void send_cat_direction(std::string_view text);
void send_cat_mode(std::string_view text);

// The transceiver half of START: frequency, offset, shift direction, mode.
void tune_transceiver(ConsoleView& view);
