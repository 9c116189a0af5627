// How one row of a published D-STAR repeater table becomes a repeater line.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "settings/repeater_csv.h"
#include "settings/repeater_import.h"
#include "settings/text_conversion.h"

namespace {

using Maybe = std::optional<std::string>;
const Maybe kRefused = std::nullopt;

struct TextCase {
  std::string in;
  Maybe out;
};

// The tables read best a few cases to a line.
// clang-format off
TEST(ImportRules, frequencies_move_the_point_on_the_digits_without_float_noise) {
  for (const TextCase& c : std::vector<TextCase>{
           {"430.437500", "430437.5"}, {"145.2900", "145290"}, {"1297.450000", "1297450"},
           {" 439.31 ", "439310"}, {"145.0000001", "145000.0001"}, {"0.0", kRefused},
           {"", kRefused}, {"145,29", kRefused}, {"-145.2", kRefused}, {"1.2.3", kRefused}}) {
    EXPECT_EQ(khz_from_mhz(c.in), c.out) << c.in;
  }
}

TEST(ImportRules, shift_is_signed_whenever_the_table_says_plus_or_minus) {
  struct Case { std::string dup, offset; Maybe out; };
  for (const Case& c : std::vector<Case>{
           {"DUP-", "0.6", "-600"}, {"DUP+", "5.0", "+5000"}, {"OFF", "0.6", "0"},
           {"DUP-", "20.000000", "-20000"}, {"DUP+", "0", "0"}, {"DUP-", "0.000", "0"}, {"DUP-", "", kRefused},
           {"SPLIT", "5.0", kRefused}}) {
    EXPECT_EQ(shift_from_dup(c.dup, c.offset), c.out) << c.dup << " " << c.offset;
  }
}

TEST(ImportRules, callsigns_are_eight_characters_with_the_module_letter_last) {
  for (const TextCase& c : std::vector<TextCase>{
           {"IR0MA  B", "IR0MA  B"}, {"W1ABC C", "W1ABC  C"}, {"QR3KTA", "QR3KTA  "},
           {"QR3KTA/P", "QR3KTA/P"}, {"xxxxxxxB", kRefused}, {"QR3KTAB12", kRefused},
           {"QR3-KT A", kRefused}, {"QR//KT A", kRefused}, {"  ", kRefused}}) {
    EXPECT_EQ(callsign_of_8(c.in), c.out) << c.in;
  }
}

TEST(ImportRules, each_group_gets_an_area_that_reads_as_its_name) {
  struct Case { std::string call, group, area; };
  const std::vector<Case> table = {
      {"JA1ZZZ A", "Kanto", "JP1"}, {"JS6ZZZ B", "", "JP6"}, {"7M4ZZZ A", "", "JP4"},
      {"8N0ZZZ A", "", "JP0"}, {"JD1ZZZ A", "Ogasawara", "JP1"}, {"KH2ZZ  B", "Guam", "KH2"},
      {"JT1ZZZ A", "Mongolia", "Mongoli"}, {"QR9SJN C", "New Brunswick", "New Bru"},
      {"IR0MA  B", "", "IR0"}, {"W1ABC  C", " ", "W1"},
      {"QR0LZ  B", "DV Lazio", "DV Lazi"}, {"QR1LG  B", "DV Liguria", "DV Ligu"},
      {"QR2LB  B", "DV Lombardia", "DV Lomb"}, {"QR8CP  B", "DV Campania", "DV Camp"},
      {"QR1AA  B", "United Kingdom", "UnitedK"}, {"QR2AA  B", "United States", "UnitedS"},
      {"QR1BB  B", "United Kingdom", "UnitedK"}, {"QR3AA  B", "Australia", "Austral"},
      {"QR4AA  B", "Australasia", "Austra2"}, {"QR5AA  B", "Simplex", "Simple2"},
      {"QR6AA  B", "Niederösterreich", "Nieder"}, {"QR7AA  B", "Europe-West", "Europe"},
      {"QR7BB  B", "USA-", "USA"}, {"QR7CC  B", "- -", "QR7"}};
  std::vector<std::string> groups;
  for (const Case& c : table) groups.push_back(c.group);
  GroupAreas areas = areas_of_groups(groups, TextEncoding::utf8);
  for (const Case& c : table) {
    EXPECT_EQ(call_area_of(c.call, c.group, TextEncoding::utf8, areas), c.area) << c.call << " " << c.group;
  }
  // 関東地方 in Shift-JIS: seven bytes would split 方.
  GroupAreas sjis = areas_of_groups({"\x8A\xD6\x93\x8C\x92\x6E\x95\xFB"}, TextEncoding::shift_jis);
  EXPECT_EQ(call_area_of("QR0ABC B", "\x8A\xD6\x93\x8C\x92\x6E\x95\xFB", TextEncoding::shift_jis, sjis),
            "\x8A\xD6\x93\x8C\x92\x6E");
  // A hyphen parts words: the maker's list for Europe.
  GroupAreas europe = areas_of_groups({"Europe-Norther", "Europe-Western"}, TextEncoding::utf8);
  EXPECT_EQ(call_area_of("QR1AA  B", "Europe-Norther", TextEncoding::utf8, europe), "EuropeN");
  EXPECT_EQ(call_area_of("QR2AA  B", "Europe-Western", TextEncoding::utf8, europe), "EuropeW");
}

TEST(ImportRules, columns_are_found_in_any_case_with_or_without_spaces_and_by_their_other_names) {
  struct Case { std::vector<std::string> header; int gateway; };
  const std::vector<std::string> rest = {"Repeater Call Sign", "Frequency", "Dup", "Offset"};
  for (const Case& c : std::vector<Case>{
           {{"Gateway Call Sign"}, 4}, {{"gateway callsign"}, 4}, {{" Gateway "}, 4}, {{"GW"}, 4},
           {{"Gate"}, -1}}) {
    std::vector<std::string> header = rest;
    header.insert(header.end(), c.header.begin(), c.header.end());
    EXPECT_EQ(columns_of_header(header)->gateway, c.gateway) << c.header[0];
  }
  EXPECT_EQ(columns_of_header({"REPEATER CALLSIGN", "frequency", "DUP", "offset"})->callsign, 0);
}

TEST(ImportRules, names_match_in_any_case_of_any_script_and_legacy_code_pages_read_as_utf8) {
  for (const auto& [a, b] : std::vector<std::pair<std::string, std::string>>{
           {"\xC3\xADsland", "\xC3\x8DSLAND"}, {"ESPA\xC3\x91\x41", "espa\xC3\xB1\x61"},
           {"\xD0\xB1\xD1\x8A\xD0\xBB\xD0\xB3\xD0\xB0\xD1\x80\xD0\xB8\xD1\x8F", "\xD0\x91\xD0\xAA\xD0\x9B\xD0\x93\xD0\x90\xD0\xA0\xD0\x98\xD0\xAF"}}) {
    EXPECT_EQ(folded_case(a), folded_case(b)) << a;
  }
  std::string utf8;
  ASSERT_EQ(utf8_from("\x8Cwinouj\x9C\x63ie", "CP1250", utf8), Conversion::done);
  EXPECT_EQ(utf8, "\xC5\x9Awinouj\xC5\x9B\x63ie");  // Świnoujście
  EXPECT_EQ(utf8_from("\x81", "CP1250", utf8), Conversion::unreadable);
}

TEST(ImportRules, the_header_line_says_what_separates_the_fields) {
  struct Case { std::string csv; std::vector<std::string> second_row; };
  for (const Case& c : std::vector<Case>{
           {"Name,Frequency\nHill,430.1\n", {"Hill", "430.1"}},
           {"\xEF\xBB\xBFName;Frequency\r\n\"Hill; Top\";430,1\r\n", {"Hill; Top", "430,1"}},
           {"\n\nName\tFrequency\nHill, Top\t430.1\n", {"Hill, Top", "430.1"}},
           {"\"a;b\",c\nHill;Top,430.1\n", {"Hill;Top", "430.1"}},
           {"Name\nHill;Top\n", {"Hill;Top"}}}) {
    std::vector<CsvRecord> records;
    std::string error;
    ASSERT_TRUE(parse_csv(c.csv, records, error)) << error;
    ASSERT_EQ(records.size(), 2u) << c.csv;
    EXPECT_EQ(records[1].fields, c.second_row) << c.csv;
  }
}

TEST(ImportRules, a_place_is_a_locator_square_centre_or_latitude_and_longitude) {
  struct Case { std::string in; std::optional<GeoPoint> out; };
  const std::optional<GeoPoint> none;
  for (const Case& c : std::vector<Case>{
           {"IO91", GeoPoint{51.5, -1.0}}, {"io91wm", GeoPoint{51 + 12.5 / 24, -2.0 + 22.5 / 12}},
           {"JN61fv", GeoPoint{41 + 21.5 / 24, 12 + 5.5 / 12}}, {"FN31", GeoPoint{41.5, -73.0}},
           {"AA00aa", GeoPoint{-90 + 0.5 / 24, -180 + 0.5 / 12}}, {"51.5074,-0.1278", GeoPoint{51.5074, -0.1278}},
           {" -33.9, 151.2 ", GeoPoint{-33.9, 151.2}}, {"IO9", none}, {"IO91w", none}, {"SS00", none},
           {"IO91yy", none}, {"91.0,0", none}, {"0,180.5", none}, {"51.5", none}, {"north,east", none},
           {"1e3,5", none}, {"", none}}) {
    const std::optional<GeoPoint> got = place_of(c.in);
    ASSERT_EQ(got.has_value(), c.out.has_value()) << c.in;
    if (!got) continue;
    EXPECT_NEAR(got->latitude, c.out->latitude, 1e-9) << c.in;
    EXPECT_NEAR(got->longitude, c.out->longitude, 1e-9) << c.in;
  }
  // One degree of latitude is 111.2 km on a sphere of 6371 km.
  EXPECT_NEAR(distance_km({51, 0}, {52, 0}), 111.19, 0.01);
}

TEST(ImportRules, names_cannot_split_the_line_or_start_a_comment) {
  for (const TextCase& c : std::vector<TextCase>{
           {"Saint John, NB", "Saint John NB"}, {"a\tb\r\nc", "a b c"}, {"http://club", "http:/ club"},
           {"a///b", "a/ /b"}, {"\x93\x8C\x8B\x9E", "\x93\x8C\x8B\x9E"}}) {
    EXPECT_EQ(list_safe(c.in), c.out) << c.in;
  }
}

TEST(ImportRules, rows_become_lines_of_at_most_100_characters_or_are_refused_with_a_reason) {
  auto row = [](const std::string& name, const std::string& call, const std::string& mode = "DV",
                std::string gateway = "", std::string mhz = "145.2900", std::string dup = "DUP-",
                std::string offset = "0.6") {
    return std::vector<std::string>{"4", "Canada", name, "", call, gateway, mhz, dup, offset, mode};
  };
  const std::string tail = ",145290,-600,QR9SJN C,None";
  const std::string long_name(120, 'N');
  std::string sjis_name = "ab";
  for (int i = 0; i < 40; ++i) sjis_name += "\x93\x8C";  // 東: the 67th byte would split one
  struct Case { std::vector<std::string> row; TextEncoding encoding; RowResult::Kind kind; std::string text; };
  for (const Case& c : std::vector<Case>{
           {row("Saint John", "QR9SJN C"), TextEncoding::utf8, RowResult::line, "Canada,Saint John" + tail},
           {row(long_name, "QR9SJN C"), TextEncoding::utf8, RowResult::line, "Canada," + long_name.substr(0, 67) + tail},
           {row("", "QR9SJN C"), TextEncoding::utf8, RowResult::line, "Canada,QR9SJN C" + tail},
           {row(sjis_name, "QR9SJN C"), TextEncoding::shift_jis, RowResult::line, "Canada," + sjis_name.substr(0, 66) + tail},
           {row("Hill", "QR9FM", "FM"), TextEncoding::utf8, RowResult::other_mode, "FM"},
           {row("Hill", "xxxxxxxB"), TextEncoding::utf8, RowResult::rejected, ""},
           {row("Hill", "QR9SJN C", "DV", "none"), TextEncoding::utf8, RowResult::line, "Canada,Hill" + tail},
           {row("Calling", "", "DV", "", "433.3", "OFF", "0"), TextEncoding::utf8, RowResult::line, "Simplex,Calling,433300,0,DIRECT  ,None"},
           {row("Calling", "", "DV", "", "433.3", "DUP+", "5"), TextEncoding::utf8, RowResult::rejected, ""},
           {row("Hill", "QR9SJN C", "DV", "", "0.0001"), TextEncoding::utf8, RowResult::rejected, ""},
           {row("Hill", "QR9SJN C", "DV", "", "1300.001"), TextEncoding::utf8, RowResult::rejected, ""},
           {row("Hill", "QR9SJN C", "DV", "", "145.29", "DUP-", "600"), TextEncoding::utf8, RowResult::rejected, ""},
           {row("Hill", "QR9SJN C", "DV", "", "145.29", "DUP-", "100"), TextEncoding::utf8, RowResult::rejected, ""},
           {row("Hill", "QR9SJN C", "DV", "", "145.29", "DUP-", "99.999"), TextEncoding::utf8, RowResult::line, "Canada,Hill,145290,-99999,QR9SJN C,None"},
           {row("Hill", "QR9SJN"), TextEncoding::utf8, RowResult::rejected, ""},
           {{"4", "Canada", "Hill", "", "QR9SJN C", "", "145.29"}, TextEncoding::utf8, RowResult::rejected, ""}}) {
    GroupAreas areas;
    const RowResult got = repeater_line_of_row(c.row, RepeaterColumns{}, c.encoding, areas);
    EXPECT_EQ(got.kind, c.kind) << got.text;
    if (c.kind != RowResult::rejected) {
      EXPECT_EQ(got.text, c.text) << got.text.size();
    }
  }
}
// clang-format on

}  // namespace
