#include "settings/repeater_import_file.h"

#include <algorithm>
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

std::string_view field_at(const std::vector<std::string>& fields, int column) {
  if (column < 0 || static_cast<std::size_t>(column) >= fields.size()) return {};
  return fields[static_cast<std::size_t>(column)];
}

std::string upper_case(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

// One DV row that may become a line.
struct Candidate {
  std::string line;
  std::string group;
  double km = 0;
};

std::string group_label(const std::string& group) { return group.empty() ? "no group" : group; }

// "Lazio 3, New Brunswick 1": each group's rows, in the table's order.
std::string rows_per_group(const std::vector<Candidate>& rows, const GroupAreas& areas) {
  std::map<std::string, std::size_t> count;
  for (const Candidate& row : rows) ++count[row.group];
  std::string out;
  auto add = [&](const std::string& group) {
    const auto n = count.find(group);
    if (n == count.end()) return;
    out += (out.empty() ? "" : ", ") + group_label(group) + " " + std::to_string(n->second);
  };
  for (const auto& entry : areas.by_group) add(entry.first);
  add("");
  return out;
}

// Each named group's rows among those chosen, in the table's order.
std::vector<GroupRows> groups_of(const std::vector<Candidate>& rows, const GroupAreas& areas) {
  std::map<std::string, std::size_t> count;
  for (const Candidate& row : rows) ++count[row.group];
  std::vector<GroupRows> groups;
  for (const auto& entry : areas.by_group)
    if (const auto n = count.find(entry.first); n != count.end())
      groups.push_back({entry.first, n->second});
  return groups;
}

std::string whole_km(double km) { return std::to_string(static_cast<long>(km + 0.5)) + " km"; }

// A spreadsheet that saves ";" between fields writes "430,4375" for a number.
void take_decimal_commas(std::vector<CsvRecord>& records, const RepeaterColumns& columns) {
  for (CsvRecord& record : records) {
    for (const int column :
         {columns.frequency, columns.offset, columns.latitude, columns.longitude}) {
      if (column < 0 || static_cast<std::size_t>(column) >= record.fields.size()) continue;
      std::string& field = record.fields[static_cast<std::size_t>(column)];
      const std::size_t comma = field.find(',');
      if (comma != std::string::npos && field.find_first_of(",.", comma + 1) == std::string::npos &&
          field.find('.') == std::string::npos)
        field[comma] = '.';
    }
  }
}

}  // namespace

