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
#include "settings/text_conversion.h"

namespace {

// National tables run to a few hundred kilobytes; anything this big is
// another kind of file.
constexpr std::size_t kMaxTableBytes = 8 * 1024 * 1024;
constexpr int kFewestColumns = 9;
// What the summary names: at most 20 groups, 10 rows of a kind, each name
// cut at 60 characters, so that no table makes it unreadable.
constexpr std::size_t kMostGroupsNamed = 20;
constexpr std::size_t kMostRowsNamed = 10;
constexpr std::size_t kLongestNameShown = 60;
// The encoding the system calls Shift-JIS with the backslash and tilde of ASCII.
constexpr const char* kShiftJis = "CP932";

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
  bool existed = false;  // a list was there before the import
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
  int row = 0;
  bool simplex = false;
  std::optional<GeoPoint> place;
  std::string bad_place;  // how the first row gave a position that is none
  double km = 0;
};

// The first `most` of `names` and how many more: "A, B, and 3 more".
std::string and_more(const std::vector<std::string>& names, std::size_t most,
                     const char* separator = ", ") {
  std::string out;
  for (std::size_t i = 0; i < names.size() && i < most; ++i) out += (i ? separator : "") + names[i];
  if (names.size() > most)
    out += std::string(separator) + "and " + std::to_string(names.size() - most) + " more";
  return out;
}

// The table's words as the operator reads them: the summary is UTF-8
// whatever the table was written in, and a name has at most 60 characters.
struct SummaryWords {
  TextEncoding encoding = TextEncoding::utf8;

  std::string operator()(std::string_view table_text) const {
    std::string utf8(table_text);
    if (encoding == TextEncoding::shift_jis &&
        utf8_from(table_text, kShiftJis, utf8) != Conversion::done) {
      utf8.clear();
      for (const char c : table_text)
        utf8.push_back(static_cast<unsigned char>(c) < 0x80 ? c : '?');
    }
    return utf8;
  }
  std::string name(std::string_view table_text) const { return cut((*this)(table_text)); }
  static std::string cut(const std::string& utf8) {
    std::size_t characters = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
      if ((static_cast<unsigned char>(utf8[i]) >> 6) == 0x2) continue;
      if (++characters > kLongestNameShown) return utf8.substr(0, i) + "...";
    }
    return utf8;
  }
};

std::string group_label(const std::string& group, const SummaryWords& words) {
  return group.empty() ? "no group" : words.name(group);
}

// "Lazio 3, New Brunswick 1": each group's rows, in the table's order.
std::string rows_per_group(const std::vector<Candidate>& rows, const GroupAreas& areas,
                           const SummaryWords& words) {
  std::map<std::string, std::size_t> count;
  for (const Candidate& row : rows) ++count[row.group];
  std::vector<std::string> groups;
  auto add = [&](const std::string& group) {
    const auto n = count.find(group);
    if (n != count.end())
      groups.push_back(group_label(group, words) + " " + std::to_string(n->second));
  };
  for (const auto& entry : areas.by_group) add(entry.first);
  add("");
  return and_more(groups, kMostGroupsNamed);
}

// Each named group's rows among those chosen, in the table's order, named
// in UTF-8 as --group takes them.
std::vector<GroupRows> groups_of(const std::vector<Candidate>& rows, const GroupAreas& areas,
                                 const SummaryWords& words) {
  std::map<std::string, std::size_t> count;
  for (const Candidate& row : rows) ++count[row.group];
  std::vector<GroupRows> groups;
  for (const auto& entry : areas.by_group)
    if (const auto n = count.find(entry.first); n != count.end())
      groups.push_back({words(entry.first), n->second});
  return groups;
}

std::string whole_km(double km) { return std::to_string(static_cast<long>(km + 0.5)) + " km"; }

// A distance as the operator gave it: "150 km", "0.5 km".
std::string km_as_given(double km) {
  std::string text = std::to_string(km);
  text.erase(text.find_last_not_of('0') + 1);
  if (text.ends_with('.')) text.pop_back();
  return text + " km";
}

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

// The first line that `readable` refuses, counted as a spreadsheet counts rows.
template <typename Readable>
int first_unreadable_row(std::string_view text, Readable readable) {
  int row = 1;
  for (std::size_t start = 0; start < text.size(); ++row) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    if (!readable(text.substr(start, end - start))) return row;
    start = end + 1;
  }
  return 1;
}

