// How one row of a published D-STAR repeater table becomes a repeater line.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "settings/repeater_import.h"

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
           {"DUP-", "20.000000", "-20000"}, {"DUP+", "0", "+0"}, {"DUP-", "", kRefused},
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

TEST(ImportRules, each_group_gets_its_own_area_cut_between_whole_characters) {
  struct Case { std::string call, group, area; TextEncoding encoding = TextEncoding::utf8; };
  GroupAreas areas;  // one table: each group keeps its area, no two groups share one
  for (const Case& c : std::vector<Case>{
           {"JA1ZZZ A", "Kanto", "JP1"}, {"JS6ZZZ B", "", "JP6"}, {"7M4ZZZ A", "", "JP4"},
           {"8N0ZZZ A", "", "JP0"}, {"JD1ZZZ A", "Ogasawara", "JP1"}, {"KH2ZZ  B", "Guam", "KH2"},
           {"JT1ZZZ A", "Mongolia", "Mongoli"}, {"QR9SJN C", "New Brunswick", "NewB"},
           {"IR0MA  B", "", "IR0"}, {"W1ABC  C", " ", "W1"},
           {"QR1AA  B", "United Kingdom", "UnitedK"}, {"QR2AA  B", "United States", "UnitedS"},
           {"QR1BB  B", "United Kingdom", "UnitedK"}, {"QR3AA  B", "Australia", "Austral"},
           {"QR4AA  B", "Australasia", "Austra2"}, {"QR5AA  B", "Simplex", "Simple2"},
           {"QR6AA  B", "Niederösterreich", "Nieder"},
           // 関東地方 in Shift-JIS: seven bytes would split 方.
           {"QR0ABC B", "\x8A\xD6\x93\x8C\x92\x6E\x95\xFB", "\x8A\xD6\x93\x8C\x92\x6E", TextEncoding::shift_jis}}) {
    EXPECT_EQ(call_area_of(c.call, c.group, c.encoding, areas), c.area) << c.call << " " << c.group;
  }
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
