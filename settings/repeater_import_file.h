#pragma once
// The whole import: a published repeater table in, a repeater list file out,
// written in one piece or not at all.

#include <optional>
#include <string>
#include <vector>

#include "settings/repeater_import.h"

struct ImportRequest {
  std::string csv_file;
  std::string list_file = "D-STAR_repeaters.txt";
  bool append = false;              // keep the list's lines and add only repeaters it lacks
  std::vector<std::string> groups;  // only rows of these Group Names, in any case
  std::optional<GeoPoint> near;     // nearest first; the nearest that fit are kept
  std::optional<double> within_km;  // with `near`: none farther than this
  // The table's encoding as the system names it ("CP1250"); its names are
  // then written in UTF-8. Empty: UTF-8, or Shift-JIS, as the bytes show.
  std::string encoding;
  bool count_only = false;  // choose and count the lines, write nothing
};

// A group of the table and its DV rows, before any choice.
struct GroupRows {
  std::string group;
  std::size_t rows = 0;
};

struct ImportReport {
  bool ok = false;      // false: nothing usable was read and the list is untouched
  std::string summary;  // what was written, skipped and refused, for the operator
  std::string error;    // why nothing was written
  // Once the table was read: the lines the choice gives, the room the list
  // has for them (256 less the lines --append keeps) and the table's groups.
  std::size_t lines = 0;
  std::size_t room = 0;
  std::vector<GroupRows> groups;
};

ImportReport import_repeater_table(const ImportRequest& request);
