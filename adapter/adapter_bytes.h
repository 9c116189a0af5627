#pragma once
// The DV adapter's frame bytes, written once for the frames we send and the
// reports we parse. To the adapter: FE FE 01 7F 1D, sub-command, payload, FD.
// The adapter's reports swap the two addresses: FE FE 7F 01 1D ... FD.

#include <cstdint>

namespace adapter_byte {
inline constexpr std::uint8_t preamble = 0xFE;          // two open every frame
inline constexpr std::uint8_t adapter_address = 0x01;   // the DV adapter
inline constexpr std::uint8_t computer_address = 0x7F;  // this console
inline constexpr std::uint8_t command = 0x1D;           // the only command, both ways
inline constexpr std::uint8_t end_of_frame = 0xFD;      // closes every frame

// Sub-commands we send.
inline constexpr std::uint8_t init = 0xC9;                // reset the adapter's state
inline constexpr std::uint8_t my_call = 0x03;             // station callsign
inline constexpr std::uint8_t my_suffix = 0xDC;           // 4-character MY suffix
inline constexpr std::uint8_t repeater_mode = 0xCF;       // 01 repeater, 00 simplex
inline constexpr std::uint8_t route = 0x05;               // RPT2, RPT1, UR
inline constexpr std::uint8_t message = 0xC1;             // five characters of a short message
inline constexpr std::uint8_t first_message_part = 0x40;  // parts 40, 41, 42, 43

// Sub-commands the adapter reports with.
inline constexpr std::uint8_t status_report = 0x00;  // two status bytes, then "RPT?"/"UR?" code
inline constexpr std::uint8_t header_report = 0x04;  // RPT2, RPT1, UR, MY as heard on the air
}  // namespace adapter_byte
