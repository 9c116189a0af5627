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

// Only a heard log is appended to: a regular file, or a link to one, that is
// new or begins with the column line. A FIFO or a device at the log's name is
// refused before anything waits on it, and any other file, such as a link to
// the settings or a link to nothing, is left as it is. Each line is flushed to the device before
// it counts as written.
HeardLineWrite append_heard_line(const std::filesystem::path& path, const std::string& text);

inline constexpr char kNotARegularFile[] = "it is not a regular file";
inline constexpr char kLinkToNothing[] = "it is a link to a file that does not exist";
inline constexpr char kNotAHeardLog[] = "its first line is not utc,my,ur,rpt1,rpt2";
