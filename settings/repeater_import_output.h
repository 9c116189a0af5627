#pragma once
// What the importer tells the operator, on standard output or standard
// error. A Windows console is given text it shows (UTF-16); a file or a
// pipe gets the UTF-8 bytes.

#include <string_view>

enum class OperatorStream { output, error };

// False when the text could not all be written: a closed or full output.
bool write_to_operator(OperatorStream stream, std::string_view utf8);

// A console window that the program made itself (started from the Start
// menu or Explorer) would close with the summary: on Windows it waits for a
// key first. A terminal or a Command Prompt the operator opened stays.
void hold_own_console_window();
