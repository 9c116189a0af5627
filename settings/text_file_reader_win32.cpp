#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "settings/text_file_reader.h"
#include "settings/wide_name_win32.h"

TextFileReader::TextFileReader(const char* file_name) {
  // Shared for deleting too, so that a save by a second copy of the program
  // can replace the file while this one reads it.
  HANDLE h = CreateFileW(wide_name(file_name).c_str(), GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  // Only a file on a disk: a device or a pipe at the name is not read.
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileType(h) != FILE_TYPE_DISK || !GetFileInformationByHandle(h, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    CloseHandle(h);
    return;
  }
  // Binary: the line-end rule is ours, the C library must not apply its own.
  int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDONLY | _O_BINARY);
  if (fd < 0) {
    CloseHandle(h);
    return;
  }
  fd_ = fd;
}

TextFileReader::~TextFileReader() {
  if (fd_ >= 0) ::_close(fd_);
}

bool TextFileReader::refill() {
  if (fd_ < 0) return false;
  int n = ::_read(fd_, buffer_.data(), static_cast<unsigned>(buffer_.size()));
  if (n <= 0) return false;
  size_ = static_cast<std::size_t>(n);
  pos_ = 0;
  return true;
}
