#pragma once
// Command frames from the computer to the DV adapter:
// FE FE, adapter 01, computer 7F, command 1D, sub-command, payload, FD.
// Payload bytes are copied as they stand; nothing is escaped.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "console/console_view.h"

namespace adapter_byte {
inline constexpr std::uint8_t preamble = 0xFE;
inline constexpr std::uint8_t adapter_address = 0x01;
inline constexpr std::uint8_t computer_address = 0x7F;
inline constexpr std::uint8_t command = 0x1D;
inline constexpr std::uint8_t end_of_frame = 0xFD;

inline constexpr std::uint8_t init = 0xC9;           // reset the adapter's state
inline constexpr std::uint8_t my_call = 0x03;        // station callsign
inline constexpr std::uint8_t my_suffix = 0xDC;      // 4-character MY suffix
inline constexpr std::uint8_t repeater_mode = 0xCF;  // 01 repeater, 00 simplex
inline constexpr std::uint8_t route = 0x05;          // RPT2, RPT1, UR
inline constexpr std::uint8_t message = 0xC1;        // one fifth of a short message
inline constexpr std::uint8_t first_message_part = 0x40;
}  // namespace adapter_byte

// The longest frame, ROUTE, is 31 bytes.
struct AdapterFrame {
  std::array<std::uint8_t, 31> bytes{};
  std::size_t size = 0;
};

AdapterFrame make_adapter_frame(std::uint8_t subcommand, std::string_view payload);

// Each sender pauses first, so the adapter has time for the frame before.
void send_adapter_init();
void send_my_callsign();
void send_my_suffix();
void send_repeater_mode(bool on);
void send_route();
void send_callback_route();
void send_tx_message(const std::array<char, 20>& text);

// The adapter half of START: init, MY callsign, suffix, mode and route.
void configure_adapter(ConsoleView& view);
