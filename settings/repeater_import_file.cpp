#include "settings/repeater_import_file.h"

#include <map>
#include <set>
#include <utility>
#include <vector>

#include "settings/atomic_save.h"
#include "settings/repeater_csv.h"
#include "settings/repeater_import.h"
#include "settings/repeater_import_io.h"
#include "settings/repeater_lists.h"
#include "settings/settings_files.h"
#include "settings/station_settings.h"

namespace {

// National tables run to a few hundred kilobytes; anything this big is
// another kind of file.
constexpr std::size_t kMaxTableBytes = 8 * 1024 * 1024;
constexpr int kFewestColumns = 9;

constexpr const char* kFormatComment =
    "// area,name,frequency kHz,shift kHz,repeater callsign,gateway callsign or None\n";

// The whole file, or false with `error` saying why; a read error is one.
bool read_whole(ImportFileReader& file, const std::string& name, std::string& bytes,
                std::string& error) {
  char buffer[65536];
  for (;;) {
    const long n = file.read(buffer, sizeof buffer);
    if (n == 0) return true;
    if (n < 0) {
      error = name + " could not be read: " + system_error_text();
      return false;
    }
    if (bytes.size() + static_cast<std::size_t>(n) > kMaxTableBytes) {
      error = name + " is larger than 8 MB, far more than any repeater table";
      return false;
    }
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
}

// A repeater is told apart by its callsign and frequency.
using RepeaterKey = std::pair<std::string, std::string>;

RepeaterKey key_of(std::string_view line) {
  const auto fields = split_fields(line);
  if (fields.size() < 5) return {};
  return {std::string(FixedField<8>(fields[4]).view()), std::string(fields[2])};
}

struct ExistingList {
  std::string bytes;
  std::string line_end = "\n";  // the list's own, CR LF stays CR LF
  std::size_t entries = 0;
  std::set<RepeaterKey> repeaters;
};

void take_lines(ExistingList& list) {
  std::size_t start = 0;
  while (start < list.bytes.size()) {
    std::size_t end = list.bytes.find('\n', start);
    if (end == std::string::npos) end = list.bytes.size();
    std::string_view line = std::string_view(list.bytes).substr(start, end - start);
    if (start == 0 && line.ends_with('\r')) list.line_end = "\r\n";
    if (line.ends_with('\r')) line.remove_suffix(1);
    start = end + 1;
    line = strip_comment(line);
    if (line.empty()) continue;
    ++list.entries;
    list.repeaters.insert(key_of(line));
  }
  if (!list.bytes.empty() && list.bytes.back() != '\n') list.bytes += list.line_end;
}

std::string count_of(std::size_t n, const char* what) {
  return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

}  // namespace

ImportReport import_repeater_table(const ImportRequest& request) {
  ImportReport report;
  const std::string& csv = request.csv_file;
  const std::string& list_name = request.list_file;
  std::string table;
  FileIdentity table_id;
  {
    ImportFileReader file;
    std::string why;
    bool missing = false;
    if (!file.open(csv, why, missing)) {
      report.error = csv + " could not be opened: " + why;
      return report;
    }
    table_id = file.identity();
    if (!read_whole(file, csv, table, report.error)) return report;
  }
  std::vector<CsvRecord> records;
  std::string why;
  if (!parse_csv(table, records, why)) {
    report.error = csv + ": " + why;
    return report;
  }
  if (records.front().fields.size() < kFewestColumns) {
    report.error = csv + " has " + count_of(records.front().fields.size(), "column") +
                   "; a D-STAR repeater table has at least 9 (Group No ... Offset)";
    return report;
  }

  {
    ImportFileReader file;
    bool missing = false;
    if (file.open(list_name, why, missing) && file.identity() == table_id) {
      report.error = list_name + " is the table itself; write the list to another file";
      return report;
    }
  }
  // From reading the old list until the new one is in place, no other
  // import may write it.
  ListLock lock;
  if (!lock.acquire(list_name, why)) {
    report.error = list_name + " cannot be written: " + why + "; nothing was written";
    return report;
  }
  ExistingList existing;
  if (request.append) {
    ImportFileReader file;
    bool missing = false;
    if (!file.open(list_name, why, missing) && !missing) {
      report.error = list_name + " could not be opened: " + why + "; nothing was written";
      return report;
    }
    if (!missing && !read_whole(file, list_name, existing.bytes, report.error)) return report;
  }
  take_lines(existing);

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

  GroupAreas areas;
  std::vector<std::string> lines;
  std::vector<std::string> refused;
  std::map<std::string, std::size_t> other_modes;
  std::set<RepeaterKey> taken;
  std::size_t already_listed = 0;
  std::size_t repeated = 0;
  std::size_t left_out = 0;
  for (std::size_t i = first; i < records.size(); ++i) {
    const RowResult row = repeater_line_of_row(records[i].fields, columns, encoding, areas);
    if (row.kind == RowResult::other_mode) {
      ++other_modes[row.text];
    } else if (row.kind == RowResult::rejected) {
      refused.push_back("row " + std::to_string(records[i].row) + ": " + row.text);
    } else if (existing.repeaters.count(key_of(row.text))) {
      ++already_listed;
    } else if (!taken.insert(key_of(row.text)).second) {
      ++repeated;
    } else if (existing.entries + lines.size() >= kMaxRepeaterEntries) {
      ++left_out;
    } else {
      lines.push_back(row.text);
    }
  }

  std::string details;
  if (request.append) {
    details += "  " + count_of(existing.entries, "line") + " already in the list kept\n";
    if (already_listed)
      details += "  " + count_of(already_listed, "repeater") + " already in the list skipped\n";
  }
  if (repeated)
    details += "  " + count_of(repeated, "row") +
               " skipped, same callsign and frequency as an earlier row\n";
  if (left_out) {
    details += "  " + count_of(left_out, "repeater") +
               " left out: the console reads no more than " + std::to_string(kMaxRepeaterEntries) +
               " lines\n";
  }
  if (!other_modes.empty()) {
    std::size_t total = 0;
    std::string modes;
    for (const auto& [mode, n] : other_modes) {
      total += n;
      modes += (modes.empty() ? "" : ", ") + mode + " " + std::to_string(n);
    }
    details += "  " + count_of(total, "row") + " skipped, not DV (" + modes + ")\n";
  }
  if (columns.mode < 0) details += "  no Mode column: every row taken as DV\n";
  for (const auto& [group, area] : areas.by_group)
    details += "  area " + area + ": group " + group + "\n";
  if (!refused.empty()) {
    details += "  " + count_of(refused.size(), "row") + " rejected:\n";
    for (const std::string& r : refused) details += "    " + r + "\n";
  }

  const std::string unchanged = list_name + " left as it was\n" + details;
  if (lines.empty()) {
    report.summary = unchanged;
    report.ok = already_listed > 0 && left_out == 0;
    if (left_out)
      report.error = list_name + " is full: it holds " + std::to_string(existing.entries) +
                     " lines, as many as the console reads";
    else if (!report.ok)
      report.error = "no DV repeater could be read from " + csv;
    return report;
  }
  std::string bytes = request.append ? existing.bytes : kFormatComment;
  for (const std::string& line : lines) bytes += line + existing.line_end;
  clear_system_error();
  if (!save_file_whole(list_name.c_str(), bytes)) {
    const std::string reason = system_error_text();
    report.summary = unchanged;
    report.error = list_name + " was not written: " +
                   (reason.empty() ? "the file or its folder takes no new file" : reason);
    return report;
  }
  lock.keep();
  report.summary = list_name + ": " + count_of(lines.size(), "repeater line") + " written from " +
                   csv + "\n" + details;
  report.ok = true;
  return report;
}
