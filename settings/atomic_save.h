#pragma once
// Replaces a settings file as a whole: the file holds either its old bytes or
// the new ones, never a truncated mix, even if the program or the machine
// dies while saving. The file keeps its owner, group and permissions, and a
// symbolic link at its name stays a link.

#include <string_view>

// Writes `bytes` to a new file beside `file_name`, flushes it to disk and puts
// it in the file's place with the old file's owner, group and permissions.
//
// A symbolic link is followed: the file it points at is saved, and created
// (like any new file) when it does not exist yet.
//
// When the process may not hand a new file to the old file's owner (an
// operator saving a shared file that someone else owns), the file is written
// over where it is instead and flushed: it keeps its owner, but a crash or a
// full disk during that save can leave it half written.
//
// On Windows the name is UTF-8, the new file takes the old one's security
// settings and attributes, and a file that another program (a virus scanner,
// an indexer) holds is tried again for up to 1 s.
//
// Returns false, with the file and its folder left as they were, when the file
// cannot be written: a read-only file, a folder or a device at its name, a
// folder that takes no new file, or a link whose target cannot be made.
bool save_file_whole(const char* file_name, std::string_view bytes);
