#pragma once
// The importer's window, for an operator with no Command Prompt: a table
// dropped on "Import a repeater list" that does not fit the console's 256
// lines is chosen from there, by group and by place. Windows only; on Linux
// the importer is run from a terminal and nothing is shown.

#include "settings/repeater_import_file.h"

// True when the program's console window is its own (Windows made it for a
// start from the Start menu or Explorer), not a Command Prompt's.
bool started_without_prompt();

enum class WindowChoice { not_shown, cancelled, chosen };

// Shows "Import a repeater list" for the table of `request` that `refused`
// did not fit; on "Import" the request holds the options chosen.
WindowChoice choose_in_window(ImportRequest& request, const ImportReport& refused);
