#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <string>

#include "settings/atomic_save.h"

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
// link points, so the link stays; a link whose target does not exist yet gets
// it, as opening the name for writing would. Empty after too many links.
std::string resolved_target(const char* file_name) {
  constexpr int kMaxLinks = 40;
  std::string path = file_name;
  for (int hop = 0; hop < kMaxLinks; ++hop) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char to[PATH_MAX];
    ssize_t n = ::readlink(path.c_str(), to, sizeof to);
    if (n <= 0 || static_cast<std::size_t>(n) == sizeof to) return {};
    std::string next(to, static_cast<std::size_t>(n));
    path = next[0] == '/' ? next : folder_of(path) + "/" + next;
  }
  return {};
}

// The new file goes to the old file's owner and group. False when the
// process may not give it away, as only root may hand a file to another user.
bool hand_to_owner(int fd, const struct stat& old) {
  struct stat now {};
  if (::fstat(fd, &now) != 0) return false;
  if (now.st_uid == old.st_uid && now.st_gid == old.st_gid) return true;
  return ::fchown(fd, old.st_uid, old.st_gid) == 0;
}

// Someone else's file that we may write but not replace is written over
// where it stands, so it stays theirs.
bool write_in_place(Fd& file, std::string_view bytes) {
  bool written = write_all(file.get(), bytes) &&
                 ::ftruncate(file.get(), static_cast<off_t>(bytes.size())) == 0 &&
                 ::fsync(file.get()) == 0;
  return file.close_checked() && written;
}

}  // namespace

bool save_file_whole(const char* file_name, std::string_view bytes) {
  const std::string target = resolved_target(file_name);
  if (target.empty()) return false;

  // Try the existing file for writing without truncating it, so that a file
  // that may not be written is never replaced behind the operator's back.
  Fd existing(::open(target.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC));
  struct stat old {};
  if (existing.get() >= 0) {
    if (::fstat(existing.get(), &old) != 0 || !S_ISREG(old.st_mode)) return false;
  } else if (errno != ENOENT) {
    return false;
  }
  const bool replaces = existing.get() >= 0;

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

  if (replaces && !hand_to_owner(out.get(), old)) {
    out.close_checked();
    ::unlink(temp.c_str());
    return write_in_place(existing, bytes);
  }
  // After the owner: a change of owner clears the set-id bits.
  bool written = write_all(out.get(), bytes) &&
                 (!replaces || ::fchmod(out.get(), old.st_mode & 07777) == 0) &&
                 ::fsync(out.get()) == 0;
  written = out.close_checked() && written;
  if (!written || ::rename(temp.c_str(), target.c_str()) != 0) {
    ::unlink(temp.c_str());
    return false;
  }
  flush_folder(folder_of(target));
  return true;
}