namespace {

// The table read whole and split into records, at least the columns a
// repeater table has; false with the report's error saying why not.
bool read_table(const std::string& csv, ImportReport& report, std::string& table,
                FileIdentity& table_id, std::vector<CsvRecord>& records) {
  {
    ImportFileReader file;
    std::string why;
    bool missing = false;
    if (!file.open(csv, why, missing)) {
      report.error = csv + " could not be opened: " + why;
      return false;
    }
    table_id = file.identity();
    if (!read_whole(file, csv, table, report.error)) return false;
  }
  std::string why;
  if (!parse_csv(table, records, why)) {
    report.error = csv + ": " + why;
    return false;
  }
  if (records.front().fields.size() < kFewestColumns) {
    report.error = csv + " has " + count_of(records.front().fields.size(), "column") +
                   "; a D-STAR repeater table has at least 9 (Group No ... Offset)";
    return false;
  }
  return true;
}

// The groups --group names, as the table spells them; false with the
// report's error naming the table's groups when one is not there.
bool choose_groups(const ImportRequest& request, const GroupAreas& areas, ImportReport& report,
                   std::set<std::string>& chosen) {
  const std::string& csv = request.csv_file;
  for (const std::string& wanted : request.groups) {
    std::string found;
    for (const auto& entry : areas.by_group)
      if (upper_case(entry.first) == upper_case(group_name_of(wanted))) found = entry.first;
    if (found.empty()) {
      std::string groups;
      for (const auto& entry : areas.by_group) groups += (groups.empty() ? "" : ", ") + entry.first;
      report.error = "no group \"" + wanted + "\" in " + csv +
                     (groups.empty() ? "; it has no Group Name" : "; its groups are " + groups);
      return false;
    }
    chosen.insert(found);
  }
  return true;
}

// The table's rows sorted into those that may become lines and those left
// out, with why.
struct Selection {
  std::vector<Candidate> rows;
  std::vector<std::string> refused;
  std::map<std::string, std::size_t> other_modes;
  std::size_t already_listed = 0, repeated = 0, other_groups = 0, no_place = 0, beyond = 0;
  std::size_t farther = 0;
};

// Every row from `first` on, checked and chosen by --group, --near and
// --within; with --near the nearest that fit in `room` lines.
Selection select_rows(const ImportRequest& request, const std::vector<CsvRecord>& records,
                      std::size_t first, const RepeaterColumns& columns, TextEncoding encoding,
                      GroupAreas& areas, const std::set<std::string>& chosen,
                      const ExistingList& existing, std::size_t room) {
  Selection s;
  auto& [rows, refused, other_modes, already_listed, repeated, other_groups, no_place, beyond,
         farther] = s;
  std::set<RepeaterKey> taken;
  for (std::size_t i = first; i < records.size(); ++i) {
    const std::vector<std::string>& fields = records[i].fields;
    const RowResult row = repeater_line_of_row(fields, columns, encoding, areas);
    std::string group = group_name_of(field_at(fields, columns.group_name));
    std::optional<GeoPoint> place;
    if (request.near)
      place =
          coordinates_of(field_at(fields, columns.latitude), field_at(fields, columns.longitude));
    if (row.kind == RowResult::other_mode) {
      ++other_modes[row.text];
    } else if (row.kind == RowResult::rejected) {
      refused.push_back("row " + std::to_string(records[i].row) + ": " + row.text);
    } else if (!chosen.empty() && !chosen.count(group)) {
      ++other_groups;
    } else if (existing.repeaters.count(key_of(row.text))) {
      ++already_listed;
    } else if (!taken.insert(key_of(row.text)).second) {
      ++repeated;
    } else if (request.near && !place) {
      ++no_place;
    } else {
      const double km = place ? distance_km(*request.near, *place) : 0;
      if (request.within_km && km > *request.within_km)
        ++beyond;
      else
        rows.push_back({row.text, std::move(group), km});
    }
  }
  if (request.near) {
    std::stable_sort(rows.begin(), rows.end(),
                     [](const Candidate& a, const Candidate& b) { return a.km < b.km; });
    if (rows.size() > room) {
      farther = rows.size() - room;
      rows.resize(room);
    }
  }
  return s;
}

// The summary's lines below its first: what was kept, skipped and left out.
std::string details_of(const ImportRequest& request, const ExistingList& existing,
                       const Selection& s, bool fits, const RepeaterColumns& columns,
                       const GroupAreas& areas, const std::set<std::string>& written_areas) {
  const auto& [rows, refused, other_modes, already_listed, repeated, other_groups, no_place, beyond,
               farther] = s;
  std::string details;
  if (request.append) {
    details += "  " + count_of(existing.entries, "line") + " already in the list kept\n";
    if (already_listed)
      details += "  " + count_of(already_listed, "repeater") + " already in the list skipped\n";
  }
  if (repeated)
    details += "  " + count_of(repeated, "row") +
               " skipped, same callsign and frequency as an earlier row\n";
  if (other_groups) details += "  " + count_of(other_groups, "row") + " of other groups left out\n";
  if (no_place) details += "  " + count_of(no_place, "row") + " without coordinates left out\n";
  if (beyond)
    details += "  " + count_of(beyond, "repeater") + " farther than " +
               whole_km(*request.within_km) + " left out\n";
  if (farther)
    details += "  " + count_of(farther, "farther repeater") +
               " left out: the console reads no more than " + std::to_string(kMaxRepeaterEntries) +
               " lines\n";
  if (request.near && fits && !rows.empty())
    details += "  nearest first; the farthest kept is " + whole_km(rows.back().km) + " away\n";
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
    if (written_areas.count(area)) details += "  area " + area + ": group " + group + "\n";
  if (!refused.empty()) {
    details += "  " + count_of(refused.size(), "row") + " rejected:\n";
    for (const std::string& r : refused) details += "    " + r + "\n";
  }
  return details;
}

// The old list, read under a lock that keeps other imports away from it
// until the new list is in its place. False with the report's error.
bool read_old_list(const ImportRequest& request, const FileIdentity& table_id, ListLock& lock,
                   ExistingList& existing, ImportReport& report) {
  const std::string& list_name = request.list_file;
  std::string why;
  {
    ImportFileReader file;
    bool missing = false;
    if (file.open(list_name, why, missing) && file.identity() == table_id) {
      report.error = list_name + " is the table itself; write the list to another file";
      return false;
    }
  }
  if (!lock.acquire(list_name, why)) {
    report.error = list_name + " cannot be written: " + why + "; nothing was written";
    return false;
  }
  if (request.append) {
    ImportFileReader file;
    bool missing = false;
    if (!file.open(list_name, why, missing) && !missing) {
      report.error = list_name + " could not be opened: " + why + "; nothing was written";
      return false;
    }
    if (!missing && !read_whole(file, list_name, existing.bytes, report.error)) return false;
  }
  take_lines(existing);
  return true;
}

struct TableLayout {
  TextEncoding encoding;
  RepeaterColumns columns;
  std::size_t first_row;
};

// An English header names the columns; any other first row (a Japanese
// header) leaves the standard order, and is skipped unless it holds a
// frequency, as a table without header does.
TableLayout layout_of(const std::string& table, std::vector<CsvRecord>& records) {
  const std::vector<std::string>& top = records.front().fields;
  std::optional<RepeaterColumns> named = columns_of_header(top);
  RepeaterColumns columns = named.value_or(RepeaterColumns{});
  if (!named && static_cast<int>(top.size()) <= columns.mode) columns.mode = -1;
  const std::size_t first =
      !named && khz_from_mhz(top[static_cast<std::size_t>(columns.frequency)]) ? 0 : 1;
  if (separator_of_header(table) != ',') take_decimal_commas(records, columns);
  return {encoding_of(table), columns, first};
}

// Every group's area is settled before the first line, so that two groups
// whose names begin alike are both told apart.
GroupAreas areas_of_table(const std::vector<CsvRecord>& records, const TableLayout& layout) {
  std::vector<std::string> group_column;
  for (std::size_t i = layout.first_row; i < records.size(); ++i)
    group_column.emplace_back(field_at(records[i].fields, layout.columns.group_name));
  return areas_of_groups(group_column, layout.encoding);
}

std::string too_many_rows(const ImportRequest& request, const ExistingList& existing,
                          const std::vector<Candidate>& rows, const GroupAreas& areas) {
  return count_of(rows.size(), "DV row") +
         (existing.entries ? " and the " + count_of(existing.entries, "line") + " already in " +
                                 request.list_file
                           : std::string()) +
         " do not fit the " + std::to_string(kMaxRepeaterEntries) +
         " lines the console reads. Choose groups with --group (" + rows_per_group(rows, areas) +
         ") or the nearest repeaters with --near YOUR-LOCATOR.";
}

// No line to write: fine when every repeater is already listed, an error
// that says why otherwise.
void report_no_new_lines(const ImportRequest& request, const ExistingList& existing,
                         const Selection& s, ImportReport& report) {
  report.ok = s.already_listed > 0 && s.farther == 0;
  if (s.farther)
    report.error = request.list_file + " is full: it holds " + std::to_string(existing.entries) +
                   " lines, as many as the console reads";
  else if (s.other_groups || s.no_place || s.beyond)
    report.error =
        "no DV repeater of " + request.csv_file + " is left by --group, --near and --within";
  else if (!report.ok)
    report.error = "no DV repeater could be read from " + request.csv_file;
}

// A list that a killed import left empty is begun anew.
bool write_list(const ImportRequest& request, const ExistingList& existing,
                const std::vector<Candidate>& rows, ImportReport& report) {
  std::string bytes =
      request.append && !existing.bytes.empty() ? existing.bytes : std::string(kFormatComment);
  for (const Candidate& row : rows) bytes += row.line + existing.line_end;
  clear_system_error();
  if (save_file_whole(request.list_file.c_str(), bytes)) return true;
  const std::string reason = system_error_text();
  report.error = request.list_file + " was not written: " +
                 (reason.empty() ? "the file or its folder takes no new file" : reason);
  return false;
}

}  // namespace

