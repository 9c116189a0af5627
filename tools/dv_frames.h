#pragma once
// The DV adapter's framing as seen from the adapter: FE FE, destination,
// source, 0x1D, sub-command, payload, FD. Frames from the console carry
// destination 0x01 (adapter) and source 0x7F (computer); the adapter's
// reports swap the two. This far end keeps its own copy of the layout on
// purpose: it checks the console's frames without sharing the console's code.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dv {

// Our own copy of the bytes, on purpose: the independent far end, never adapter/.

inline constexpr std::uint8_t kPreamble = 0xFE;
inline constexpr std::uint8_t kEnd = 0xFD;
inline constexpr std::uint8_t kAdapterAddress = 0x01;
inline constexpr std::uint8_t kComputerAddress = 0x7F;
inline constexpr std::uint8_t kCommand = 0x1D;

// Sub-commands the console sends.
inline constexpr std::uint8_t kInit = 0xC9;
inline constexpr std::uint8_t kMyCall = 0x03;
inline constexpr std::uint8_t kMySuffix = 0xDC;
inline constexpr std::uint8_t kRepeaterMode = 0xCF;
inline constexpr std::uint8_t kRoute = 0x05;
inline constexpr std::uint8_t kMessage = 0xC1;
// Sub-commands the adapter sends.
inline constexpr std::uint8_t kStatusReport = 0x00;
inline constexpr std::uint8_t kHeaderReport = 0x04;

// Status codes of a status report, as the console shows them.
inline constexpr std::uint8_t kStatusOk = 0;
inline constexpr std::uint8_t kStatusRpt1Unknown = 1;  // "RPT?"
inline constexpr std::uint8_t kStatusUrUnknown = 2;    // "UR?"

// Longest frame the adapter buffers; a run without an end byte beyond this
// is line noise and is thrown away.
inline constexpr std::size_t kMaxFrameBytes = 64;

// One frame as received: `body` is everything between the preamble and the
// end byte (destination, source, command, sub-command, payload).
struct Frame {
  std::vector<std::uint8_t> body;
  std::vector<std::uint8_t> raw;
};

bool has_header_bytes(const Frame& frame);  // destination, source, command, sub-command present
std::uint8_t destination(const Frame& frame);
std::uint8_t source(const Frame& frame);
std::uint8_t command(const Frame& frame);
std::uint8_t subcommand(const Frame& frame);
std::vector<std::uint8_t> payload(const Frame& frame);

// Byte-by-byte frame recogniser. Any number of FE bytes (at least two) opens
// a frame; bytes outside a frame are counted in `dropped`.
struct FrameDecoder {
  enum class Step { hunting, one_preamble, preamble, body };
  Step step = Step::hunting;
  Frame current;
  std::size_t dropped = 0;
};

// Feeds one byte; returns the frame when its end byte arrives.
std::optional<Frame> feed(FrameDecoder& decoder, std::uint8_t b);

// A callsign field: exactly 8 bytes, cut or padded with spaces.
std::string callsign8(const std::string& text);

// FE FE 7F 01 1D 00 s1 s2 code FD.
std::vector<std::uint8_t> status_report(std::uint8_t code);
// FE FE 7F 01 1D 04 RPT2 RPT1 UR MY FD, each callsign 8 bytes.
std::vector<std::uint8_t> header_report(const std::string& my, const std::string& ur,
                                        const std::string& rpt1, const std::string& rpt2);

}  // namespace dv
