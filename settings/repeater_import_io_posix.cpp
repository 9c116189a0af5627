#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "settings/repeater_import_io.h"

namespace {

FileIdentity identity_of(const struct stat& st) {
  return {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

std::string kind_problem(const struct stat& st) {
  if (S_ISDIR(st.st_mode)) return "is a folder";
  if (!S_ISREG(st.st_mode)) return "is not a regular file";
  return {};
}

// What was opened must be a regular file. The reason when it is not, or
// when it did not open or cannot be looked at.
bool opened_a_regular_file(int fd, struct stat& st, std::string& reason) {
  if (fd < 0 || ::fstat(fd, &st) != 0) {
    reason = std::strerror(errno);
    return false;
  }
  reason = kind_problem(st);
  return reason.empty();
}

}  // namespace

// A chain of links is followed as far as the system follows one; the
// link's target counts even while nothing is there yet.
std::vector<std::string> names_along_links(const std::string& first) {
  std::vector<std::string> names{first};
  for (int hop = 0; hop < 40; ++hop) {
    const std::string& name = names.back();
    struct stat st {};
    if (::lstat(name.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
    char target[4096];
    const ssize_t n = ::readlink(name.c_str(), target, sizeof target - 1);
    if (n <= 0) break;
    const std::string to(target, static_cast<std::size_t>(n));
    const std::size_t slash = name.rfind('/');
    names.push_back(
        to.starts_with('/') || slash == std::string::npos ? to : name.substr(0, slash + 1) + to);
  }
  return names;
}

namespace {

// Where a name that may be a chain of links leads: the link's target when
// nothing is there yet, so that a lock file made there can be taken away.
std::string end_of_links(const std::string& name) { return names_along_links(name).back(); }

}  // namespace

std::vector<std::string> program_arguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

std::string system_error_text() { return errno ? std::strerror(errno) : ""; }
void clear_system_error() { errno = 0; }

ImportFileReader::~ImportFileReader() {
  if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

bool ImportFileReader::open(const std::string& name, std::string& reason, bool& missing) {
  // Non-blocking, so a FIFO at the name cannot hold the import.
  const int fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  missing = fd < 0 && errno == ENOENT;
  if (fd >= 0) handle_ = fd;
  struct stat st {};
  return opened_a_regular_file(fd, st, reason);
}

long ImportFileReader::read(char* buffer, std::size_t size) {
  ssize_t n;
  do {
    n = ::read(static_cast<int>(handle_), buffer, size);
  } while (n < 0 && errno == EINTR);
  return static_cast<long>(n);
}

FileIdentity ImportFileReader::identity() const {
  struct stat st {};
  ::fstat(static_cast<int>(handle_), &st);
  return identity_of(st);
}

// flock on the list itself. A save puts a new file at the name, so a lock
// won on the file it replaced is let go and taken again on the new one.
bool ListLock::acquire(const std::string& list_name, std::string& reason) {
  constexpr int kAttempts = 1000;
  name_ = list_name;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    made_name_ = end_of_links(name_);
    int fd = ::open(made_name_.c_str(), O_RDONLY | O_CREAT | O_EXCL | O_NONBLOCK | O_CLOEXEC, 0666);
    made_list_ = fd >= 0;
    if (fd < 0 && errno == EEXIST)
      fd = ::open(name_.c_str(), O_RDONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd >= 0) handle_ = fd;
    struct stat held {};
    if (!opened_a_regular_file(fd, held, reason)) return false;
    int locked;
    do {
      locked = ::flock(fd, LOCK_EX);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) {
      reason = std::strerror(errno);
      return false;
    }
    struct stat named {};
    if (::stat(name_.c_str(), &named) == 0 && identity_of(named) == identity_of(held)) return true;
    ::close(fd);
    handle_ = -1;
  }
  reason = "other programs keep replacing it";
  return false;
}

ListLock::~ListLock() {
  if (handle_ < 0) return;
  const int fd = static_cast<int>(handle_);
  // A failed import leaves no empty list behind.
  struct stat held {
  }, named{};
  if (made_list_ && ::fstat(fd, &held) == 0 && held.st_size == 0 &&
      ::lstat(made_name_.c_str(), &named) == 0 && identity_of(named) == identity_of(held))
    ::unlink(made_name_.c_str());
  ::close(fd);
}
