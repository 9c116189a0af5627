#pragma once
// Replaces a settings file as a whole: the file holds either its old bytes or
// the new ones, never a truncated mix, even if the program or the machine
// dies while saving.

#include <string_view>

// Writes `bytes` to a new file beside `file_name`, flushes it to disk and
// renames it over `file_name`. Returns false, with the file and its folder
// left as they were, when the file cannot be written: a read-only file, a
// folder or a device at its name, or a folder that takes no new file.
bool save_file_whole(const char* file_name, std::string_view bytes);
