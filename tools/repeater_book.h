#pragma once
// The repeaters the virtual adapter knows, read from a repeater list file
// (area,name,frequency,shift,RPT1,RPT2 per line, "//" comments).

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct RepeaterBook {
  bool checked = false;                // false: no list given, every UR is accepted
  std::vector<std::string> callsigns;  // RPT1 fields, 8 bytes each
};

// The repeater callsign (RPT1 field) of one list line, padded to 8; none for
// comment, blank or short lines.
std::optional<std::string> repeater_callsign_of_line(std::string_view line);

// Far more than any real list; a bigger file is the wrong file.
inline constexpr std::size_t kMaxRepeaterListBytes = 4 * 1024 * 1024;

// Reads a list file; on failure leaves `book` alone and says why in `error`.
bool load_repeater_book(const std::string& path, RepeaterBook& book, std::string& error);
// Same, from the file's text.
RepeaterBook repeater_book_from_text(std::string_view text);

// The repeater a "/" UR names: "/QR3KTAB" names "QR3KTA B". None when UR is
// not in that form.
std::optional<std::string> repeater_named_by_ur(const std::string& ur8);

bool knows_repeater(const RepeaterBook& book, const std::string& callsign8);