bool reads_as(std::string_view line, const char* encoding) {
  std::string ignored;
  return utf8_from(line, encoding, ignored) == Conversion::done;
}

constexpr const char* kChooseEncoding =
    "; name the encoding it was saved in with --encoding, for example --encoding CP1250 for a "
    "Polish, Czech or Hungarian spreadsheet's CSV (CP1250 to CP1257, ISO-8859-1, ISO-8859-2)";

// The table in the encoding it is read in: UTF-8 or Shift-JIS as its bytes
// show, or what --encoding names, turned into UTF-8. `read_as` names it
// when it is not UTF-8 of its own. False with the report's error.
bool decode_table(const ImportRequest& request, std::string& table, std::string& read_as,
                  ImportReport& report) {
  const std::string& csv = request.csv_file;
  if (!request.encoding.empty()) {
    std::string utf8;
    const Conversion done = utf8_from(table, request.encoding, utf8);
    if (done == Conversion::unknown_encoding) {
      report.error = "--encoding " + request.encoding + " is no encoding this system converts" +
                     "; try CP1250 to CP1257, ISO-8859-1 or ISO-8859-2";
      return false;
    }
    if (done == Conversion::unreadable) {
      const int row = first_unreadable_row(
          table, [&](std::string_view line) { return reads_as(line, request.encoding.c_str()); });
      report.error = csv + ": row " + std::to_string(row) + " holds bytes that are no " +
                     request.encoding + " text; nothing was written";
      return false;
    }
    table = std::move(utf8);
    read_as = request.encoding;
    return true;
  }
  if (encoding_of(table) == TextEncoding::utf8) return true;
  std::string ignored;
  if (utf8_from(table, kShiftJis, ignored) == Conversion::unreadable) {
    const int row = first_unreadable_row(table, [](std::string_view line) {
      return encoding_of(line) == TextEncoding::utf8 || reads_as(line, kShiftJis);
    });
    report.error = csv + " is neither UTF-8 nor Shift-JIS: row " + std::to_string(row) +
                   " cannot be read in either" + kChooseEncoding;
    return false;
  }
  read_as = "Shift-JIS";
  return true;
}

}  // namespace

