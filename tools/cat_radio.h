#pragma once
// The virtual FT-817/FT-897 on the CAT port: five-byte commands (P1..P4,
// then the opcode), decoded into readable lines and a running radio state.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cat {

inline constexpr std::uint8_t kSetFrequency = 0x01;
inline constexpr std::uint8_t kSetOffset = 0xF9;  // repeater offset
inline constexpr std::uint8_t kSetShift = 0x09;   // repeater shift direction
inline constexpr std::uint8_t kSetMode = 0x07;

inline constexpr std::uint8_t kShiftMinus = 0x09;
inline constexpr std::uint8_t kShiftPlus = 0x49;
inline constexpr std::uint8_t kShiftSimplex = 0x89;

// The radio forgets a half-received command after this pause, so one lost
// byte does not shift every later command.
inline constexpr long kCommandGapMs = 500;

using Command = std::array<std::uint8_t, 5>;

struct Assembler {
  Command bytes{};
  std::size_t count = 0;
  long last_byte_ms = 0;
};

struct Fed {
  std::optional<Command> command;
  std::vector<std::uint8_t> dropped;  // a stale partial command thrown away
};

// Feeds one byte received at `now_ms`.
Fed feed(Assembler& assembler, std::uint8_t b, long now_ms);
// Throws away a partial command that has waited too long; returns its bytes.
std::vector<std::uint8_t> expire(Assembler& assembler, long now_ms);

enum class Shift { minus, plus, simplex };

struct RadioState {
  std::optional<long> frequency_10hz;
  std::optional<long> offset_10hz;
  std::optional<Shift> shift;
  std::optional<std::string> mode;
};

// Applies one command and returns its line, e.g. "frequency 439.310 MHz".
std::string apply(RadioState& radio, const Command& command);
// "radio 439.310 MHz, shift minus 5.000 MHz (TX 434.310 MHz), mode PKT".
std::string summary(const RadioState& radio);

}  // namespace cat
