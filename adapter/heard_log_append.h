#pragma once
// One heard line onto the end of its file, whole or not at all, with the
// column line first when the file is new. Each platform has its own.

#include <filesystem>
#include <string>

struct HeardLineWrite {
  bool written = false;       // the whole text is in the file
  bool left_partial = false;  // part of it stays in the file: it could not be cut back
  std::string reason;         // why not, in the system's words; empty when written
};

// Only a regular file, or a link to one, is appended to: a FIFO or a device
// at the log's name is refused before anything waits on it.
HeardLineWrite append_heard_line(const std::filesystem::path& path, const std::string& text);

inline constexpr char kNotARegularFile[] = "it is not a regular file";
