#include "header_script.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "dv_frames.h"
#include "small_file.h"

namespace {

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
    s.remove_suffix(1);
  return s;
}

std::vector<std::string_view> split_commas(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = line.find(',', start);
    fields.push_back(trimmed(line.substr(
        start, comma == std::string_view::npos ? std::string_view::npos : comma - start)));
    if (comma == std::string_view::npos) return fields;
    start = comma + 1;
  }
}

bool parse_seconds(std::string_view text, double& out) {
  const std::string s(text);
  if (s.empty()) return false;
  char* end = nullptr;
  out = std::strtod(s.c_str(), &end);
  return end == s.c_str() + s.size() && std::isfinite(out) && out >= 0;
}

}  // namespace

HeaderScript parse_header_script(std::string_view text) {
  HeaderScript script;
  static const char* const kNames[] = {"MY", "UR", "RPT1", "RPT2"};
  std::size_t start = 0;
  for (int number = 1; start < text.size(); ++number) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    if (end - start > kMaxScriptLineBytes) {
      script.error = "line " + std::to_string(number) + ": longer than " +
                     std::to_string(kMaxScriptLineBytes) + " bytes";
      return script;
    }
    const std::string_view line = trimmed(text.substr(start, end - start));
    start = end + 1;
    if (line.empty() || line.starts_with("//") || line.starts_with("#")) continue;
    const auto fields = split_commas(line);
    const std::string where = "line " + std::to_string(number) + ": ";
    if (fields.size() != 5) {
      script.error = where + "expected seconds,MY,UR,RPT1,RPT2";
      return script;
    }
    ScriptedHeader header;
    if (!parse_seconds(fields[0], header.seconds)) {
      script.error = where + "seconds must be a number of 0 or more";
      return script;
    }
    std::string* calls[] = {&header.my, &header.ur, &header.rpt1, &header.rpt2};
    for (std::size_t k = 0; k < 4; ++k) {
      if (fields[k + 1].size() > 8) {
        script.error = where + kNames[k] + " is longer than 8 characters";
        return script;
      }
      *calls[k] = dv::callsign8(std::string(fields[k + 1]));
    }
    script.headers.push_back(header);
  }
  std::stable_sort(
      script.headers.begin(), script.headers.end(),
      [](const ScriptedHeader& a, const ScriptedHeader& b) { return a.seconds < b.seconds; });
  return script;
}

HeaderScript load_header_script(const std::string& path) {
  HeaderScript script;
  std::string text;
  if (!read_small_file(path, kMaxScriptBytes, text, script.error)) return script;
  return parse_header_script(text);
}
