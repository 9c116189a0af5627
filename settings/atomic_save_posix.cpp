#include "settings/atomic_save.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  bool close_checked() {
    int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

bool write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

std::string folder_of(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Makes the rename itself survive a power cut.
void flush_folder(const std::string& folder) {
  Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
}

// A settings file kept elsewhere through a symbolic link is saved where the
// link points, so the link stays.
std::string resolved_target(const char* file_name) {
  struct stat st {};
  if (::lstat(file_name, &st) == 0 && S_ISLNK(st.st_mode)) {
    char resolved[PATH_MAX];
    if (::realpath(file_name, resolved) != nullptr) return resolved;
  }
  return file_name;
}

}  // namespace

bool save_file_whole(const char* file_name, std::string_view bytes) {
  const std::string target = resolved_target(file_name);

  // Try the existing file for writing without truncating it, so that a file
  // that may not be written is never replaced behind the operator's back.
  mode_t mode = 0666;
  bool keep_mode = false;
  {
    Fd existing(::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
    if (existing.get() >= 0) {
      struct stat st {};
      if (::fstat(existing.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
      mode = st.st_mode & 07777;
      keep_mode = true;
    } else if (errno != ENOENT) {
      return false;
    }
  }

  static std::atomic<unsigned> serial{0};
  std::string temp;
  int temp_fd = -1;
  for (int attempt = 0; attempt < 100 && temp_fd < 0; ++attempt) {
    temp = target + ".new-" + std::to_string(::getpid()) + "-" + std::to_string(serial++);
    // Created like any new file (the umask applies) unless it replaces one.
    temp_fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (temp_fd < 0 && errno != EEXIST) return false;
  }
  if (temp_fd < 0) return false;
  Fd out(temp_fd);

  bool written = write_all(out.get(), bytes) && (!keep_mode || ::fchmod(out.get(), mode) == 0) &&
                 ::fsync(out.get()) == 0;
  written = out.close_checked() && written;
  if (!written || ::rename(temp.c_str(), target.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  flush_folder(folder_of(target));
  return true;
}
