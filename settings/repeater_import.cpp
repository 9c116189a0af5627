#include "settings/repeater_import.h"

#include <algorithm>
#include <initializer_list>

#include "settings/repeater_lists.h"

namespace {

constexpr std::size_t kAreaLength = kCallAreaLength;
// The radios tune 1 MHz to 1300 MHz; their offset command goes to 100 MHz.
constexpr unsigned long kLowestKhz = 1000;
constexpr unsigned long kHighestKhz = 1300000;
constexpr unsigned long kLargestOffsetKhz = 100000;
// The route's RPT1 for a simplex channel.
constexpr const char* kSimplexCall = "DIRECT  ";

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

bool is_reserved_area(std::string_view area) {
  return area == "Simplex" || area == "KH2" ||
         (area.size() == 3 && area.starts_with("JP") && is_digit(area[2]));
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
  // The sign is written even for a zero offset: the table says which way.
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
  std::string initials;
  const std::size_t first_end = std::min(name.find(' '), name.size());
  for (std::size_t space = first_end; space < name.size(); space = name.find(' ', space + 1)) {
    const std::string_view word = name.substr(space + 1);
    initials.append(word.substr(0, first_character_size(word, encoding)));
  }
  initials = std::string(cut_whole_characters(initials, kAreaLength - 1, encoding));
  const std::string_view first =
      cut_whole_characters(name.substr(0, first_end), kAreaLength - initials.size(), encoding);
  return std::string(first) + initials;
}

std::string area_of_group(std::string_view group, TextEncoding encoding, GroupAreas& areas) {
  const std::string cleaned = list_safe(group);
  const std::string name(trimmed(cleaned));
  for (const auto& [known, area] : areas.by_group) {
    if (known == name) return area;
  }
  auto taken = [&](std::string_view area) {
    if (is_reserved_area(area)) return true;
    for (const auto& entry : areas.by_group) {
      if (entry.second == area) return true;
    }
    return false;
  };
  const std::string base = short_area(name, encoding);
  std::string area = base;
  for (int n = 2; taken(area); ++n) {
    const std::string digits = std::to_string(n);
    area = std::string(trimmed(cut_whole_characters(base, kAreaLength - digits.size(), encoding))) +
           digits;
  }
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
  if (!trimmed(list_safe(group)).empty()) return area_of_group(group, encoding, areas);
  if (digit == std::string_view::npos) return std::string(call.substr(0, kAreaLength));
  return std::string(call.substr(0, std::min(digit + 1, kAreaLength)));
}

std::optional<RepeaterColumns> columns_of_header(const std::vector<std::string>& header) {
  auto column = [&](std::string_view name) {
    for (std::size_t i = 0; i < header.size(); ++i) {
      if (upper(trimmed(header[i])) == upper(name)) return static_cast<int>(i);
    }
    return -1;
  };
  RepeaterColumns c;
  c.group_name = column("Group Name");
  c.name = column("Name");
  c.sub_name = column("Sub Name");
  c.callsign = column("Repeater Call Sign");
  c.gateway = column("Gateway Call Sign");
  c.frequency = column("Frequency");
  c.dup = column("Dup");
  c.offset = column("Offset");
  c.mode = column("Mode");
  for (int needed : {c.callsign, c.frequency, c.dup, c.offset}) {
    if (needed < 0) return std::nullopt;
  }
  return c;
}

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

  const std::string_view mhz = field_at(fields, columns.frequency);
  const std::optional<std::string> khz = khz_from_mhz(mhz);
  // The console keeps at most 11 characters of a frequency.
  if (!khz || khz->size() > 11)
    return refuse("frequency " + quoted(mhz) + " is not a frequency in MHz");
  if (!khz_within(*khz, kLowestKhz, kHighestKhz))
    return refuse("frequency " + quoted(mhz) + " MHz is not between 1 and 1300 MHz");
  const std::string_view dup = field_at(fields, columns.dup);
  const std::string_view offset = field_at(fields, columns.offset);
  const std::optional<std::string> shift = shift_from_dup(dup, offset);
  if (!shift) {
    return refuse("shift " + quoted(dup) + " with offset " + quoted(offset) +
                  " is not DUP-, DUP+ or OFF with MHz");
  }
  if (!khz_within(*shift, 0, kLargestOffsetKhz))
    return refuse("offset " + quoted(offset) + " MHz is more than 100 MHz");
  // The console keeps at most 7 characters of a shift.
  if (shift->size() > 7)
    return refuse("offset " + quoted(offset) + " MHz is finer than the 7 characters kept in kHz");

  const std::string_view call_text = field_at(fields, columns.callsign);
  const bool simplex = trimmed(call_text).empty();
  if (simplex && *shift != "0")
    return refuse("no repeater callsign, but Dup " + quoted(dup) + " asks for a repeater shift");
  const std::optional<std::string> call = simplex ? kSimplexCall : callsign_of_8(call_text);
  if (!call)
    return refuse("repeater callsign " + quoted(call_text) +
                  " is not 1-8 characters of A-Z, 0-9, space or /");
  if (!simplex && call->back() == ' ')
    return refuse("repeater callsign " + quoted(call_text) +
                  " has no module letter in place 8 (as in \"QR3KTA B\")");
  const std::string_view gateway_text = trimmed(field_at(fields, columns.gateway));
  const bool no_gateway = simplex || gateway_text.empty() || upper(gateway_text) == "NONE";
  const std::optional<std::string> gateway =
      no_gateway ? std::optional<std::string>("None") : callsign_of_8(gateway_text);
  if (!gateway)
    return refuse("gateway callsign " + quoted(gateway_text) +
                  " is not 1-8 characters of A-Z, 0-9, space or /");

  const std::string_view name = trimmed(field_at(fields, columns.name));
  const std::string_view sub_name = trimmed(field_at(fields, columns.sub_name));
  std::string full_name =
      list_safe(name.empty() || sub_name.empty() ? std::string(name) + std::string(sub_name)
                                                 : std::string(name) + " " + std::string(sub_name));
  // An empty field would vanish and move the frequency into the name's place.
  if (trimmed(full_name).empty())
    full_name = simplex ? "DV simplex " + std::string(trimmed(mhz)) : std::string(trimmed(*call));

  const std::string area =
      simplex ? "Simplex"
              : call_area_of(*call, field_at(fields, columns.group_name), encoding, areas);
  const std::string after_name = "," + *khz + "," + *shift + "," + *call + "," + *gateway;
  const std::size_t room = kMaxMyRepeaterLine - area.size() - 1 - after_name.size();
  return RowResult{
      RowResult::line,
      area + "," + std::string(cut_whole_characters(full_name, room, encoding)) + after_name};
}
