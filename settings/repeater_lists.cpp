#include "settings/repeater_lists.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <vector>

#include "console/message_boxes.h"
#include "settings/settings_files.h"
#include "settings/station_settings.h"
#include "settings/text_file_reader.h"

namespace {

// No list holds more repeaters than this.
constexpr int kMaxEntries = static_cast<int>(kMaxRepeaterEntries);
// Longest line piece the his-repeater and my-repeater lists take at a time.
constexpr std::size_t kHisLineChunk = 256;
constexpr std::size_t kMyLineChunk = kMaxMyRepeaterLine;
// Call areas are told apart on their first 7 characters.
constexpr std::size_t kAreaLength = kCallAreaLength;
// Call areas the repeater list may add to the window's own.
constexpr std::size_t kMaxListAreas = 64;

// One line piece of at most Limit characters, without its line feed.
template <std::size_t Limit>
struct LinePiece {
  std::array<char, Limit> bytes{};
  std::size_t size = 0;

  // Text ends at a stray NUL byte, as everywhere else in the settings.
  std::string_view text() const { return up_to_nul({bytes.data(), size}); }
};

// Reads up to a line feed, the end of the file or Limit characters. After a
// full piece the next character is taken and dropped; the rest of an
// over-long line comes back as the next piece. False when nothing was left.
template <std::size_t Limit>
bool read_piece(TextFileReader& file, LinePiece<Limit>& piece) {
  piece.size = 0;
  int c = file.get();
  if (c == TextFileReader::end_of_file) return false;
  while (c != TextFileReader::end_of_file && c != '\n') {
    piece.bytes[piece.size++] = static_cast<char>(c);
    if (piece.size == Limit) {
      file.get();
      break;
    }
    c = file.get();
  }
  return true;
}

void report_missing(ConsoleView& view, const std::string& file_name) {
  show_box(view, box::repeater_file_unread, file_name);
}

// The first field names the area when both agree up to the end of the
// shorter or on 7 characters: "JP1" matches only "JP1", "Simplex" also
// "Simplex2".
bool area_matches(std::string_view first_field, std::string_view area) {
  for (std::size_t i = 0; i < kAreaLength; ++i) {
    char a = i < area.size() ? area[i] : '\0';
    char f = i < first_field.size() ? first_field[i] : '\0';
    if (a != f) return false;
    if (a == '\0') return true;
  }
  return true;
}

// The first line of a one-line repeater file that is not empty once its
// comment is cut off, read as the "My repeater" list reads it; empty when
// the file is missing or holds no such line.
std::string stored_repeater_line(const char* file_name) {
  TextFileReader file(file_name);
  LinePiece<kMyLineChunk> piece;
  while (read_piece(file, piece)) {
    std::string_view line = strip_comment(piece.text());
    if (!line.empty()) return std::string(line);
  }
  return {};
}

// The first line of the repeater list whose repeater is `repeater`, as the
// lists show it; empty when the list is missing or names no such repeater.
std::string listed_line_of(const FixedField<8>& repeater) {
  TextFileReader file(kRepeaterListFile);
  LinePiece<kMyLineChunk> piece;
  while (read_piece(file, piece)) {
    std::string_view line = strip_comment(piece.text());
    const auto fields = split_fields(line);
    if (fields.size() > 4 && FixedField<8>(fields[4]) == repeater) return std::string(line);
  }
  return {};
}

// Takes the line's gateway when the line is that of `my_repeater`.
bool take_gateway_of(std::string_view line) {
  const auto fields = split_fields(line);
  if (fields.size() <= 5 || FixedField<8>(fields[4]) != station.my_repeater) return false;
  set_fixed(station.gateway, fields[5]);
  return true;
}

}  // namespace

std::string_view strip_comment(std::string_view line) {
  std::size_t comment = line.find("//");
  return comment == std::string_view::npos ? line : line.substr(0, comment);
}

void fill_his_repeater_list(ConsoleView& view) {
  TextFileReader file(kRepeaterListFile);
  if (!file.is_open()) {
    report_missing(view, kRepeaterListFile);
    return;
  }
  LinePiece<kHisLineChunk> piece;
  int added = 0;
  while (added < kMaxEntries && read_piece(file, piece)) {
    std::string_view line = strip_comment(piece.text());
    if (line.empty()) continue;
    view.list_append(ctl::his_repeater, std::string(line));
    ++added;
  }
}

void fill_my_repeater_list(ConsoleView& view, const std::string& file_name, std::string_view area) {
  TextFileReader file(file_name.c_str());
  if (!file.is_open()) {
    report_missing(view, file_name);
    return;
  }
  // Only the first entry goes, so the list grows as the operator picks one
  // area after another.
  view.list_remove(ctl::my_repeater, 0);
  area = up_to_nul(area);

  LinePiece<kMyLineChunk> piece;
  int added = 0;
  while (added < kMaxEntries && read_piece(file, piece)) {
    std::string_view line = strip_comment(piece.text());
    if (line.empty()) continue;
    const auto fields = split_fields(line);
    if (fields.empty() || !area_matches(fields[0], area)) continue;
    view.list_append(ctl::my_repeater, std::string(line));
    ++added;
  }
}

void restore_chosen_repeater_lines() {
  const std::string my_line = stored_repeater_line(kMyRepeaterFile);
  const std::string his_line = stored_repeater_line(kHisRepeaterFile);
  if (!my_line.empty()) set_text(station.my_repeater_line, my_line);
  if (!his_line.empty()) set_text(station.his_repeater_line, his_line);
  // The stored gateway belongs to the stored repeater only; for any other
  // repeater the list line that names it gives the gateway.
  if (!take_gateway_of(my_line)) {
    const std::string listed = listed_line_of(station.my_repeater);
    take_gateway_of(listed);
    if (!listed.empty() && my_line.empty()) set_text(station.my_repeater_line, listed);
  }
  if (his_line.empty()) {
    const std::string listed = listed_line_of(station.his_repeater);
    if (!listed.empty()) set_text(station.his_repeater_line, listed);
  }
}

void append_call_areas_of_list(ConsoleView& view, std::span<const char* const> listed_areas,
                               std::string_view stored_area) {
  TextFileReader file(kRepeaterListFile);
  if (!file.is_open()) return;
  auto area_of = [](std::string_view text) {
    return std::string(text.substr(0, std::min(text.find('\0'), kAreaLength)));
  };
  std::vector<std::string> known(listed_areas.begin(), listed_areas.end());
  known.push_back(area_of(stored_area));
  std::size_t added = 0;
  // Read as the "My repeater" list reads, so every area offered has lines.
  LinePiece<kMyLineChunk> piece;
  while (added < kMaxListAreas && read_piece(file, piece)) {
    const auto fields = split_fields(strip_comment(piece.text()));
    if (fields.empty()) continue;
    std::string area = area_of(fields[0]);
    if (std::find(known.begin(), known.end(), area) != known.end()) continue;
    view.list_append(ctl::call_area, area);
    known.push_back(std::move(area));
    ++added;
  }
}
