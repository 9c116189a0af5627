#pragma once
// A received header as the adapter reports it: four callsign fields of 8
// bytes, RPT2, RPT1, UR and MY in that order, then one more byte.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

inline constexpr std::size_t kHeaderFieldBytes = 8;
// The four callsign fields fill the first 32 bytes.
inline constexpr std::size_t kHeaderCallsignBytes = 4 * kHeaderFieldBytes;

using ReceivedHeader = std::array<std::uint8_t, kHeaderCallsignBytes + 1>;
using HeaderField = std::span<const std::uint8_t, kHeaderFieldBytes>;

// Each callsign's first byte in the header.
enum class HeaderCallsign : std::size_t { rpt2 = 0, rpt1 = 8, ur = 16, my = 24 };

// The order in which the Receiving line and the heard log read them.
inline constexpr std::array<HeaderCallsign, 4> kHeaderReadingOrder = {
    HeaderCallsign::my, HeaderCallsign::ur, HeaderCallsign::rpt1, HeaderCallsign::rpt2};

constexpr HeaderField header_field(const ReceivedHeader& header, HeaderCallsign which) {
  return HeaderField(header.data() + static_cast<std::size_t>(which), kHeaderFieldBytes);
}

// Four blank callsigns: what the box shows before any header is heard.
constexpr ReceivedHeader blank_received_header() {
  ReceivedHeader h{};
  for (std::size_t i = 0; i < kHeaderCallsignBytes; ++i) h[i] = ' ';
  return h;
}
