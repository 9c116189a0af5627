#pragma once
// The words that mean something to the console and the adapter wherever they
// stand in a settings line, a repeater list or a route.

#include <array>
#include <cstddef>
#include <string_view>

// Call areas are told apart on their first 7 characters, and a stored area
// holds no more.
inline constexpr std::size_t kCallAreaLength = 7;

// The call areas every window offers, in their order in the list.
inline constexpr std::array<const char*, 12> kCallAreas = {
    "Simplex", "JP1", "JP2", "JP3", "JP4", "JP5", "JP6", "JP7", "JP8", "JP9", "JP0", "KH2"};

// The call area of simplex operation, and the area of a simplex channel's line.
inline constexpr std::string_view kSimplexArea = "Simplex";
// A gateway or his repeater "None": that repeater has no gateway.
inline constexpr std::string_view kNoGateway = "None";
// UR calling everyone on the station's own repeater.
inline constexpr std::string_view kCallEveryone = "CQCQCQ  ";
// The callsign field of a simplex channel's line.
inline constexpr std::string_view kSimplexChannel = "DIRECT  ";

// An area whose first 7 characters are "Simplex". A stored area holds only 7
// characters, so "Simplex2" chosen from the list and stored reads the same.
constexpr bool names_simplex(std::string_view area) { return area.starts_with(kSimplexArea); }

// A gateway or his repeater that starts with "None".
constexpr bool names_no_gateway(std::string_view callsign) {
  return callsign.starts_with(kNoGateway);
}

// The call areas the window always offers, which no imported group may take.
constexpr bool is_fixed_call_area(std::string_view area) {
  for (const std::string_view fixed : kCallAreas) {
    if (area == fixed) return true;
  }
  return false;
}
