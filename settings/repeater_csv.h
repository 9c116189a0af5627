#pragma once
// Reads the repeater tables that D-STAR radios and their programming
// software export, and the same tables saved by a spreadsheet: quoted
// fields, separators and line breaks inside quotes, CR LF line ends, a UTF-8
// byte order mark. Bytes are kept as they are, so a Shift-JIS file gives
// Shift-JIS fields.

#include <string>
#include <string_view>
#include <vector>

struct CsvRecord {
  int row = 0;  // 1 for the first line, as a spreadsheet numbers them
  std::vector<std::string> fields;
};

// The separator of a table: whichever of ",", ";" and tab its header line
// holds most often outside quotes; "," when it holds none. Spreadsheets in
// many European locales save ";".
char separator_of_header(std::string_view text);

// The records of `text`, split at its header's separator; a blank line gives no record. False, with
// `error` saying what and where, for bytes that are no text table: control bytes (a binary or
// UTF-16 file), nothing but blanks, or a quote left open.
bool parse_csv(std::string_view text, std::vector<CsvRecord>& records, std::string& error);
