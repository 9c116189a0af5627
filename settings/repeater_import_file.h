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
};

struct ImportReport {
  bool ok = false;      // false: nothing usable was read and the list is untouched
  std::string summary;  // what was written, skipped and refused, for the operator
  std::string error;    // why nothing was written
};

ImportReport import_repeater_table(const ImportRequest& request);
