#include "settings/repeater_import.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

#include "settings/operator_words.h"
#include "settings/repeater_lists.h"

namespace {

constexpr std::size_t kAreaLength = kCallAreaLength;
// The radios tune 1 MHz to 1300 MHz.
constexpr unsigned long kLowestKhz = 1000;
constexpr unsigned long kHighestKhz = 1300000;

std::string_view trimmed(std::string_view s) {
  const std::size_t first = s.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_upper(char c) { return c >= 'A' && c <= 'Z'; }
bool between(char c, char low, char high) { return c >= low && c <= high; }

std::string upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

bool is_sjis_lead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

std::string_view field_at(const std::vector<std::string>& fields, int column) {
  if (column < 0 || static_cast<std::size_t>(column) >= fields.size()) return {};
  return fields[static_cast<std::size_t>(column)];
}

// Japanese stations: JA-JS, 7J-7N and 8J-8N.
bool is_japanese(std::string_view call) {
  if (call.size() < 3) return false;
  return (call[0] == 'J' && between(call[1], 'A', 'S')) ||
         ((call[0] == '7' || call[0] == '8') && between(call[1], 'J', 'N'));
}

std::string quoted(std::string_view s) {
  std::string out(1, '"');
  out.append(s);
  out.push_back('"');
  return out;
}

// MHz text to kHz text on the digits alone, so no binary fraction creeps in:
// "430.437500" gives "430437.5", "0.6" gives "600", "0" gives "0".
std::optional<std::string> khz_or_zero(std::string_view mhz) {
  mhz = trimmed(mhz);
  const std::size_t point = mhz.find('.');
  std::string whole(mhz.substr(0, point));
  std::string fraction(point == std::string_view::npos ? "" : mhz.substr(point + 1));
  if (whole.empty() && fraction.empty()) return std::nullopt;
  for (char c : whole + fraction) {
    if (!is_digit(c)) return std::nullopt;
  }
  fraction.resize(std::max<std::size_t>(fraction.size(), 3), '0');
  std::string khz = whole + fraction.substr(0, 3);
  std::string rest = fraction.substr(3);
  khz.erase(0, std::min(khz.find_first_not_of('0'), khz.size()));
  rest.erase(rest.find_last_not_of('0') + 1);
  if (khz.empty()) khz.push_back('0');
  if (!rest.empty()) khz.append(".").append(rest);
  return khz;
}

// Whether kHz text ("430437.5", "-600") lies within [low, high] kHz,
// whatever its sign.
bool khz_within(std::string_view khz, unsigned long low, unsigned long high) {
  if (!khz.empty() && (khz[0] == '-' || khz[0] == '+')) khz.remove_prefix(1);
  const std::size_t point = std::min(khz.find('.'), khz.size());
  if (point > 7) return false;
  const unsigned long whole = std::stoul(std::string(khz.substr(0, point)));
  return whole >= low && (whole < high || (whole == high && point == khz.size()));
}

// Whether a shift in kHz ("-600", "+5000.5") is within the largest offset.
bool offset_fits(std::string_view khz) {
  if (!khz.empty() && (khz[0] == '-' || khz[0] == '+')) khz.remove_prefix(1);
  const std::size_t point = std::min(khz.find('.'), khz.size());
  if (point > 9) return false;
  std::string fraction(khz.substr(std::min(point + 1, khz.size())));
  fraction.resize(std::max<std::size_t>(fraction.size(), 3), '0');
  const long long hz =
      std::stoll(std::string(khz.substr(0, point))) * 1000 + std::stoll(fraction.substr(0, 3));
  const bool finer = fraction.find_first_not_of('0', 3) != std::string::npos;
  return hz < kLargestRepeaterOffsetHz || (hz == kLargestRepeaterOffsetHz && !finer);
}

// "99,999.99 kHz"
std::string largest_offset_text() {
  const std::string digits = std::to_string(kLargestRepeaterOffsetHz / 1000);
  std::string whole;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) whole.push_back(',');
    whole.push_back(digits[i]);
  }
  std::string fraction;
  for (long long rest = kLargestRepeaterOffsetHz % 1000, place = 100; rest > 0;
       rest %= place, place /= 10)
    fraction.push_back(static_cast<char>('0' + rest / place));
  return whole + (fraction.empty() ? "" : "." + fraction) + " kHz";
}

