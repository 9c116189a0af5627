#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "settings/text_file_reader.h"

TextFileReader::TextFileReader(const char* file_name) {
  // Non-blocking so that a FIFO at the name cannot hold the window.
  int fd = ::open(file_name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return;
  }
  fd_ = fd;
}

TextFileReader::~TextFileReader() {
  if (fd_ >= 0) ::close(fd_);
}

bool TextFileReader::refill() {
  if (fd_ < 0) return false;
  ssize_t n;
  do {
    n = ::read(fd_, buffer_.data(), buffer_.size());
  } while (n < 0 && errno == EINTR);
  if (n <= 0) return false;
  size_ = static_cast<std::size_t>(n);
  pos_ = 0;
  return true;
}