namespace {

// The table read whole, in its encoding, and split into records, at least
// the columns a repeater table has; false with the report's error saying
// why not.
bool read_table(const ImportRequest& request, ImportReport& report, std::string& table,
                std::string& read_as, FileIdentity& table_id, std::vector<CsvRecord>& records) {
  const std::string& csv = request.csv_file;
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
  // Binary bytes and UTF-16 are told as such before any encoding is tried.
  if (request.encoding.empty() && !parse_csv(table, records, why)) {
    report.error = csv + ": " + why;
    return false;
  }
  if (!decode_table(request, table, read_as, report)) return false;
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

// The groups --group names, as the table spells them, matched in any case
// of any script; false with the report's error naming the table's groups
// when one is not there.
bool choose_groups(const ImportRequest& request, const GroupAreas& areas, const SummaryWords& words,
                   ImportReport& report, std::set<std::string>& chosen) {
  const std::string& csv = request.csv_file;
  for (const std::string& wanted : request.groups) {
    const std::string wanted_key = folded_case(group_name_of(wanted));
    std::string found;
    for (const auto& entry : areas.by_group)
      if (folded_case(words(entry.first)) == wanted_key) found = entry.first;
    if (found.empty()) {
      std::vector<std::string> groups;
      for (const auto& entry : areas.by_group) groups.push_back(words.name(entry.first));
      report.error = "no group \"" + SummaryWords::cut(wanted) + "\" in " + csv +
                     (groups.empty() ? "; it has no Group Name"
                                     : "; its groups are " + and_more(groups, kMostGroupsNamed));
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
  std::size_t already_listed = 0, merged = 0, other_groups = 0, no_place = 0, beyond = 0;
  std::size_t farther = 0;
  std::vector<std::string> bad_places;
};

std::string callsign_of_line(std::string_view line, std::size_t field) {
  const auto fields = split_fields(line);
  return fields.size() > field ? std::string(FixedField<8>(fields[field]).view()) : std::string();
}

// "F2ZCD B" as the operator writes it, for "F2ZCD  B" as the list holds it.
std::string shown_callsign(std::string_view call8) {
  std::string call(call8.substr(0, 7));
  call.erase(call.find_last_not_of(' ') + 1);
  return call8.size() == 8 && call8[7] != ' ' ? call + " " + call8[7] : call;
}

// The rows of `first` on that are DV repeaters of the chosen groups and not
// listed yet; rows of one repeater are merged into the first, which takes
// the first position any of them gives.
std::vector<Candidate> candidates_of(const std::vector<CsvRecord>& records, std::size_t first,
                                     const RepeaterColumns& columns, TextEncoding encoding,
                                     GroupAreas& areas, const std::set<std::string>& chosen,
                                     const ExistingList& existing, Selection& s) {
  std::vector<Candidate> all;
  std::map<RepeaterKey, std::size_t> taken;
  for (std::size_t i = first; i < records.size(); ++i) {
    const std::vector<std::string>& fields = records[i].fields;
    const RowResult row = repeater_line_of_row(fields, columns, encoding, areas);
    std::string group = group_name_of(field_at(fields, columns.group_name));
    const std::string_view latitude = field_at(fields, columns.latitude);
    const std::string_view longitude = field_at(fields, columns.longitude);
    if (row.kind == RowResult::other_mode) {
      ++s.other_modes[row.text];
    } else if (row.kind == RowResult::rejected) {
      s.refused.push_back("row " + std::to_string(records[i].row) + ": " + row.text);
    } else if (!chosen.empty() && !chosen.count(group)) {
      ++s.other_groups;
    } else if (existing.repeaters.count(key_of(row.text))) {
      ++s.already_listed;
    } else {
      const std::optional<GeoPoint> place = coordinates_of(latitude, longitude);
      const auto [at, first_row] = taken.try_emplace(key_of(row.text), all.size());
      if (!first_row) {
        ++s.merged;
        Candidate& kept = all[at->second];
        if (!kept.place) kept.place = place;
        continue;
      }
      Candidate c{row.text,       std::move(group),
                  records[i].row, callsign_of_line(row.text, 4) == kSimplexChannel,
                  place,          {}};
      if (!place && states_a_position(latitude, longitude))
        c.bad_place = "row " + std::to_string(c.row) + " (" +
                      shown_callsign(callsign_of_line(row.text, 4)) + "): latitude \"" +
                      std::string(latitude) + "\", longitude \"" + std::string(longitude) + "\"";
      all.push_back(std::move(c));
    }
  }
  return all;
}

// Every row from `first` on, checked and chosen by --group, --near and
// --within; with --near the nearest repeaters that fit in `room` lines,
// then the simplex channels, which serve anywhere.
Selection select_rows(const ImportRequest& request, const std::vector<CsvRecord>& records,
                      std::size_t first, const RepeaterColumns& columns, TextEncoding encoding,
                      GroupAreas& areas, const std::set<std::string>& chosen,
                      const ExistingList& existing, std::size_t room) {
  Selection s;
  std::vector<Candidate> all =
      candidates_of(records, first, columns, encoding, areas, chosen, existing, s);
  if (!request.near) {
    s.rows = std::move(all);
    return s;
  }
  std::vector<Candidate> simplex;
  for (Candidate& c : all) {
    if (c.simplex) {
      simplex.push_back(std::move(c));
    } else if (!c.place) {
      ++s.no_place;
      if (!c.bad_place.empty()) s.bad_places.push_back(c.bad_place);
    } else if ((c.km = distance_km(*request.near, *c.place)),
               request.within_km && c.km > *request.within_km) {
      ++s.beyond;
    } else {
      s.rows.push_back(std::move(c));
    }
  }
  std::stable_sort(s.rows.begin(), s.rows.end(),
                   [](const Candidate& a, const Candidate& b) { return a.km < b.km; });
  // The few simplex channels keep their place; the farthest repeaters make room.
  const std::size_t for_repeaters = room - std::min(room, simplex.size());
  if (s.rows.size() > for_repeaters && simplex.size() <= room) {
    s.farther = s.rows.size() - for_repeaters;
    s.rows.resize(for_repeaters);
  }
  for (Candidate& c : simplex) s.rows.push_back(std::move(c));
  return s;
}

// "row 5 (F2ZCD B): gateway F1ZCD G" for each written line whose gateway is
// not its repeater's own.
std::vector<std::string> gateways_worth_checking(const std::vector<Candidate>& rows) {
  std::vector<std::string> named;
  for (const Candidate& row : rows) {
    const std::string call = callsign_of_line(row.line, 4);
    const std::string gateway = callsign_of_line(row.line, 5);
    if (gateway_worth_checking(call, gateway))
      named.push_back("row " + std::to_string(row.row) + " (" + shown_callsign(call) +
                      "): gateway " + shown_callsign(gateway));
  }
  return named;
}

// The summary's lines below its first: what was kept, skipped and left out;
// the areas and lines only when they were written.
std::string details_of(const ImportRequest& request, const ExistingList& existing,
                       const Selection& s, bool written, const RepeaterColumns& columns,
                       const GroupAreas& areas, const SummaryWords& words,
                       const std::string& read_as) {
  std::string details;
  if (!read_as.empty())
    details += "  table read as " + read_as +
               (request.encoding.empty()
                    ? ", as it is not UTF-8; if its names look wrong, name its encoding with "
                      "--encoding (CP1250 for a Polish spreadsheet's CSV, for example)\n"
                    : " (--encoding); its names are written in UTF-8\n");
  if (request.append) {
    details += "  " + count_of(existing.entries, "line") + " already in the list kept\n";
    if (s.already_listed)
      details += "  " + count_of(s.already_listed, "repeater") + " already in the list skipped\n";
  }
  if (s.merged)
    details += "  " + count_of(s.merged, "row") +
               " merged into an earlier row of the same callsign and frequency\n";
  if (s.other_groups)
    details += "  " + count_of(s.other_groups, "row") + " of other groups left out\n";
  if (s.no_place) details += "  " + count_of(s.no_place, "row") + " without coordinates left out\n";
  if (!s.bad_places.empty())
    details += "  " + count_of(s.bad_places.size(), "row") +
               " of them with a position that is no latitude and longitude:\n    " +
               and_more(s.bad_places, kMostRowsNamed, "\n    ") + "\n";
  if (s.beyond)
    details += "  " + count_of(s.beyond, "repeater") + " farther than " +
               km_as_given(*request.within_km) + " left out\n";
  if (s.farther)
    details += "  " + count_of(s.farther, "farther repeater") +
               " left out: the console reads no more than " + std::to_string(kMaxRepeaterEntries) +
               " lines\n";
  if (request.near && written) {
    const auto last =
        std::find_if(s.rows.rbegin(), s.rows.rend(), [](const Candidate& c) { return !c.simplex; });
    if (last != s.rows.rend())
      details += "  nearest first; the farthest kept is " + whole_km(last->km) + " away\n";
  }
  if (!s.other_modes.empty()) {
    std::size_t total = 0;
    std::string modes;
    for (const auto& [mode, n] : s.other_modes) {
      total += n;
      modes += (modes.empty() ? "" : ", ") + words.name(mode) + " " + std::to_string(n);
    }
    details += "  " + count_of(total, "row") + " skipped, not DV (" + modes + ")\n";
  }
  if (columns.mode < 0) details += "  no Mode column: every row taken as DV\n";
  if (columns.gateway < 0)
    details +=
        "  no gateway column (Gateway Call Sign, Gateway or GW): every repeater got "
        "gateway None, so its routes reach no gateway\n";
  if (written) {
    std::set<std::string> written_areas;
    for (const Candidate& row : s.rows) written_areas.emplace(split_fields(row.line).front());
    for (const auto& [group, area] : areas.by_group)
      if (written_areas.count(area))
        details += "  area " + words(area) + ": group " + words.name(group) + "\n";
    for (const Candidate& row : s.rows) {
      if (!row.simplex) continue;
      const auto fields = split_fields(row.line);
      details += "  simplex channel " + words.name(fields[1]) + " (" + std::string(fields[2]) +
                 " kHz" + (row.group.empty() ? "" : ", group " + words.name(row.group)) +
                 ") under area Simplex" + (request.near ? ", after the repeaters" : "") + "\n";
    }
    const std::vector<std::string> gateways = gateways_worth_checking(s.rows);
    if (!gateways.empty())
      details += "  " + count_of(gateways.size(), "gateway") +
                 " worth checking, not the repeater's own callsign with module G, written as "
                 "the table says:\n    " +
                 and_more(gateways, kMostRowsNamed, "\n    ") + "\n";
  }
  if (!s.refused.empty()) {
    details += "  " + count_of(s.refused.size(), "row") + " rejected:\n";
    for (const std::string& r : s.refused) details += "    " + words(r) + "\n";
  }
  return details;
}

// The console's own files, which a list written over them would destroy:
// the station's settings, the chosen repeaters and the heard logs. Windows
// names are the same in any case, so the names are compared so everywhere.
std::string console_file_named(std::string_view path) {
  const std::size_t slash = path.find_last_of("/\\");
  const std::string name(path.substr(slash == std::string_view::npos ? 0 : slash + 1));
  const std::string upper = upper_case(name);
  for (const char* file :
       {kAdapterSettingsFile, kTransceiverSettingsFile, kMyRepeaterFile, kHisRepeaterFile})
    if (upper == upper_case(file)) return file;
  // The heard log's names, "D-STAR_heard_2026-12.csv".
  if (upper.starts_with("D-STAR_HEARD_") && upper.ends_with(".CSV")) return name;
  return {};
}

// The console's file that the list's name is, by name or through links
// (symbolic, or hard links to the settings files beside it); empty if none.
std::string console_file_at(const std::string& list_name, const ImportFileReader* opened) {
  const std::vector<std::string> names = names_along_links(list_name);
  for (const std::string& name : names)
    if (std::string file = console_file_named(name); !file.empty()) return file;
  if (!opened) return {};
  const std::string& last = names.back();
  const std::size_t slash = last.find_last_of("/\\");
  const std::string folder = slash == std::string::npos ? "" : last.substr(0, slash + 1);
  for (const char* file :
       {kAdapterSettingsFile, kTransceiverSettingsFile, kMyRepeaterFile, kHisRepeaterFile}) {
    ImportFileReader settings;
    std::string why;
    bool missing = false;
    if (settings.open(folder + file, why, missing) && settings.identity() == opened->identity())
      return file;
  }
  return {};
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
    const bool opened = file.open(list_name, why, missing);
    if (opened && file.identity() == table_id) {
      report.error = list_name + " is the table itself; write the list to another file";
      return false;
    }
    if (const std::string own = console_file_at(list_name, opened ? &file : nullptr);
        !own.empty()) {
      report.error = list_name + " is the console's own " + own +
                     "; write the list to another file; nothing was written";
      return false;
    }
    existing.existed = !missing;
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
                          const std::vector<Candidate>& rows, const GroupAreas& areas,
                          const SummaryWords& words) {
  return count_of(rows.size(), "DV row") +
         (existing.entries ? " and the " + count_of(existing.entries, "line") + " already in " +
                                 request.list_file
                           : std::string()) +
         " do not fit the " + std::to_string(kMaxRepeaterEntries) +
         " lines the console reads. Choose groups with --group (" +
         rows_per_group(rows, areas, words) +
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
  std::string table, read_as;
  FileIdentity table_id;
  std::vector<CsvRecord> records;
  if (!read_table(request, report, table, read_as, table_id, records)) return report;
  ListLock lock;
  ExistingList existing;
  if (!read_old_list(request, table_id, lock, existing, report)) return report;

  const TableLayout layout = layout_of(table, records);
  const SummaryWords words{layout.encoding};
  GroupAreas areas = areas_of_table(records, layout);
  std::set<std::string> chosen;
  if (!choose_groups(request, areas, words, report, chosen)) return report;
  const std::size_t room = kMaxRepeaterEntries - std::min(existing.entries, kMaxRepeaterEntries);
  const Selection selection = select_rows(request, records, layout.first_row, layout.columns,
                                          layout.encoding, areas, chosen, existing, room);

  report.lines = selection.rows.size();
  report.room = room;
  report.groups = groups_of(selection.rows, areas, words);
  // Until the list is saved, the summary says nothing was written.
  const std::string unchanged = existing.existed
                                    ? request.list_file + " left as it was\n"
                                    : "nothing was written to " + request.list_file + "\n";
  report.summary = unchanged + details_of(request, existing, selection, false, layout.columns,
                                          areas, words, read_as);
  if (selection.rows.size() > room) {
    report.error = too_many_rows(request, existing, selection.rows, areas, words);
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
  report.summary =
      request.list_file + ": " + count_of(selection.rows.size(), "repeater line") +
      " written from " + request.csv_file + "\n" +
      details_of(request, existing, selection, true, layout.columns, areas, words, read_as);
  report.ok = true;
  return report;
}