std::size_t first_character_size(std::string_view text, TextEncoding encoding) {
  if (text.empty()) return 0;
  const auto c = static_cast<unsigned char>(text[0]);
  std::size_t size = 1;
  if (encoding == TextEncoding::shift_jis) {
    size = is_sjis_lead(c) ? 2 : 1;
  } else if (c >= 0xC0) {
    while (size < text.size() && (static_cast<unsigned char>(text[size]) >> 6) == 0x2) ++size;
  }
  return std::min(size, text.size());
}

// An area ending in a space or "-" reads as cut short.
std::string readable(std::string area) {
  while (!area.empty() && (area.back() == ' ' || area.back() == '-')) area.pop_back();
  return area;
}

std::string readable_cut(std::string_view name, TextEncoding encoding) {
  return readable(std::string(cut_whole_characters(name, kAreaLength, encoding)));
}

// Records `base` as the group's area, with a digit while it is taken.
std::string give_area(const std::string& name, const std::string& base, TextEncoding encoding,
                      GroupAreas& areas) {
  std::string area = base;
  if (!area.empty() && (is_fixed_call_area(area) || areas.taken.count(area))) {
    int& n = areas.next_digit.try_emplace(base, 2).first->second;
    do {
      const std::string digits = std::to_string(n++);
      area =
          readable(std::string(cut_whole_characters(base, kAreaLength - digits.size(), encoding))) +
          digits;
    } while (is_fixed_call_area(area) || areas.taken.count(area));
  }
  areas.taken.insert(area);
  areas.area_by_group[name] = area;
  return area;
}

}  // namespace

TextEncoding encoding_of(std::string_view bytes) {
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    std::size_t more = c < 0x80           ? 0
                       : (c >> 5) == 0x6  ? 1
                       : (c >> 4) == 0xE  ? 2
                       : (c >> 3) == 0x1E ? 3
                                          : 9;
    if (more == 9 || i + more >= bytes.size()) return TextEncoding::shift_jis;
    for (std::size_t k = 1; k <= more; ++k) {
      if ((static_cast<unsigned char>(bytes[i + k]) >> 6) != 0x2) return TextEncoding::shift_jis;
    }
    i += more + 1;
  }
  return TextEncoding::utf8;
}

std::string_view cut_whole_characters(std::string_view text, std::size_t max_bytes,
                                      TextEncoding encoding) {
  if (text.size() <= max_bytes) return text;
  std::size_t end = 0;
  if (encoding == TextEncoding::utf8) {
    end = max_bytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) >> 6) == 0x2) --end;
  } else {
    for (std::size_t i = 0; i < max_bytes;) {
      const std::size_t width = is_sjis_lead(static_cast<unsigned char>(text[i])) ? 2 : 1;
      if (i + width > max_bytes) break;
      i += width;
      end = i;
    }
  }
  return text.substr(0, end);
}

std::optional<std::string> khz_from_mhz(std::string_view mhz) {
  std::optional<std::string> khz = khz_or_zero(mhz);
  if (khz == "0") return std::nullopt;
  return khz;
}

std::optional<std::string> shift_from_dup(std::string_view dup, std::string_view offset_mhz) {
  const std::string direction = upper(trimmed(dup));
  if (direction.empty() || direction == "OFF") return std::string("0");
  const bool minus = direction == "DUP-" || direction == "-";
  const bool plus = direction == "DUP+" || direction == "+";
  if (!minus && !plus) return std::nullopt;
  std::optional<std::string> khz = khz_or_zero(offset_mhz);
  if (!khz) return std::nullopt;
  if (*khz == "0") return khz;
  return (minus ? "-" : "+") + *khz;
}

