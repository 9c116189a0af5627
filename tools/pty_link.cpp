#include "pty_link.h"

#include <fcntl.h>
#include <pty.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

std::string link_target(const std::string& path) {
  char target[512];
  const ssize_t n = readlink(path.c_str(), target, sizeof target - 1);
  if (n < 0) return {};
  return std::string(target, static_cast<std::size_t>(n));
}

}  // namespace

PtyLink::~PtyLink() { unplug(); }

void PtyLink::unplug() {
  // Remove only our own link: someone may have put another in its place.
  if (!link_path_.empty() && link_target(link_path_) == near_path_) unlink(link_path_.c_str());
  if (far_fd_ >= 0) close(far_fd_);
  if (near_fd_ >= 0) close(near_fd_);
  if (watch_fd_ >= 0) close(watch_fd_);
  far_fd_ = near_fd_ = watch_fd_ = -1;
  sampled_held_ = false;
}

bool PtyLink::replug(std::string& error) {
  unplug();
  return open(folder_, com_number_, error);
}

bool PtyLink::open(const std::string& folder, int com_number, std::string& error) {
  folder_ = folder;
  com_number_ = com_number;
  const std::string path =
      (folder.empty() ? std::string(".") : folder) + "/COM" + std::to_string(com_number);
  struct stat st {};
  if (lstat(path.c_str(), &st) == 0) {
    if (!S_ISLNK(st.st_mode) || link_target(path).rfind("/dev/pts/", 0) != 0) {
      error =
          path +
          " already exists and is not a virtual device left from an earlier run; not touching it";
      return false;
    }
    unlink(path.c_str());
  }
  char name[256] = {};
  if (openpty(&far_fd_, &near_fd_, name, nullptr, nullptr) != 0) {
    error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
    return false;
  }
  fcntl(far_fd_, F_SETFD, FD_CLOEXEC);
  fcntl(near_fd_, F_SETFD, FD_CLOEXEC);
  fcntl(far_fd_, F_SETFL, fcntl(far_fd_, F_GETFL) | O_NONBLOCK);
  // Raw from the start: no echo of the console's bytes back to it, no
  // line-end translation of binary frames.
  termios tio{};
  tcgetattr(near_fd_, &tio);
  cfmakeraw(&tio);
  tcsetattr(near_fd_, TCSANOW, &tio);
  near_path_ = name;
  // The terminal never hangs up, since we hold its near end; the kernel's
  // open and close notices are how we see each START and STOP.
  watch_fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (watch_fd_ >= 0 && inotify_add_watch(watch_fd_, name, IN_OPEN | IN_CLOSE) < 0) {
    close(watch_fd_);
    watch_fd_ = -1;
  }
  if (symlink(near_path_.c_str(), path.c_str()) != 0) {
    error = "cannot create " + path + ": " + std::strerror(errno);
    return false;
  }
  link_path_ = path;
  return true;
}

bool PtyLink::held_by_console() const {
  if (near_fd_ < 0) return false;  // unplugged
  if (assume_held_) return true;
  int exclusive = 0;
  // Kernels without the query: assume someone listens.
  if (ioctl(near_fd_, TIOCGEXCL, &exclusive) != 0) return true;
  return exclusive != 0;
}

void PtyLink::drop_unread_input() const { tcflush(near_fd_, TCIFLUSH); }

std::vector<PortEvent> PtyLink::take_port_events() {
  std::vector<PortEvent> events;
  if (watch_fd_ < 0) {
    const bool held = held_by_console();
    if (held != sampled_held_) events.push_back(held ? PortEvent::opened : PortEvent::closed);
    sampled_held_ = held;
    return events;
  }
  alignas(inotify_event) char buffer[4096];
  for (;;) {
    const ssize_t n = read(watch_fd_, buffer, sizeof buffer);
    if (n <= 0) break;
    for (ssize_t at = 0; at < n;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      if (event->mask & IN_OPEN) events.push_back(PortEvent::opened);
      if (event->mask & IN_CLOSE) events.push_back(PortEvent::closed);
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
  }
  return events;
}
