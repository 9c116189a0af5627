#pragma once
// The heard log's text: one CSV line per header report that brings all four
// callsigns, kept in one file per month (UTC) in the working folder.
// Lines read utc,my,ur,rpt1,rpt2 so a spreadsheet or grep takes them as is.

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "settings/received_header.h"

using HeardTime = std::chrono::system_clock::time_point;

// The first line of a new file.
inline constexpr char kHeardLogColumns[] = "utc,my,ur,rpt1,rpt2\n";

// "2026-12-08T14:59:34.705Z,QR1ABC  ,CQCQCQ  ,QR3KTA A,QR3KTG G\n" from the
// header as the adapter reports it. The callsigns read as
// in the box: a control byte shows as '.'; other bytes are Latin-1 characters,
// written as UTF-8 so the file stays text for grep and spreadsheets. A field
// beginning with "=", "+", "-" or "@", after any spaces, gets a leading
// apostrophe, so that a spreadsheet shows it as text instead of running it as
// a formula.
std::string heard_log_line(HeardTime heard, const ReceivedHeader& header);

// Whether a file that begins with these bytes is a heard log: its first line
// is the column line, perhaps after a byte-order mark and with a carriage
// return, as a spreadsheet saves it. Only a heard log is appended to.
bool begins_as_heard_log(std::string_view first_bytes);
// What goes onto the end of a log whose last byte is `last` (none: a new,
// empty file): the column line first in a new file, and a line end first
// after an unfinished last line (none, or a bare carriage return), so the
// new station never joins the line before it.
std::string heard_log_addition(std::optional<char> last, const std::string& line);
// Enough of a file's start to tell.
inline constexpr std::size_t kHeardLogStartBytes = 32;

// "D-STAR_heard_2026-12.csv": the month of the line's own utc field, so a
// line stamped a moment before midnight stays in its month.
std::string heard_log_file_for(const std::string& line);