std::optional<std::string> callsign_of_8(std::string_view text) {
  text = trimmed(text);
  // "//" would start a comment in the list line.
  if (text.empty() || text.size() > 8 || text.find("//") != std::string_view::npos) {
    return std::nullopt;
  }
  for (char c : text) {
    if (!is_upper(c) && !is_digit(c) && c != ' ' && c != '/') return std::nullopt;
  }
  std::string call(text);
  const std::size_t space = text.rfind(' ');
  if (space != std::string_view::npos && space + 2 == text.size()) {
    // The module letter belongs in the 8th place.
    call = std::string(trimmed(text.substr(0, space)));
    call.resize(7, ' ');
    call += text.back();
  }
  call.resize(8, ' ');
  return call;
}

std::string list_safe(std::string_view text) {
  std::string out;
  bool after_separator = false;
  for (char c : text) {
    const bool separator = c == ',' || c == '\t' || c == '\r' || c == '\n';
    if (separator || (c == ' ' && after_separator)) {
      // "Saint John, NB": the comma and its space become one space.
      if (!out.empty() && out.back() == ' ' && (separator || after_separator)) {
        after_separator = true;
        continue;
      }
      c = ' ';
    }
    after_separator = separator || (after_separator && c == ' ');
    if (c == '/' && !out.empty() && out.back() == '/') c = ' ';
    out.push_back(c);
  }
  return out;
}

std::string short_area(std::string_view group, TextEncoding encoding) {
  const std::string cleaned = list_safe(group);
  const std::string_view name = trimmed(cleaned);
  if (name.size() <= kAreaLength) return std::string(name);
  // A hyphen parts words as a space does: "Europe-Western" gives "EuropeW".
  constexpr std::string_view kBetweenWords = " -";
  std::string initials;
  const std::size_t first_end = std::min(name.find_first_of(kBetweenWords), name.size());
  for (std::size_t space = first_end; space < name.size();
       space = name.find_first_of(kBetweenWords, space + 1)) {
    const std::string_view word = name.substr(space + 1);
    if (!word.empty() && kBetweenWords.find(word[0]) == std::string_view::npos)
      initials.append(word.substr(0, first_character_size(word, encoding)));
  }
  initials = std::string(cut_whole_characters(initials, kAreaLength - 1, encoding));
  const std::string_view first =
      cut_whole_characters(name.substr(0, first_end), kAreaLength - initials.size(), encoding);
  return readable(std::string(first) + initials);
}

std::string group_name_of(std::string_view group) { return std::string(trimmed(list_safe(group))); }

GroupAreas areas_of_groups(const std::vector<std::string>& groups, TextEncoding encoding) {
  GroupAreas areas;
  std::vector<std::string> names;
  std::set<std::string, std::less<>> seen;
  std::map<std::string, int, std::less<>> groups_with_cut;
  for (const std::string& group : groups) {
    std::string name = group_name_of(group);
    if (name.empty() || !seen.insert(name).second) continue;
    ++groups_with_cut[readable_cut(name, encoding)];
    names.push_back(std::move(name));
  }
  // A name that fits is its own area, before any longer name is shortened.
  for (const bool fits : {true, false}) {
    for (const std::string& name : names) {
      if ((name.size() <= kAreaLength) != fits) continue;
      const std::string cut = readable_cut(name, encoding);
      give_area(name, fits || groups_with_cut[cut] == 1 ? cut : short_area(name, encoding),
                encoding, areas);
    }
  }
  for (const std::string& name : names)
    areas.by_group.emplace_back(name, areas.area_by_group[name]);
  return areas;
}

