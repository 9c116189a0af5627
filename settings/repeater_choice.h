#pragma once
// What the operator ticks and types in the window "Import a repeater list"
// when a table does not fit the console's 256 lines, said as --group,
// --near and --within say it, and counted by the import itself.

#include <string>
#include <vector>

#include "settings/repeater_import_file.h"

struct RepeaterChoice {
  std::vector<std::string> groups;  // ticked; none ticked is every group
  std::string near;                 // as typed in "Near (locator or lat,lon)"
  std::string within;               // as typed in "Within km"
};

struct ChoiceState {
  ImportRequest request;  // the table's import with the choice's options
  std::string count;      // the lines the choice gives against 256, or what is wrong
  bool can_import = false;
};

// "United Kingdom: 143 DV rows", as the window lists a group.
std::string group_entry(const GroupRows& group);

// The choice applied to `base` (the table and the list it writes) and
// counted without writing anything.
ChoiceState state_of_choice(const ImportRequest& base, const RepeaterChoice& choice);
