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

// Holds another copy of the program off the file while this one appends, so
// a line is added, or cut back, with nobody else's line after it.
class WholeFileLock {
 public:
  explicit WholeFileLock(int fd) : fd_(fd) {
    while (flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
    }
    // Without locks (some network folders) a rare race remains.
  }
  ~WholeFileLock() { flock(fd_, LOCK_UN); }
  WholeFileLock(const WholeFileLock&) = delete;
  WholeFileLock& operator=(const WholeFileLock&) = delete;

 private:
  int fd_;
};

bool is_heard_log(int fd) {
  char start[kHeardLogStartBytes];
  const ssize_t got = pread(fd, start, sizeof start, 0);
  return got > 0 && begins_as_heard_log({start, static_cast<std::size_t>(got)});
}

// The line, and the column line before it in a new file, in one write; a
// full disk that takes only part of it gets the file cut back to where the
// line began.
void append_whole(int fd, const std::string& text, HeardLineWrite& result) {
  WholeFileLock lock(fd);
  struct stat st {};
  if (fstat(fd, &st) != 0) {
    result.reason = reason_of(errno);
    return;
  }
  if (st.st_size != 0 && !is_heard_log(fd)) {
    result.reason = kNotAHeardLog;
    return;
  }
  char last = '\n';
  if (st.st_size != 0 && pread(fd, &last, 1, st.st_size - 1) != 1) {
    result.reason = reason_of(errno);
    return;
  }
  const std::string whole =
      heard_log_addition(st.st_size == 0 ? std::nullopt : std::optional<char>(last), text);
  const ssize_t written = write(fd, whole.data(), whole.size());
  if (written == static_cast<ssize_t>(whole.size())) {
    result.written = true;
    // On the device, not only in the cache, before it counts as kept; a
    // file system that cannot sync (EINVAL) has done all it can.
    if (fdatasync(fd) != 0 && errno != EINVAL) result.reason = reason_of(errno);
    return;
  }
  result.reason = reason_of(written < 0 ? errno : ENOSPC);
  if (written > 0 && ftruncate(fd, st.st_size) != 0) result.left_partial = true;
}

}  // namespace

HeardLineWrite append_heard_line(const std::filesystem::path& path, const std::string& text) {
  HeardLineWrite result;
  // A FIFO would hold the writer in open() until someone reads it; checked
  // by name first, then on what was opened, in case the name changed between.
  struct stat st {};
  if (stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    result.reason = kNotARegularFile;
    return result;
  }
  // Only a free name is created (O_EXCL never follows a link): a dangling
  // link planted at the name would have the file made wherever it points.
  constexpr int kFlags = O_RDWR | O_APPEND | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
  int fd = open(path.c_str(), kFlags | O_CREAT | O_EXCL, 0666);
  if (fd < 0 && errno == EEXIST) fd = open(path.c_str(), kFlags);
  if (fd < 0) {
    const int error = errno;
    const bool link_to_nothing =
        error == ENOENT && lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
    result.reason = link_to_nothing ? kLinkToNothing : reason_of(error);
    return result;
  }
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    result.reason = kNotARegularFile;
  } else {
    append_whole(fd, text, result);
  }
  close(fd);
  return result;
}