ImportReport import_repeater_table(const ImportRequest& request) {
  ImportReport report;
  std::string table;
  FileIdentity table_id;
  std::vector<CsvRecord> records;
  if (!read_table(request.csv_file, report, table, table_id, records)) return report;
  ListLock lock;
  ExistingList existing;
  if (!read_old_list(request, table_id, lock, existing, report)) return report;

  const TableLayout layout = layout_of(table, records);
  GroupAreas areas = areas_of_table(records, layout);
  std::set<std::string> chosen;
  if (!choose_groups(request, areas, report, chosen)) return report;
  const std::size_t room = kMaxRepeaterEntries - std::min(existing.entries, kMaxRepeaterEntries);
  const Selection selection = select_rows(request, records, layout.first_row, layout.columns,
                                          layout.encoding, areas, chosen, existing, room);

  report.lines = selection.rows.size();
  report.room = room;
  report.groups = groups_of(selection.rows, areas);
  const bool fits = selection.rows.size() <= room;
  std::set<std::string> written_areas;
  if (fits) {
    for (const Candidate& row : selection.rows)
      written_areas.emplace(split_fields(row.line).front());
  }
  const std::string details =
      details_of(request, existing, selection, fits, layout.columns, areas, written_areas);
  report.summary = request.list_file + " left as it was\n" + details;
  if (!fits) {
    report.error = too_many_rows(request, existing, selection.rows, areas);
    return report;
  }
  if (selection.rows.empty()) {
    report_no_new_lines(request, existing, selection, report);
    return report;
  }
  if (request.count_only) {
    report.ok = true;
    return report;
  }
  if (!write_list(request, existing, selection.rows, report)) return report;
  lock.keep();
  report.summary = request.list_file + ": " + count_of(selection.rows.size(), "repeater line") +
                   " written from " + request.csv_file + "\n" + details;
  report.ok = true;
  return report;
}
