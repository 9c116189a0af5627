#include "adapter/heard_log.h"

#include <chrono>
#include <cstdio>

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

// A spreadsheet would take such a field as a formula and run it.
bool opens_a_formula(std::uint8_t b) { return b == '=' || b == '+' || b == '-' || b == '@'; }

// A comma or a quote inside a callsign must not split or end the field, and
// a field from the air is never a formula: it gets a leading apostrophe.
void append_field(std::string& out, HeaderField field) {
  bool quote = false;
  for (const std::uint8_t b : field) quote = quote || b == ',' || b == '"';
  // Spreadsheets skip the spaces before a formula's mark.
  std::size_t mark = 0;
  while (mark + 1 < field.size() && field[mark] == ' ') ++mark;
  out += ',';
  if (quote) out += '"';
  if (opens_a_formula(shown_from_air(field[mark]))) out += '\'';
  for (const std::uint8_t raw : field) {
    const std::uint8_t b = shown_from_air(raw);
    if (b == '"') out += '"';
    append_latin1(out, b);
  }
  if (quote) out += '"';
}

}  // namespace

std::string heard_log_line(HeardTime heard, const ReceivedHeader& header) {
  using namespace std::chrono;
  const auto ms = floor<milliseconds>(heard);
  const auto whole = floor<seconds>(ms);
  // The calendar in the standard library: the same on every platform.
  const auto day = floor<days>(whole);
  const year_month_day date{day};
  const hh_mm_ss<seconds> time{whole - day};
  char stamp[96];  // room for any int, so the compiler can see nothing is cut
  std::snprintf(stamp, sizeof stamp, "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ",
                static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                static_cast<unsigned>(date.day()), static_cast<int>(time.hours().count()),
                static_cast<int>(time.minutes().count()), static_cast<int>(time.seconds().count()),
                static_cast<int>((ms - whole).count()));
  std::string line = stamp;
  for (const HeaderCallsign which : kHeaderReadingOrder)
    append_field(line, header_field(header, which));
  line += '\n';
  return line;
}

bool begins_as_heard_log(std::string_view first_bytes) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (first_bytes.starts_with(kByteOrderMark)) first_bytes.remove_prefix(kByteOrderMark.size());
  const std::string_view columns(kHeardLogColumns, sizeof kHeardLogColumns - 2);  // no line feed
  if (!first_bytes.starts_with(columns)) return false;
  first_bytes.remove_prefix(columns.size());
  // The column line alone, its line end not written: the file holds no
  // more than that (a longer one brings more than this many bytes).
  if (first_bytes.empty() || first_bytes == "\r") return true;
  return first_bytes.starts_with("\n") || first_bytes.starts_with("\r\n");
}

std::string heard_log_addition(std::optional<char> last, const std::string& line) {
  if (!last) return kHeardLogColumns + line;
  if (*last == '\n') return line;
  return '\n' + line;
}

std::string heard_log_file_for(const std::string& line) {
  return "D-STAR_heard_" + line.substr(0, 7) + ".csv";
}
