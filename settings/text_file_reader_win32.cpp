#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include "settings/text_file_reader.h"

TextFileReader::TextFileReader(const char* file_name) {
  // Binary: the line-end rule is ours, the C library must not apply its own.
  int fd = ::_open(file_name, _O_RDONLY | _O_BINARY | _O_NOINHERIT);
  if (fd < 0) return;
  struct _stat64 st {};
  if (::_fstat64(fd, &st) != 0 || (st.st_mode & _S_IFMT) != _S_IFREG) {
    ::_close(fd);
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
