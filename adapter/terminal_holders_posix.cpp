#include <dirent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <string>

#include "adapter/terminal_holders.h"

namespace {

constexpr unsigned kFirstPtySlaveMajor = 136;
constexpr unsigned kLastPtySlaveMajor = 143;
constexpr unsigned kPtySlavesPerMajor = 256;

std::string link_text(const std::string& path) {
  char target[4096];
  const ssize_t n = readlink(path.c_str(), target, sizeof target);
  return n > 0 ? std::string(target, static_cast<std::size_t>(n)) : std::string();
}

bool is_number(const char* name) {
  if (*name == '\0') return false;
  for (; *name != '\0'; ++name) {
    if (!std::isdigit(static_cast<unsigned char>(*name))) return false;
  }
  return true;
}

// The pseudo-terminal a master descriptor serves, as its fdinfo says.
long master_index(const std::string& process, const char* fd) {
  std::ifstream info(process + "/fdinfo/" + fd);
  for (std::string line; std::getline(info, line);) {
    if (line.rfind("tty-index:", 0) == 0) return std::strtol(line.c_str() + 10, nullptr, 10);
  }
  return -1;
}

// What one process holds of the terminal: the terminal itself, its master.
struct Holds {
  bool terminal = false;
  bool master = false;
};

struct Terminal {
  std::string path;  // as the kernel names it in every process's fd list
  struct stat st {};
  long pty_index = -1;  // a pseudo-terminal slave's number, else -1
};

Holds holds_of(const std::string& process, const Terminal& ours) {
  Holds holds;
  const std::string fds = process + "/fd";
  DIR* dir = opendir(fds.c_str());
  if (dir == nullptr) return holds;  // gone meanwhile, or another user's
  while (const dirent* entry = readdir(dir)) {
    if (!is_number(entry->d_name)) continue;
    const std::string fd = fds + "/" + entry->d_name;
    // The name first: stat follows the link, and only a device node of the
    // same name is worth it.
    const std::string target = link_text(fd);
    if (target == ours.path) {
      struct stat st {};
      holds.terminal =
          holds.terminal || (stat(fd.c_str(), &st) == 0 && S_ISCHR(st.st_mode) &&
                             st.st_rdev == ours.st.st_rdev && st.st_dev == ours.st.st_dev);
    } else if (ours.pty_index >= 0 && (target == "/dev/ptmx" || target == "/dev/pts/ptmx")) {
      holds.master = holds.master || master_index(process, entry->d_name) == ours.pty_index;
    }
  }
  closedir(dir);
  return holds;
}

}  // namespace

bool held_by_another_program(int fd) {
  Terminal ours;
  ours.path = link_text("/proc/self/fd/" + std::to_string(fd));
  if (ours.path.empty() || fstat(fd, &ours.st) != 0) return false;
  const unsigned major_number = major(ours.st.st_rdev);
  if (major_number >= kFirstPtySlaveMajor && major_number <= kLastPtySlaveMajor) {
    ours.pty_index = static_cast<long>((major_number - kFirstPtySlaveMajor) * kPtySlavesPerMajor +
                                       minor(ours.st.st_rdev));
  }
  const std::string self = std::to_string(getpid());
  DIR* proc = opendir("/proc");
  if (proc == nullptr) return false;
  bool held = false;
  while (const dirent* entry = readdir(proc)) {
    if (!is_number(entry->d_name) || self == entry->d_name) continue;
    const Holds holds = holds_of(std::string("/proc/") + entry->d_name, ours);
    if (holds.terminal && !holds.master) {
      held = true;
      break;
    }
  }
  closedir(proc);
  return held;
}
