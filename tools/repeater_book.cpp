#include "repeater_book.h"

#include <algorithm>

#include "dv_frames.h"
#include "small_file.h"

namespace {

// Comma, tab and line feed separate fields; empty fields vanish, as the
// console reads these lists.
std::vector<std::string> split_list_fields(std::string_view line) {
  std::vector<std::string> fields;
  std::string field;
  for (char c : line) {
    if (c == ',' || c == '\t' || c == '\n') {
      if (!field.empty()) fields.push_back(field);
      field.clear();
    } else {
      field += c;
    }
  }
  if (!field.empty()) fields.push_back(field);
  return fields;
}

}  // namespace

std::optional<std::string> repeater_callsign_of_line(std::string_view line) {
  const auto comment = line.find("//");
  if (comment != std::string_view::npos) line = line.substr(0, comment);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  const auto fields = split_list_fields(line);
  if (fields.size() < 5) return std::nullopt;
  return dv::callsign8(fields[4]);
}

RepeaterBook repeater_book_from_text(std::string_view text) {
  RepeaterBook book;
  book.checked = true;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    if (auto call = repeater_callsign_of_line(text.substr(start, end - start)))
      book.callsigns.push_back(*call);
    start = end + 1;
  }
  return book;
}

bool load_repeater_book(const std::string& path, RepeaterBook& book, std::string& error) {
  std::string text;
  if (!read_small_file(path, kMaxRepeaterListBytes, text, error)) {
    error = "the repeater list " + path + ": " + error;
    return false;
  }
  book = repeater_book_from_text(text);
  return true;
}

std::optional<std::string> repeater_named_by_ur(const std::string& ur8) {
  const std::string ur = dv::callsign8(ur8);
  if (ur[0] != '/') return std::nullopt;
  // The console drops the space before the module letter: put it back.
  return ur.substr(1, 6) + ' ' + ur[7];
}

bool knows_repeater(const RepeaterBook& book, const std::string& callsign8) {
  return std::find(book.callsigns.begin(), book.callsigns.end(), callsign8) != book.callsigns.end();
}
