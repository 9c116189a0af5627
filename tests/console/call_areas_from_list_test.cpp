// Operators outside Japan find their own call areas: after the window's
// twelve, "Call area(7)" offers each other area the repeater list names.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/console_fixture.h"

namespace {

const std::vector<std::string> kTwelveAreas = {"Simplex", "JP1", "JP2", "JP3", "JP4", "JP5",
                                               "JP6",     "JP7", "JP8", "JP9", "JP0", "KH2"};

struct AreaCase {
  const char* name;
  std::string stored_area;
  std::string list;  // empty: no list file
  std::vector<std::string> added;
  std::size_t boxes;
};

void PrintTo(const AreaCase& c, std::ostream* os) { *os << c.name; }

class CallAreasFromList : public ConsoleTest, public ::testing::WithParamInterface<AreaCase> {};

TEST_P(CallAreasFromList, follow_the_twelve_in_list_order_once_each) {
  const AreaCase& c = GetParam();
  write_station_files("QR3WMN D,F817," + c.stored_area + ",QR3KTA A,QR3KTA B,7");
  if (c.list.empty()) {
    std::remove("D-STAR_repeaters.txt");
  } else {
    dir.write_file("D-STAR_repeaters.txt", c.list);
  }
  open_window();
  std::vector<std::string> areas{c.stored_area};
  areas.insert(areas.end(), kTwelveAreas.begin(), kTwelveAreas.end());
  areas.insert(areas.end(), c.added.begin(), c.added.end());
  EXPECT_EQ(view.list(ctl::call_area), areas);
  EXPECT_EQ(view.boxes().size(), c.boxes);
}

std::vector<std::string> first_areas(int n) {
  std::vector<std::string> out;
  for (int i = 0; i < n; ++i) out.push_back(std::string(1, 'A').append(std::to_string(i)));
  return out;
}

std::string many_areas(int n) {
  std::string list;
  for (const std::string& area : first_areas(n)) list += area + ",Hill,430100,0,QR1AAA A,None\n";
  return list;
}

INSTANTIATE_TEST_SUITE_P(
    Lists, CallAreasFromList,
    ::testing::Values(
        AreaCase{"a_japanese_list_adds_nothing", "JP1", kRepeaterList, {}, 0},
        AreaCase{"new_areas_cut_to_seven_without_repeats",
                 "Lazio",
                 "// club list\nLazio,Hill,430437.5,-5000,QR0HTP B,None\n"
                 "New Brunswick,Quay,145290,-600,QR9SQY C,None\n,,,\n"
                 "Lazio,Town,145290,-600,QR0OTN C,None\nJP1,Hilltop430,439310,-5000,QR3KTA A,None\n"
                 "W1,Plain,439100,0,QR5PLN A,None\nNew Bruges,Quay,145290,0,QR9SQY A,None\n",
                 {"New Bru", "W1"},
                 0},
        AreaCase{"at_most_sixty_four_are_added", "JP1", many_areas(70), first_areas(64), 0},
        AreaCase{"a_missing_list_is_reported_only_by_the_repeater_list", "JP1", "", {}, 1}),
    [](const ::testing::TestParamInfo<AreaCase>& info) { return std::string(info.param.name); });

}  // namespace