std::string area_of_group(std::string_view group, TextEncoding encoding, GroupAreas& areas) {
  const std::string name = group_name_of(group);
  if (const auto known = areas.area_by_group.find(name); known != areas.area_by_group.end())
    return known->second;
  const std::string area = give_area(name, readable_cut(name, encoding), encoding, areas);
  areas.by_group.emplace_back(name, area);
  return area;
}

std::string call_area_of(std::string_view callsign8, std::string_view group, TextEncoding encoding,
                         GroupAreas& areas) {
  const std::string_view call = trimmed(callsign8);
  const std::size_t digit = call.find_first_of("0123456789", 1);
  if (is_japanese(call) && digit != std::string_view::npos && digit >= 2) {
    return "JP" + std::string(1, call[digit]);
  }
  if (call.starts_with("KH2")) return "KH2";
  if (!group_name_of(group).empty()) {
    std::string area = area_of_group(group, encoding, areas);
    if (!area.empty()) return area;
  }
  if (digit == std::string_view::npos) return std::string(call.substr(0, kAreaLength));
  return std::string(call.substr(0, std::min(digit + 1, kAreaLength)));
}

std::optional<RepeaterColumns> columns_of_header(const std::vector<std::string>& header) {
  // Tables spell their columns in any case and with or without spaces.
  auto key = [](std::string_view name) {
    std::string out;
    for (const char c : upper(name))
      if (c != ' ') out.push_back(c);
    return out;
  };
  auto column = [&](std::initializer_list<std::string_view> names) {
    for (const std::string_view name : names) {
      for (std::size_t i = 0; i < header.size(); ++i) {
        if (key(header[i]) == key(name)) return static_cast<int>(i);
      }
    }
    return -1;
  };
  RepeaterColumns c;
  c.group_name = column({"Group Name", "Group"});
  c.name = column({"Name"});
  c.sub_name = column({"Sub Name"});
  c.callsign = column({"Repeater Call Sign", "Call Sign"});
  c.gateway = column({"Gateway Call Sign", "Gateway", "GW"});
  c.frequency = column({"Frequency", "Freq"});
  c.dup = column({"Dup", "Duplex"});
  c.offset = column({"Offset"});
  c.mode = column({"Mode"});
  c.latitude = column({"Latitude", "Lat"});
  c.longitude = column({"Longitude", "Lon", "Long"});
  for (int needed : {c.callsign, c.frequency, c.dup, c.offset}) {
    if (needed < 0) return std::nullopt;
  }
  return c;
}

