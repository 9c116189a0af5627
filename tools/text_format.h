#pragma once
// How the virtual devices show bytes in their log.

#include <cstdint>
#include <string>
#include <vector>

// Bytes as text inside quotes: printable ASCII as is, anything else (Shift-JIS
// halves, control bytes) as \xNN so the log line stays one readable line.
std::string printable(const std::vector<std::uint8_t>& bytes);
std::string printable(const std::string& bytes);

// "FE FE 01 7F ..." for --hex.
std::string hex_bytes(const std::vector<std::uint8_t>& bytes);

// Wall-clock time of day, "HH:MM:SS.mmm".
std::string time_of_day();
