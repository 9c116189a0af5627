#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "adapter/terminal_holders.h"

namespace {

constexpr unsigned kFirstPtySlaveMajor = 136;
constexpr unsigned kLastPtySlaveMajor = 143;
constexpr unsigned kPtySlavesPerMajor = 256;
// /dev/ptmx and /dev/pts/ptmx: each descriptor is the master of one pty.
const dev_t kPtmx = makedev(5, 2);

bool is_number(const char* name) {
  if (*name == '\0') return false;
  for (; *name != '\0'; ++name) {
    if (!std::isdigit(static_cast<unsigned char>(*name))) return false;
  }
  return true;
}

// The pseudo-terminal a master descriptor serves, as its fdinfo says.
long master_index(int fd_dir, const char* fd) {
  char name[NAME_MAX + 16];
  std::snprintf(name, sizeof name, "../fdinfo/%s", fd);
  const int info = openat(fd_dir, name, O_RDONLY | O_CLOEXEC);
  if (info < 0) return -1;
  char text[512];
  const ssize_t n = read(info, text, sizeof text - 1);
  close(info);
  if (n <= 0) return -1;
  text[n] = '\0';
  const char* at = std::strstr(text, "tty-index:");
  return at ? std::strtol(at + 10, nullptr, 10) : -1;
}

// The device nodes nearly every program holds, none of them a terminal.
bool is_never_a_terminal(std::string_view node) {
  return node == "/dev/null" || node == "/dev/zero" || node == "/dev/urandom" ||
         node == "/dev/random" || node == "/dev/full";
}

// The terminals one process holds, and the pseudo-terminals whose master it
// holds, as read when its descriptor table last changed size.
struct Holdings {
  ino_t fd_dir = 0;  // a new process under a reused number has another
  off_t count = -1;  // its descriptors: a table that grew or shrank is read again
  unsigned survey = 0;
  std::vector<dev_t> terminals;
  std::vector<long> masters;
};

// Reading every descriptor of every process at each open froze the window
// for a second on a busy machine; a process is read again only when its
// descriptor count changed. Both threads ask: the window's at START, the
// receive thread while the adapter is away.
std::mutex memo_lock;
std::unordered_map<long, Holdings> memo;  // under memo_lock, by process number
unsigned survey = 0;                      // under memo_lock
// START opens two ports within moments, and recovery looks before it opens:
// one look at the processes serves them both.
constexpr auto kSurveyFresh = std::chrono::milliseconds(50);
std::chrono::steady_clock::time_point surveyed;  // under memo_lock

void read_holdings(int proc, const char* pid, Holdings& holds);

// Brings the memo up to date with the processes there now.
void take_survey() {
  const long self = static_cast<long>(getpid());
  const int proc = open("/proc", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (proc < 0) return;
  DIR* dir = fdopendir(proc);
  if (dir == nullptr) {
    close(proc);
    return;
  }
  // A kernel that does not count a process's descriptors (before 6.2) has
  // every process read each time; ours always has some.
  static const bool counted = [] {
    struct stat st {};
    return stat("/proc/self/fd", &st) == 0 && st.st_size > 0;
  }();
  ++survey;
  while (const dirent* entry = readdir(dir)) {
    if (!is_number(entry->d_name)) continue;
    const long pid = std::strtol(entry->d_name, nullptr, 10);
    if (pid == self) continue;
    char name[NAME_MAX + 16];
    std::snprintf(name, sizeof name, "%s/fd", entry->d_name);
    struct stat st {};
    if (fstatat(proc, name, &st, 0) != 0) continue;  // gone meanwhile, or another user's
    Holdings& holds = memo[pid];
    holds.survey = survey;
    if (!counted || holds.fd_dir != st.st_ino || holds.count != st.st_size) {
      read_holdings(proc, entry->d_name, holds);
      holds.fd_dir = st.st_ino;
      holds.count = st.st_size;
    }
  }
  closedir(dir);
  std::erase_if(memo, [](const auto& entry) { return entry.second.survey != survey; });
  surveyed = std::chrono::steady_clock::now();
}

void read_holdings(int proc, const char* pid, Holdings& holds) {
  holds.terminals.clear();
  holds.masters.clear();
  char name[NAME_MAX + 16];
  std::snprintf(name, sizeof name, "%s/fd", pid);
  const int fd_dir = openat(proc, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd_dir < 0) return;  // gone meanwhile, or another user's
  DIR* dir = fdopendir(fd_dir);
  if (dir == nullptr) {
    close(fd_dir);
    return;
  }
  while (const dirent* entry = readdir(dir)) {
    if (!is_number(entry->d_name)) continue;
    // The name first: only a device node is worth a stat.
    char target[16];
    const ssize_t n = readlinkat(fd_dir, entry->d_name, target, sizeof target);
    if (n < 5 || std::memcmp(target, "/dev/", 5) != 0 ||
        is_never_a_terminal({target, static_cast<std::size_t>(n)}))
      continue;
    struct stat st {};
    if (fstatat(fd_dir, entry->d_name, &st, 0) != 0 || !S_ISCHR(st.st_mode)) continue;
    if (st.st_rdev == kPtmx) {
      holds.masters.push_back(master_index(fd_dir, entry->d_name));
    } else {
      holds.terminals.push_back(st.st_rdev);
    }
  }
  closedir(dir);
}

bool contains(const auto& list, const auto& value) {
  return std::find(list.begin(), list.end(), value) != list.end();
}

bool held_elsewhere(dev_t terminal) {
  const unsigned major_number = major(terminal);
  long pty_index = -1;
  if (major_number >= kFirstPtySlaveMajor && major_number <= kLastPtySlaveMajor) {
    pty_index = static_cast<long>((major_number - kFirstPtySlaveMajor) * kPtySlavesPerMajor +
                                  minor(terminal));
  }
  std::lock_guard<std::mutex> hold(memo_lock);
  if (survey == 0 || std::chrono::steady_clock::now() - surveyed > kSurveyFresh) take_survey();
  for (const auto& [pid, holds] : memo) {
    // A program that also holds the pty's master is the device itself.
    if (contains(holds.terminals, terminal) &&
        !(pty_index >= 0 && contains(holds.masters, pty_index))) {
      return true;
    }
  }
  return false;
}

}  // namespace

bool held_by_another_program(int fd) {
  struct stat st {};
  return fstat(fd, &st) == 0 && S_ISCHR(st.st_mode) && held_elsewhere(st.st_rdev);
}

void survey_terminal_holders() {
  std::lock_guard<std::mutex> hold(memo_lock);
  take_survey();
}

bool held_by_another_program_at(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode) && held_elsewhere(st.st_rdev);
}
