#pragma once
// The adapter's two reports as bytes, for feeding the parser or a
// pseudo-terminal's far end.

#include <cstdint>
#include <string>
#include <vector>

using ReportBytes = std::vector<std::uint8_t>;

// FE FE 7F 01 1D 04, RPT2 RPT1 UR MY (8 characters each), one more byte, FD.
// The box shows it as a line of 35 characters after a line feed.
inline ReportBytes header_report(const std::string& my) {
  ReportBytes out{0xFE, 0xFE, 0x7F, 0x01, 0x1D, 0x04};
  const std::string fields = std::string(
                                 "QR3KTG G"
                                 "QR3KTA A"
                                 "CQCQCQ  ") +
                             my;
  out.insert(out.end(), fields.begin(), fields.end());
  out.push_back(0x00);
  out.push_back(0xFD);
  return out;
}

// FE FE 7F 01 1D 00, two status bytes, the code, FD.
inline ReportBytes status_report(std::uint8_t code) {
  return {0xFE, 0xFE, 0x7F, 0x01, 0x1D, 0x00, 0x00, 0x00, code, 0xFD};
}

// Characters a header line adds to the box: the line feed and 35 more.
inline constexpr int kHeaderLineChars = 36;

// Callers that differ from line to line, as on a busy repeater.
inline std::string caller(int i) {
  std::string call = "QR" + std::to_string(i % 10) + "A" + std::to_string(100 + i % 900);
  call.resize(7, ' ');
  return call + static_cast<char>('A' + i % 4);
}
