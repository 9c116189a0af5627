#pragma once
// One heard line onto the end of its file, in one write, with the column
// line first when the file is new. Each platform has its own.

#include <string>

struct HeardAppend {
  bool written = false;    // the whole text is in the file
  bool cut_short = false;  // only part of it is (a full disk)
  std::string reason;      // why not, in the system's words; empty when written
};

HeardAppend append_heard_line(const std::string& path, const std::string& text);
