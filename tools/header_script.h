#pragma once
// Header reports to play at fixed times, so tests and demos are repeatable.
// One line per report: seconds,MY,UR,RPT1,RPT2 ("//" or "#" starts a comment
// line; blank lines are skipped).

#include <string>
#include <string_view>
#include <vector>

struct ScriptedHeader {
  double seconds = 0;  // from the start of the script's clock
  std::string my, ur, rpt1, rpt2;  // 8 bytes each
};

struct HeaderScript {
  std::vector<ScriptedHeader> headers;  // in time order
  std::string error;                    // "line N: why" when the text is not a script
};

HeaderScript parse_header_script(std::string_view text);
HeaderScript load_header_script(const std::string& path);
