#pragma once
// The importer's own files, as each platform opens them. Names are UTF-8 as
// the operator typed them; Windows opens them by their wide-character form.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The program's arguments in UTF-8, whatever the system's code page.
std::vector<std::string> program_arguments(int argc, char** argv);

// The system's words for the last failed call ("Permission denied").
std::string system_error_text();
void clear_system_error();

// Which file a name leads to once links are followed: device and inode, or
// the volume and file index on Windows. Two names of one file are equal.
struct FileIdentity {
  std::uint64_t volume = 0;
  std::uint64_t index = 0;
  bool operator==(const FileIdentity&) const = default;
};

// The name and every name its links lead to, in order, the last one where
// a write would land: a link at a settings file's name is seen as that file.
std::vector<std::string> names_along_links(const std::string& name);

// A regular file opened by name for reading; a folder, a device or a FIFO
// at the name is refused before anything waits on it.
class ImportFileReader {
 public:
  ImportFileReader() = default;
  ~ImportFileReader();
  ImportFileReader(const ImportFileReader&) = delete;
  ImportFileReader& operator=(const ImportFileReader&) = delete;

  // False with the reason when the file cannot be opened; `missing` tells
  // whether nothing at all is at the name.
  bool open(const std::string& name, std::string& reason, bool& missing);
  // Bytes read into `buffer`, 0 at the end of the file, -1 on a read error.
  long read(char* buffer, std::size_t size);
  FileIdentity identity() const;

 private:
  std::intptr_t handle_ = -1;
};

// Keeps other imports away from a list from before its old lines are read
// until the new list is in its place.
class ListLock {
 public:
  ListLock() = default;
  ~ListLock();
  ListLock(const ListLock&) = delete;
  ListLock& operator=(const ListLock&) = delete;

  // Waits for the lock. False with the reason when the list's name cannot
  // hold a file (a folder, a link loop, a name too long, no way in).
  bool acquire(const std::string& list_name, std::string& reason);
  // The new list is saved: the file the lock made is the list now.
  void keep() { made_list_ = false; }

 private:
  std::intptr_t handle_ = -1;
  std::string name_;
  std::string made_name_;   // where a link at the name leads
  bool made_list_ = false;  // an empty list made only to lock it
};
