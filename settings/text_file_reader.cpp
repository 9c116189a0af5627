#include "settings/text_file_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace {
constexpr int no_pending = -2;
}

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

int TextFileReader::next_byte() {
  if (pending_ != no_pending) {
    int b = pending_;
    pending_ = no_pending;
    return b;
  }
  if (fd_ < 0) return end_of_file;
  if (pos_ == size_) {
    ssize_t n;
    do {
      n = ::read(fd_, buffer_.data(), buffer_.size());
    } while (n < 0 && errno == EINTR);
    if (n <= 0) return end_of_file;
    size_ = static_cast<std::size_t>(n);
    pos_ = 0;
  }
  return buffer_[pos_++];
}

int TextFileReader::get() {
  int b = next_byte();
  if (b != '\r') return b;
  int after = next_byte();
  if (after == '\n') return '\n';
  pending_ = after;
  return '\r';
}
