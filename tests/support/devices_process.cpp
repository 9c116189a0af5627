#include "support/devices_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <thread>

extern char** environ;

DevicesProcess::DevicesProcess(const std::string& program, const std::vector<std::string>& args) {
  int pipe_fds[2];
  if (pipe2(pipe_fds, O_CLOEXEC) != 0) return;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], 1);
  posix_spawn_file_actions_adddup2(&actions, pipe_fds[1], 2);
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
  posix_spawn_file_actions_destroy(&actions);
  close(pipe_fds[1]);
  log_fd_ = pipe_fds[0];
  fcntl(log_fd_, F_SETFL, fcntl(log_fd_, F_GETFL) | O_NONBLOCK);
}

DevicesProcess::~DevicesProcess() {
  stop();
  if (log_fd_ >= 0) close(log_fd_);
}

void DevicesProcess::collect(std::chrono::milliseconds wait) {
  if (log_fd_ < 0) return;
  pollfd pfd{log_fd_, POLLIN, 0};
  if (poll(&pfd, 1, static_cast<int>(wait.count())) <= 0) return;
  char buf[4096];
  for (;;) {
    const ssize_t n = read(log_fd_, buf, sizeof buf);
    if (n <= 0) break;
    partial_.append(buf, static_cast<std::size_t>(n));
  }
  for (std::size_t end; (end = partial_.find('\n')) != std::string::npos;) {
    lines_.push_back(partial_.substr(0, end));
    partial_.erase(0, end + 1);
  }
}

std::optional<std::string> DevicesProcess::wait_for_line(const std::string& text,
                                                         std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    for (const auto& line : lines_) {
      if (line.find(text) != std::string::npos) return line;
    }
    if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
    collect(std::chrono::milliseconds(20));
  }
}

bool DevicesProcess::wait_for_count(const std::string& text, std::size_t count,
                                    std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (count_lines(text) < count) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    collect(std::chrono::milliseconds(20));
  }
  return true;
}

std::size_t DevicesProcess::count_lines(const std::string& text) {
  collect(std::chrono::milliseconds(0));
  std::size_t n = 0;
  for (const auto& line : lines_) n += line.find(text) != std::string::npos;
  return n;
}

const std::vector<std::string>& DevicesProcess::lines() {
  collect(std::chrono::milliseconds(0));
  return lines_;
}

int DevicesProcess::wait_for_exit(std::chrono::milliseconds limit) {
  if (pid_ < 0) return status_;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    collect(std::chrono::milliseconds(0));
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      collect(std::chrono::milliseconds(0));
      return status_;
    }
    if (std::chrono::steady_clock::now() >= deadline) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

void DevicesProcess::send_signal(int signal_number) {
  if (pid_ >= 0) kill(pid_, signal_number);
}

int DevicesProcess::stop() {
  if (pid_ < 0) return status_;
  kill(pid_, SIGTERM);
  const int status = wait_for_exit();
  if (pid_ >= 0) {  // did not stop: do not leave it running
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }
  return status;
}

int open_port_like_console(const std::string& path) {
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd >= 0) ioctl(fd, TIOCEXCL);
  return fd;
}

void close_port_like_console(int fd) {
  if (fd < 0) return;
  ioctl(fd, TIOCNXCL);
  close(fd);
}

std::vector<unsigned char> read_port(int fd, std::size_t count, std::chrono::milliseconds limit) {
  std::vector<unsigned char> out;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (out.size() < count && std::chrono::steady_clock::now() < deadline) {
    pollfd pfd{fd, POLLIN, 0};
    if (poll(&pfd, 1, 20) <= 0) continue;
    unsigned char buf[256];
    const ssize_t n = read(fd, buf, std::min(sizeof buf, count - out.size()));
    if (n > 0) out.insert(out.end(), buf, buf + n);
  }
  return out;
}
