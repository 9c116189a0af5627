#pragma once
// Text in the encodings that repeater tables are saved in, through the
// system's own conversions (iconv on Linux, the Windows code pages), and
// letters matched in any case.

#include <string>
#include <string_view>

enum class Conversion { done, unknown_encoding, unreadable };

// `bytes` in `encoding` ("CP1250", "ISO-8859-2", "CP932" for Shift-JIS,
// "UTF-8") as UTF-8; unreadable at the first byte that is no character of it.
Conversion utf8_from(std::string_view bytes, const std::string& encoding, std::string& utf8);

// Every letter with a simple case mapping in one case, so that "ísland",
// "ÍSLAND" and "Ísland" read alike; bytes that are no UTF-8 stay as they are.
std::string folded_case(std::string_view utf8);