namespace {

// A DV row's fields as the console keeps them, checked one step at a time.
struct CheckedRow {
  std::string khz;
  std::string shift;
  bool simplex = false;
  std::string call;
  std::string gateway;
};

// Frequency and shift in kHz; empty, or why the row is refused.
std::string check_tuning(const std::vector<std::string>& fields, const RepeaterColumns& columns,
                         CheckedRow& row) {
  const std::string_view mhz = field_at(fields, columns.frequency);
  const std::optional<std::string> khz = khz_from_mhz(mhz);
  // The console keeps at most 11 characters of a frequency.
  if (!khz || khz->size() > 11) return "frequency " + quoted(mhz) + " is not a frequency in MHz";
  if (!khz_within(*khz, kLowestKhz, kHighestKhz))
    return "frequency " + quoted(mhz) + " MHz is not between 1 and 1300 MHz";
  const std::string_view dup = field_at(fields, columns.dup);
  const std::string_view offset = field_at(fields, columns.offset);
  const std::optional<std::string> shift = shift_from_dup(dup, offset);
  if (!shift) {
    return "shift " + quoted(dup) + " with offset " + quoted(offset) +
           " is not DUP-, DUP+ or OFF with MHz";
  }
  if (!offset_fits(*shift))
    return "offset " + quoted(offset) + " MHz is more than the " + largest_offset_text() +
           " a radio's offset command carries";
  // The console keeps at most 7 characters of a shift.
  if (shift->size() > 7)
    return "offset " + quoted(offset) + " MHz is finer than the 7 characters kept in kHz";
  row.khz = *khz;
  row.shift = *shift;
  return {};
}

// The repeater's callsign and its gateway's, after the tuning; empty, or why
// the row is refused.
std::string check_callsigns(const std::vector<std::string>& fields, const RepeaterColumns& columns,
                            CheckedRow& row) {
  const std::string_view call_text = field_at(fields, columns.callsign);
  row.simplex = trimmed(call_text).empty();
  if (row.simplex && row.shift != "0") {
    return "no repeater callsign, but Dup " + quoted(field_at(fields, columns.dup)) +
           " asks for a repeater shift";
  }
  const std::optional<std::string> call =
      row.simplex ? std::optional<std::string>(kSimplexChannel) : callsign_of_8(call_text);
  if (!call)
    return "repeater callsign " + quoted(call_text) +
           " is not 1-8 characters of A-Z, 0-9, space or /";
  if (!row.simplex && call->back() == ' ')
    return "repeater callsign " + quoted(call_text) +
           " has no module letter in place 8 (as in \"QR3KTA B\")";
  const std::string_view gateway_text = trimmed(field_at(fields, columns.gateway));
  const bool no_gateway = row.simplex || gateway_text.empty() || upper(gateway_text) == "NONE";
  const std::optional<std::string> gateway =
      no_gateway ? std::optional<std::string>(kNoGateway) : callsign_of_8(gateway_text);
  if (!gateway)
    return "gateway callsign " + quoted(gateway_text) +
           " is not 1-8 characters of A-Z, 0-9, space or /";
  row.call = *call;
  row.gateway = *gateway;
  return {};
}

// The name the lists show: name and sub-name, or for a row with neither the
// simplex frequency or the callsign.
std::string name_of_row(const std::vector<std::string>& fields, const RepeaterColumns& columns,
                        const CheckedRow& row) {
  const std::string_view name = trimmed(field_at(fields, columns.name));
  const std::string_view sub_name = trimmed(field_at(fields, columns.sub_name));
  std::string full_name =
      list_safe(name.empty() || sub_name.empty() ? std::string(name) + std::string(sub_name)
                                                 : std::string(name) + " " + std::string(sub_name));
  // An empty field would vanish and move the frequency into the name's place.
  if (trimmed(full_name).empty()) {
    full_name = row.simplex
                    ? "DV simplex " + std::string(trimmed(field_at(fields, columns.frequency)))
                    : std::string(trimmed(row.call));
  }
  return full_name;
}

}  // namespace

RowResult repeater_line_of_row(const std::vector<std::string>& fields,
                               const RepeaterColumns& columns, TextEncoding encoding,
                               GroupAreas& areas) {
  auto refuse = [](std::string why) { return RowResult{RowResult::rejected, std::move(why)}; };
  const int last =
      std::max({columns.callsign, columns.frequency, columns.dup, columns.offset, columns.mode});
  if (fields.size() <= static_cast<std::size_t>(last)) {
    return refuse("only " + std::to_string(fields.size()) + " columns");
  }
  if (columns.mode >= 0) {
    const std::string mode = upper(trimmed(field_at(fields, columns.mode)));
    if (mode != "DV") return RowResult{RowResult::other_mode, mode.empty() ? "(blank)" : mode};
  }

  CheckedRow row;
  if (std::string why = check_tuning(fields, columns, row); !why.empty()) return refuse(why);
  if (std::string why = check_callsigns(fields, columns, row); !why.empty()) return refuse(why);
  const std::string full_name = name_of_row(fields, columns, row);
  const std::string area =
      row.simplex ? std::string(kSimplexArea)
                  : call_area_of(row.call, field_at(fields, columns.group_name), encoding, areas);
  const std::string after_name =
      "," + row.khz + "," + row.shift + "," + row.call + "," + row.gateway;
  const std::size_t room = kMaxMyRepeaterLine - area.size() - 1 - after_name.size();
  return RowResult{
      RowResult::line,
      area + "," + std::string(cut_whole_characters(full_name, room, encoding)) + after_name};
}

