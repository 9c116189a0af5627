#include "settings/reflector_list.h"

#include <string>

#include "console/message_boxes.h"
#include "settings/repeater_lists.h"
#include "settings/settings_files.h"
#include "settings/text_file_reader.h"

ReflectorList reflectors;

namespace {

// A line is read up to this many characters; the rest of it is dropped.
constexpr std::size_t kLineLimit = 100;

static_assert(box::reflectors_left_out.caption == std::string_view(kReflectorListFile));

bool is_upper(char c) { return c >= 'A' && c <= 'Z'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

std::string_view trimmed(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The next line without its line feed; false at the end of the file.
bool read_line(TextFileReader& file, std::string& line) {
  line.clear();
  int c = file.get();
  if (c == TextFileReader::end_of_file) return false;
  for (; c != TextFileReader::end_of_file && c != '\n'; c = file.get()) {
    if (line.size() < kLineLimit) line += static_cast<char>(c);
  }
  return true;
}

}  // namespace

bool is_reflector(std::string_view callsign) {
  if (callsign.size() != 8) return false;
  for (std::size_t i = 0; i < 3; ++i) {
    if (!is_upper(callsign[i])) return false;
  }
  for (std::size_t i = 3; i < 6; ++i) {
    if (!is_upper(callsign[i]) && !is_digit(callsign[i])) return false;
  }
  return callsign[6] == ' ' && is_upper(callsign[7]);
}

void read_reflector_list(ConsoleView& view) {
  reflectors = ReflectorList{};
  TextFileReader file(kReflectorListFile);
  if (!file.is_open()) return;
  std::string line;
  std::string first_bad;
  bool beyond_limit = false;
  for (int number = 1; read_line(file, line); ++number) {
    const std::string_view text = trimmed(up_to_nul(strip_comment(line)));
    if (text.empty()) continue;
    const std::size_t comma = text.find(',');
    const std::string_view callsign = trimmed(text.substr(0, comma));
    if (!is_reflector(callsign)) {
      if (first_bad.empty()) {
        first_bad = "line " + std::to_string(number) + ", \"" + std::string(text) +
                    "\": a reflector reads like \"REF030 C\" or \"XRF757 A,Name\"";
      }
      continue;
    }
    if (reflectors.count == kMaxReflectors) {
      beyond_limit = true;
      continue;
    }
    Reflector& entry = reflectors.entries[reflectors.count++];
    set_fixed(entry.callsign, callsign);
    if (comma != std::string_view::npos) set_text(entry.name, trimmed(text.substr(comma + 1)));
  }
  if (first_bad.empty() && !beyond_limit) return;
  std::string detail = first_bad;
  if (beyond_limit) {
    detail += detail.empty() ? "" : "; and ";
    detail += "every reflector after the first 64";
  }
  show_box(view, box::reflectors_left_out, detail);
}
