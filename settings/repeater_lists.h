#pragma once
// Repeaters are picked from lines of the repeater list, never typed in.

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "console/console_view.h"
#include "settings/operator_words.h"
#include "settings/station_settings.h"

// What the console takes of a repeater list: each list holds at most this
// many repeaters, "My repeater" reads lines of at most kMaxMyRepeaterLine
// characters, and call areas are told apart on their first 7 characters.
inline constexpr std::size_t kMaxRepeaterEntries = 256;

// The line up to its first "//".
std::string_view strip_comment(std::string_view line);

// Appends every repeater line to the "His repeater" list.
void fill_his_repeater_list(ConsoleView& view);

// Removes the first "My repeater" entry, then appends the lines of the area.
void fill_my_repeater_list(ConsoleView& view, const std::string& file_name, std::string_view area);

// The repeater lines chosen in an earlier run become the current ones again,
// so that START sends the stored route and STOP writes back what was read.
// Where a file is missing or empty, the repeater list's line for the
// settings' repeater takes its place; my repeater's gateway comes from the
// list too when the stored line is another repeater's. A repeater the list
// does not name keeps the built-in line. Nothing is reported.
void restore_chosen_repeater_lines();

// Offers, after the window's own call areas, every other area the repeater
// list names: first fields cut to 7 characters, in the list's order, each
// once, at most 64. A missing list adds nothing and is not reported here:
// the repeater lists tell the operator when they are filled.
void append_call_areas_of_list(ConsoleView& view, std::span<const char* const> listed_areas,
                               std::string_view stored_area);
