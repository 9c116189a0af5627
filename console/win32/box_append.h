#pragma once
// Received lines go at the end of a box whatever the operator is doing in
// it: the caret, the selection and the lines in view stay where they were,
// unless the box was scrolled to its bottom, where it keeps following.

#include <windows.h>

#include <string_view>

// `text` in the edit's own line breaks (CR LF), put in as one edit.
void append_at_end(HWND box, std::string_view text);

// What a typed byte becomes in a Windows edit: a line feed or carriage
// return is the Return key (CR LF); any other byte shows as a byte from the
// air does, never obeyed as an editing key.
std::string_view typed_text(const char& c);
