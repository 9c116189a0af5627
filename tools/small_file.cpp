#include "small_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

bool read_small_file(const std::string& path, std::size_t max_bytes, std::string& text,
                     std::string& error) {
  // Non-blocking, so a named pipe is refused below instead of waiting for a writer.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    error = std::string("cannot read: ") + std::strerror(errno);
    return false;
  }
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    error = "not a regular file";
    return false;
  }
  // One byte more than allowed tells a file at the limit from a longer one,
  // even one that grows while we read.
  text.assign(max_bytes + 1, '\0');
  std::size_t got = 0;
  while (got < text.size()) {
    const ssize_t n = ::read(fd, text.data() + got, text.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n < 0) error = std::string("cannot read: ") + std::strerror(errno);
      break;
    }
    got += static_cast<std::size_t>(n);
  }
  ::close(fd);
  if (!error.empty()) return false;
  if (got > max_bytes) {
    error = "larger than " + std::to_string(max_bytes) + " bytes";
    return false;
  }
  text.resize(got);
  return true;
}
