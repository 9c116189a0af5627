#include "text_format.h"

#include <chrono>
#include <cstdio>
#include <ctime>

std::string printable(const std::vector<std::uint8_t>& bytes) {
  std::string out;
  for (std::uint8_t b : bytes) {
    if (b >= 0x20 && b < 0x7F && b != '\\' && b != '"') {
      out += static_cast<char>(b);
    } else {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\x%02X", b);
      out += esc;
    }
  }
  return out;
}

std::string printable(const std::string& bytes) {
  return printable(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}

std::string hex_bytes(const std::vector<std::uint8_t>& bytes) {
  std::string out;
  for (std::uint8_t b : bytes) {
    char two[4];
    std::snprintf(two, sizeof two, "%02X", b);
    if (!out.empty()) out += ' ';
    out += two;
  }
  return out;
}

std::string time_of_day() {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t seconds = system_clock::to_time_t(now);
  const long millis =
      static_cast<long>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
  std::tm local{};
  localtime_r(&seconds, &local);
  char text[32];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03ld", local.tm_hour, local.tm_min,
                local.tm_sec, millis);
  return text;
}