std::optional<double> plain_decimal(std::string_view text) {
  text = trimmed(text);
  const bool minus = text.starts_with('-');
  if (minus || text.starts_with('+')) text.remove_prefix(1);
  double value = 0, scale = 1;
  bool point = false, digits = false;
  for (const char c : text) {
    if (c == '.' && !point) {
      point = true;
    } else if (is_digit(c)) {
      digits = true;
      if (point) scale /= 10;
      value = value * 10 + (c - '0');
    } else {
      return std::nullopt;
    }
  }
  if (!digits) return std::nullopt;
  return (minus ? -1 : 1) * value * scale;
}

std::optional<GeoPoint> place_of(std::string_view text) {
  text = trimmed(text);
  const std::string loc = upper(text);
  auto in = [](char c, char low, char high) { return c >= low && c <= high; };
  if ((loc.size() == 4 || loc.size() == 6) && in(loc[0], 'A', 'R') && in(loc[1], 'A', 'R') &&
      is_digit(loc[2]) && is_digit(loc[3]) &&
      (loc.size() == 4 || (in(loc[4], 'A', 'X') && in(loc[5], 'A', 'X')))) {
    // Fields of 20 x 10 degrees, squares of 2 x 1, subsquares of 5' x 2.5'.
    GeoPoint p{-90.0 + 10 * (loc[1] - 'A') + (loc[3] - '0'),
               -180.0 + 20 * (loc[0] - 'A') + 2 * (loc[2] - '0')};
    if (loc.size() == 4) return GeoPoint{p.latitude + 0.5, p.longitude + 1.0};
    return GeoPoint{p.latitude + (loc[5] - 'A' + 0.5) / 24.0,
                    p.longitude + (loc[4] - 'A' + 0.5) / 12.0};
  }
  const std::size_t comma = text.find(',');
  if (comma == std::string_view::npos) return std::nullopt;
  const std::optional<double> lat = plain_decimal(text.substr(0, comma));
  const std::optional<double> lon = plain_decimal(text.substr(comma + 1));
  if (!lat || !lon || *lat < -90 || *lat > 90 || *lon < -180 || *lon > 180) return std::nullopt;
  return GeoPoint{*lat, *lon};
}

bool states_a_position(std::string_view latitude, std::string_view longitude) {
  const auto zero_or_blank = [](std::string_view text) {
    return trimmed(text).empty() || plain_decimal(text) == 0.0;
  };
  return !zero_or_blank(latitude) || !zero_or_blank(longitude);
}

bool gateway_worth_checking(std::string_view callsign8, std::string_view gateway8) {
  if (names_no_gateway(gateway8) || callsign8.size() != 8 || gateway8.size() != 8) return false;
  return gateway8[7] != 'G' || trimmed(callsign8.substr(0, 7)) != trimmed(gateway8.substr(0, 7));
}

std::optional<GeoPoint> coordinates_of(std::string_view latitude, std::string_view longitude) {
  const std::optional<GeoPoint> p =
      place_of(std::string(trimmed(latitude)) + "," + std::string(trimmed(longitude)));
  if (!p || (p->latitude == 0 && p->longitude == 0)) return std::nullopt;
  return p;
}

double distance_km(GeoPoint a, GeoPoint b) {
  constexpr double kEarthRadiusKm = 6371.0;
  constexpr double kRadian = 3.14159265358979323846 / 180;
  const double dlat = (b.latitude - a.latitude) * kRadian;
  const double dlon = (b.longitude - a.longitude) * kRadian;
  const double h = std::sin(dlat / 2) * std::sin(dlat / 2) +
                   std::cos(a.latitude * kRadian) * std::cos(b.latitude * kRadian) *
                       std::sin(dlon / 2) * std::sin(dlon / 2);
  return 2 * kEarthRadiusKm * std::asin(std::min(1.0, std::sqrt(h)));
}
