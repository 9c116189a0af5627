#pragma once
// Header reports to play at fixed times, so tests and demos are repeatable.
// One line per report: seconds,MY,UR,RPT1,RPT2 ("//" or "#" starts a comment
// line; blank lines are skipped).

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct ScriptedHeader {
  double seconds = 0;              // from the start of the script's clock
  std::string my, ur, rpt1, rpt2;  // 8 bytes each
};

struct HeaderScript {
  std::vector<ScriptedHeader> headers;  // in time order
  std::string error;                    // "line N: why" when the text is not a script
};

// A script is a short hand-written list; anything bigger is a wrong file
// (a device, a recording, a log) and is refused rather than read forever.
inline constexpr std::size_t kMaxScriptBytes = 1024 * 1024;
inline constexpr std::size_t kMaxScriptLineBytes = 512;

HeaderScript parse_header_script(std::string_view text);
HeaderScript load_header_script(const std::string& path);
