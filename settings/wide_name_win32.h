#pragma once
// Windows file and folder names are UTF-16: every name the programs hold is
// UTF-8 and becomes a wide name only where it meets a W function.

#include <string>
#include <string_view>

// The UTF-16 form of a UTF-8 name. A name that is not valid UTF-8 is read in
// the ANSI code page, as an A function would have read it.
std::wstring wide_name(std::string_view name);

// The UTF-16 form of bytes that are valid UTF-8, or else of the same bytes
// read in the given code page.
std::wstring wide_from_utf8_or(std::string_view bytes, unsigned fallback_code_page);
