#include "settings/repeater_import_file.h"

#include <filesystem>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "settings/atomic_save.h"
#include "settings/repeater_csv.h"
#include "settings/repeater_import.h"
#include "settings/repeater_lists.h"
#include "settings/settings_files.h"
#include "settings/station_settings.h"
#include "settings/text_file_reader.h"

namespace {

// National tables run to a few hundred kilobytes; anything this big is
// another kind of file.
constexpr std::size_t kMaxTableBytes = 8 * 1024 * 1024;
// The "His repeater" list reads no more entries than this.
constexpr std::size_t kMaxListLines = 256;
constexpr int kFewestColumns = 9;

constexpr const char* kFormatComment =
    "// area,name,frequency kHz,shift kHz,repeater callsign,gateway callsign or None\n";

enum class ReadResult { read, missing, too_large };

ReadResult read_whole(const std::string& file_name, std::string& bytes) {
  TextFileReader file(file_name.c_str());
  if (!file.is_open()) return ReadResult::missing;
  for (int c = file.get(); c != TextFileReader::end_of_file; c = file.get()) {
    if (bytes.size() == kMaxTableBytes) return ReadResult::too_large;
    bytes.push_back(static_cast<char>(c));
  }
  return ReadResult::read;
}

// A repeater is told apart by its callsign and frequency.
using RepeaterKey = std::pair<std::string, std::string>;

std::string key_callsign(std::string_view field) {
  return std::string(FixedField<8>(field).view());
}

struct ExistingList {
  std::string bytes;
  std::size_t entries = 0;
  std::set<RepeaterKey> repeaters;
};

bool read_existing(const std::string& file_name, ExistingList& list, std::string& error) {
  if (!std::filesystem::exists(file_name)) return true;
  if (read_whole(file_name, list.bytes) != ReadResult::read) {
    error = file_name + " could not be read to add to it";
    return false;
  }
  std::size_t start = 0;
  while (start < list.bytes.size()) {
    std::size_t end = list.bytes.find('\n', start);
    if (end == std::string::npos) end = list.bytes.size();
    const std::string_view line =
        strip_comment(std::string_view(list.bytes).substr(start, end - start));
    start = end + 1;
    if (line.empty()) continue;
    ++list.entries;
    const auto fields = split_fields(line);
    if (fields.size() >= 5)
      list.repeaters.insert({key_callsign(fields[4]), std::string(fields[2])});
  }
  if (!list.bytes.empty() && list.bytes.back() != '\n') list.bytes.push_back('\n');
  return true;
}

std::string count_of(std::size_t n, const char* what) {
  return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

}  // namespace

ImportReport import_repeater_table(const ImportRequest& request) {
  ImportReport report;
  std::string table;
  switch (read_whole(request.csv_file, table)) {
    case ReadResult::missing:
      report.error = request.csv_file + " could not be opened (missing, unreadable or not a file)";
      return report;
    case ReadResult::too_large:
      report.error = request.csv_file + " is larger than 8 MB, far more than any repeater table";
      return report;
    case ReadResult::read:
      break;
  }
  std::vector<CsvRecord> records;
  std::string why;
  if (!parse_csv(table, records, why)) {
    report.error = request.csv_file + ": " + why;
    return report;
  }
  if (records.front().fields.size() < kFewestColumns) {
    report.error = request.csv_file + " has " + count_of(records.front().fields.size(), "column") +
                   "; a D-STAR repeater table has at least 9 (Group No ... Offset)";
    return report;
  }

  ExistingList existing;
  if (request.append && !read_existing(request.list_file, existing, report.error)) return report;

  // An English header names the columns; any other first row (a Japanese
  // header) leaves the standard order, and is skipped unless it holds a
  // frequency, as a table without header does.
  const TextEncoding encoding = encoding_of(table);
  const std::vector<std::string>& top = records.front().fields;
  std::optional<RepeaterColumns> named = columns_of_header(top);
  RepeaterColumns columns = named.value_or(RepeaterColumns{});
  if (!named && static_cast<int>(top.size()) <= columns.mode) columns.mode = -1;
  const std::size_t first =
      !named && khz_from_mhz(top[static_cast<std::size_t>(columns.frequency)]) ? 0 : 1;

  std::vector<std::string> lines;
  std::vector<std::string> refused;
  std::map<std::string, std::size_t> other_modes;
  std::size_t already_listed = 0;
  std::size_t left_out = 0;
  for (std::size_t i = first; i < records.size(); ++i) {
    const RowResult row = repeater_line_of_row(records[i].fields, columns, encoding);
    if (row.kind == RowResult::other_mode) {
      ++other_modes[row.text];
    } else if (row.kind == RowResult::rejected) {
      refused.push_back("row " + std::to_string(records[i].row) + ": " + row.text);
    } else {
      const auto fields = split_fields(row.text);
      if (existing.repeaters.count({key_callsign(fields[4]), std::string(fields[2])})) {
        ++already_listed;
      } else if (existing.entries + lines.size() >= kMaxListLines) {
        ++left_out;
      } else {
        lines.push_back(row.text);
      }
    }
  }

  std::string& out = report.summary;
  out = request.list_file + ": " + count_of(lines.size(), "repeater line") + " written from " +
        request.csv_file + "\n";
  if (request.append) {
    out += "  " + count_of(existing.entries, "line") + " already in the list kept\n";
    if (already_listed)
      out += "  " + count_of(already_listed, "repeater") + " already in the list skipped\n";
  }
  if (left_out) {
    out += "  " + count_of(left_out, "repeater") +
           " left out: the console reads no more than 256 lines\n";
  }
  if (!other_modes.empty()) {
    std::size_t total = 0;
    std::string modes;
    for (const auto& [mode, n] : other_modes) {
      total += n;
      modes += (modes.empty() ? "" : ", ") + mode + " " + std::to_string(n);
    }
    out += "  " + count_of(total, "row") + " skipped, not DV (" + modes + ")\n";
  }
  if (columns.mode < 0) out += "  no Mode column: every row taken as DV\n";
  if (!refused.empty()) {
    out += "  " + count_of(refused.size(), "row") + " rejected:\n";
    for (const std::string& r : refused) out += "    " + r + "\n";
  }

  if (lines.empty()) {
    report.ok = already_listed > 0 && left_out == 0;
    if (!report.ok) report.error = "no DV repeater could be read from " + request.csv_file;
    out = request.list_file + " left as it was" + out.substr(out.find('\n'));
    return report;
  }
  std::string bytes = request.append ? existing.bytes : kFormatComment;
  for (const std::string& line : lines) bytes += line + "\n";
  if (!save_file_whole(request.list_file.c_str(), bytes)) {
    report.error = request.list_file + " could not be written; it is left as it was";
    return report;
  }
  report.ok = true;
  return report;
}
