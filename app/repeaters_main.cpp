// kestrel8-repeaters: turns a published D-STAR repeater table (the CSV that
// radios and their programming software export) into the console's
// repeater list. No toolkit: it runs anywhere the console's files live.

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "settings/repeater_import_file.h"
#include "settings/repeater_import_io.h"
#include "settings/repeater_lists.h"

namespace {

constexpr const char* kUsage = R"usage(NAME
    kestrel8-repeaters - make Kestrel8's repeater list from a published table

SYNOPSIS
    kestrel8-repeaters import FILE.csv [--out LIST] [--append]
    kestrel8-repeaters --help

DESCRIPTION
    Reads the CSV repeater table that D-STAR radios and their programming
    software export and import (your radio's export, your national society's
    or club's list), and writes the repeater list the Kestrel8 console reads,
    D-STAR_repeaters.txt in the current folder unless --out says otherwise.

    Columns are found by their English header names (Group Name, Name,
    Sub Name, Repeater Call Sign, Gateway Call Sign, Frequency, Dup, Offset,
    Mode). Any other header, such as a Japanese edition's, is read in the
    standard column order. Only rows whose Mode is DV become lines; each
    becomes

        area,name,frequency kHz,shift kHz,repeater callsign,gateway

    for example  Lazio,Hill Top,430437.5,-5000,QR0HTP B,QR0HTP G

    A DV row without a repeater callsign and with Dup OFF is a simplex
    channel: Simplex,name,frequency kHz,0,DIRECT  ,None.

    The area is JP1..JP0 for Japanese stations, KH2 for Guam, otherwise
    each Group Name gets an area of its own of at most %u characters: the
    name when it fits, else its first word shortened and the initials of
    the others (United Kingdom gives UnitedK), then a digit if another group
    has it. Without a group, the callsign's prefix (W1) is the area. The
    summary lists each group's area; the console offers each area of the
    list under "Call area(7)".

    Rows are refused, with the reason, when the frequency is not between 1
    and 1300 MHz, the offset is over 100 MHz, or the repeater callsign has
    no module letter in place 8 ("QR3KTA B"). A gateway NONE is None. A row
    with the callsign and frequency of an earlier row is written once.

    Names keep their bytes: a Shift-JIS table gives a Shift-JIS list. Lines
    are at most %u characters (the name is shortened) and the list at most
    %u lines, as many as the console reads.

OPTIONS
    --out LIST
        Write LIST instead of D-STAR_repeaters.txt.
    --append
        Keep the lines already in LIST, byte for byte, and add only the
        repeaters whose callsign and frequency it does not hold yet. Imports
        into one list wait for each other, so none loses another's lines.
    --help
        Show this text.

    The list is replaced in one piece: a failed import leaves it as it was.
    LIST may not be the table itself, under any name or link. A summary
    tells how many lines were written, how many rows were skipped
    as not DV, and which rows were rejected and why (row numbers count the
    header as row 1, as a spreadsheet shows them).

EXIT STATUS
    0 when the list was written (or, with --append, already held every
    repeater), 1 when nothing usable could be read, the list is full or
    could not be written, 2 for a command line this text does not describe.
)usage";

int usage_error(const std::string& why) {
  std::fprintf(stderr, "kestrel8-repeaters: %s\nTry 'kestrel8-repeaters --help'.\n", why.c_str());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args = program_arguments(argc, argv);
  ImportRequest request;
  bool import = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg == "--help" || arg == "-h") {
      std::printf(kUsage, static_cast<unsigned>(kCallAreaLength),
                  static_cast<unsigned>(kMaxMyRepeaterLine),
                  static_cast<unsigned>(kMaxRepeaterEntries));
      return 0;
    } else if (arg == "--append") {
      request.append = true;
    } else if (arg == "--out") {
      if (++i == args.size()) return usage_error("--out needs a file name");
      request.list_file = args[i];
    } else if (arg.starts_with("-")) {
      return usage_error("unknown option " + std::string(arg));
    } else if (!import && arg == "import") {
      import = true;
    } else if (import && request.csv_file.empty()) {
      request.csv_file = arg;
    } else {
      return usage_error("unexpected " + std::string(arg));
    }
  }
  if (!import) return usage_error("say what to do: import FILE.csv");
  if (request.csv_file.empty()) return usage_error("import needs a CSV file");

  const ImportReport report = import_repeater_table(request);
  std::fputs(report.summary.c_str(), stdout);
  if (!report.ok) {
    std::fprintf(stderr, "kestrel8-repeaters: %s\n", report.error.c_str());
    return 1;
  }
  return 0;
}
