#pragma once
// Repeater lines come from files written in UTF-8 or, on older Japanese
// systems, Shift-JIS. The list shows them readable in every locale; the
// bytes stay as read.

#include <string>

// UTF-8 when the bytes are valid UTF-8, otherwise Shift-JIS (code page 932).
std::wstring list_entry_display_text(const std::string& bytes);
