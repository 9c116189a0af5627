#include "adapter/heard_log.h"

#include <cstdio>
#include <ctime>

#include "adapter/frame_parser.h"

namespace {

void append_latin1(std::string& out, std::uint8_t b) {
  if (b < 0x80) {
    out += static_cast<char>(b);
  } else {
    out += static_cast<char>(0xC0 | (b >> 6));
    out += static_cast<char>(0x80 | (b & 0x3F));
  }
}

// A comma or a quote inside a callsign must not split or end the field.
void append_field(std::string& out, const std::array<std::uint8_t, 33>& header, std::size_t first) {
  bool quote = false;
  for (std::size_t i = first; i < first + 8; ++i) {
    quote = quote || header[i] == ',' || header[i] == '"';
  }
  out += ',';
  if (quote) out += '"';
  for (std::size_t i = first; i < first + 8; ++i) {
    const std::uint8_t b = shown_from_air(header[i]);
    if (b == '"') out += '"';
    append_latin1(out, b);
  }
  if (quote) out += '"';
}

}  // namespace

std::string heard_log_line(HeardTime heard, const std::array<std::uint8_t, 33>& header) {
  using namespace std::chrono;
  const auto ms = floor<milliseconds>(heard);
  const auto whole = floor<seconds>(ms);
  const std::time_t t = system_clock::to_time_t(whole);
  std::tm utc{};
  gmtime_r(&t, &utc);
  char stamp[96];  // room for any int, so the compiler can see nothing is cut
  std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900,
                utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec,
                static_cast<int>((ms - whole).count()));
  std::string line = stamp;
  append_field(line, header, 24);  // MY
  append_field(line, header, 16);  // UR
  append_field(line, header, 8);   // RPT1
  append_field(line, header, 0);   // RPT2
  line += '\n';
  return line;
}

std::string heard_log_file_for(const std::string& line) {
  return "D-STAR_heard_" + line.substr(0, 7) + ".csv";
}
