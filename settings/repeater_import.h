#pragma once
// Turns one row of a published D-STAR repeater table into a repeater list
// line: area,name,frequency kHz,shift kHz,repeater callsign,gateway.

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Names stay in the file's own encoding; cuts keep whole characters.
enum class TextEncoding { utf8, shift_jis };
TextEncoding encoding_of(std::string_view bytes);
std::string_view cut_whole_characters(std::string_view text, std::size_t max_bytes,
                                      TextEncoding encoding);

// "430.437500" MHz gives "430437.5" kHz, worked on the digits; none for
// text that is not a positive decimal number.
std::optional<std::string> khz_from_mhz(std::string_view mhz);
// DUP- / DUP+ with the offset in MHz give "-600" / "+5000"; OFF and a zero
// offset give "0".
std::optional<std::string> shift_from_dup(std::string_view dup, std::string_view offset_mhz);
// Exactly 8 characters with the module letter last: "W1ABC C" gives
// "W1ABC  C". None unless 1-8 characters of A-Z, 0-9, space or "/", or
// with a "//", which would start a comment.
std::optional<std::string> callsign_of_8(std::string_view text);
// Commas, tabs and line breaks become one space, however many there are
// with the spaces beside them, and "//" becomes "/ ", so a name can neither
// split a line nor start a comment.
std::string list_safe(std::string_view text);
// Each group of a table gets its own call area of at most 7 bytes, cut
// between whole characters and never ending in a space or "-": the group
// itself when it fits ("Lazio"), else its first 7 bytes ("DV Lazi") unless
// another group of the table has the same cut; groups whose cuts collide
// get their first word shortened and the initials of the others, words
// parted by spaces or hyphens ("UnitedK" for United Kingdom, "EuropeW" for
// Europe-Western). Only when words cannot tell them apart, a digit while
// another group holds that area ("Austra2"). "Simplex", "KH2" and
// JP0..JP9 are never given to a group.
struct GroupAreas {
  std::vector<std::pair<std::string, std::string>> by_group;  // group, area; table order
  std::map<std::string, std::string, std::less<>> area_by_group;
  std::set<std::string, std::less<>> taken;
  std::map<std::string, int, std::less<>> next_digit;  // per shortened name
};
// The group as the list and the summary name it: one line, no outer spaces.
std::string group_name_of(std::string_view group);
GroupAreas areas_of_groups(const std::vector<std::string>& groups, TextEncoding encoding);
std::string short_area(std::string_view group, TextEncoding encoding);
// The group's area; a group the table did not name gets one now.
std::string area_of_group(std::string_view group, TextEncoding encoding, GroupAreas& areas);

// "JP" and the digit for a Japanese station, "KH2" for Guam, otherwise the
// group's area or, without a group, the prefix through the first digit
// ("IR0", "W1").
std::string call_area_of(std::string_view callsign8, std::string_view group, TextEncoding encoding,
                         GroupAreas& areas);

// Where the fields are; -1 for a column the table lacks.
struct RepeaterColumns {
  int group_name = 1, name = 2, sub_name = 3, callsign = 4, gateway = 5, frequency = 6, dup = 7,
      offset = 8, mode = 9, latitude = 14, longitude = 15;
};
// The columns named by an English header, in any case and with spaces or
// none ("Gateway Callsign", "GW"); none when the header is not recognised
// (the Japanese editions), and the standard order applies.
std::optional<RepeaterColumns> columns_of_header(const std::vector<std::string>& header);

struct RowResult {
  enum Kind { line, other_mode, rejected } kind = rejected;
  std::string text;  // the line, the mode skipped, or why the row was refused
};
// A DV row without a repeater callsign and without shift is a simplex
// channel: "Simplex,name,frequency,0,DIRECT  ,None". Refused, with the
// reason: a frequency outside 1-1300 MHz, an offset over the largest a
// radio tunes (kLargestRepeaterOffsetHz), a
// repeater callsign without its module letter in place 8.
RowResult repeater_line_of_row(const std::vector<std::string>& fields,
                               const RepeaterColumns& columns, TextEncoding encoding,
                               GroupAreas& areas);

// Where the operator is, or a repeater stands, in degrees north and east.
struct GeoPoint {
  double latitude = 0;
  double longitude = 0;
};
// A plain decimal number ("51.5074", "-0.1278", "30"), or none.
std::optional<double> plain_decimal(std::string_view text);
// A Maidenhead locator of 4 or 6 characters ("IO91", "IO91wm") gives the
// centre of its square, "51.5074,-0.1278" that point; none for other text.
std::optional<GeoPoint> place_of(std::string_view text);
// A table's Latitude and Longitude; none when blank, not a number, out of
// range, or both 0, which is how the radios' exports write "no position".
std::optional<GeoPoint> coordinates_of(std::string_view latitude, std::string_view longitude);
// Whether a row gives a position at all: not blank, not 0,0. One that does
// but has no coordinates_of is a position the table got wrong.
bool states_a_position(std::string_view latitude, std::string_view longitude);
// A gateway that is not the repeater's own callsign with module G, as
// "F1ZCD G" for F2ZCD B: written as the table says, worth a look.
bool gateway_worth_checking(std::string_view callsign8, std::string_view gateway8);
// Along the earth's surface, in km.
double distance_km(GeoPoint a, GeoPoint b);
