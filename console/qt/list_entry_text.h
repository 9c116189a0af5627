#pragma once
// Repeater lines come from files written in UTF-8 or, on older Japanese
// systems, Shift-JIS. The list shows them readable; the bytes stay as read.

#include <QString>
#include <string>

// UTF-8 when the bytes are valid UTF-8, otherwise Shift-JIS (CP932); a byte
// neither can read shows as U+FFFD.
QString list_entry_display_text(const std::string& bytes);
