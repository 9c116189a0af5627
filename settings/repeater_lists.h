#pragma once
// Repeaters are picked from lines of the repeater list, never typed in.

#include <string>
#include <string_view>

#include "console/console_view.h"

// The line up to its first "//".
std::string_view strip_comment(std::string_view line);

// Appends every repeater line to the "His repeater" list.
void fill_his_repeater_list(ConsoleView& view);

// Removes the first "My repeater" entry, then appends the lines of the area.
void fill_my_repeater_list(ConsoleView& view, const std::string& file_name, std::string_view area);
