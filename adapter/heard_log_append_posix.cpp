#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "adapter/heard_log.h"
#include "adapter/heard_log_append.h"

namespace {

std::string reason_of(int error) {
  return std::error_code(error, std::generic_category()).message();
}

// Two copies of the program in one folder: only one writes the columns, and
// before any line.
bool add_columns_if_new(int fd, int& error) {
  struct stat st {};
  if (fstat(fd, &st) != 0) {
    error = errno;
    return false;
  }
  if (st.st_size != 0) return true;
  flock(fd, LOCK_EX);  // without locks (some network folders) a rare race remains
  bool ok = true;
  if (fstat(fd, &st) == 0 && st.st_size == 0) {
    const std::size_t n = sizeof kHeardLogColumns - 1;
    const ssize_t written = write(fd, kHeardLogColumns, n);
    if (written != static_cast<ssize_t>(n)) {
      error = written < 0 ? errno : ENOSPC;
      ok = false;
    }
  }
  flock(fd, LOCK_UN);
  return ok;
}

}  // namespace

HeardAppend append_heard_line(const std::string& path, const std::string& text) {
  HeardAppend result;
  const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666);
  if (fd < 0) {
    result.reason = reason_of(errno);
    return result;
  }
  int error = 0;
  if (add_columns_if_new(fd, error)) {
    // One write on O_APPEND: a crash leaves whole lines, and another copy of
    // the program appending never splits one.
    const ssize_t written = write(fd, text.data(), text.size());
    if (written == static_cast<ssize_t>(text.size())) {
      result.written = true;
    } else {
      error = written < 0 ? errno : ENOSPC;
      result.cut_short = written > 0;
    }
  }
  close(fd);
  if (error != 0) result.reason = reason_of(error);
  return result;
}
