#include "support/pty_device.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <stdexcept>

PtyDevice::PtyDevice(int com_number) {
  int near_fd = -1;
  char name[256] = {};
  if (openpty(&far_fd_, &near_fd, name, nullptr, nullptr) != 0) throw std::runtime_error("openpty");
  near_path_ = name;
  termios tio{};
  tcgetattr(near_fd, &tio);
  cfmakeraw(&tio);
  tcsetattr(near_fd, TCSANOW, &tio);
  near_keepalive_fd_ = near_fd;
  fcntl(far_fd_, F_SETFL, fcntl(far_fd_, F_GETFL) | O_NONBLOCK);
  // A program the test starts must not hold the device open: its hang-up
  // would then never reach that program.
  fcntl(far_fd_, F_SETFD, FD_CLOEXEC);
  fcntl(near_fd, F_SETFD, FD_CLOEXEC);
  if (com_number > 0) {
    link_name_ = "COM" + std::to_string(com_number);
    unlink(link_name_.c_str());
    if (symlink(near_path_.c_str(), link_name_.c_str()) != 0) throw std::runtime_error("symlink");
  }
}

PtyDevice::~PtyDevice() {
  if (!link_name_.empty()) unlink(link_name_.c_str());
  if (far_fd_ >= 0) close(far_fd_);
  if (near_keepalive_fd_ >= 0) close(near_keepalive_fd_);
}

std::vector<std::uint8_t> PtyDevice::read_all(std::chrono::milliseconds quiet,
                                              std::chrono::milliseconds limit) {
  std::vector<std::uint8_t> out;
  out.swap(pending_);
  auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    pollfd pfd{far_fd_, POLLIN, 0};
    if (poll(&pfd, 1, static_cast<int>(quiet.count())) <= 0) break;
    std::uint8_t buf[4096];
    ssize_t n = ::read(far_fd_, buf, sizeof buf);
    if (n <= 0) break;
    out.insert(out.end(), buf, buf + n);
  }
  return out;
}

std::vector<std::uint8_t> PtyDevice::read_count(std::size_t count,
                                                std::chrono::milliseconds limit) {
  std::vector<std::uint8_t> out;
  out.swap(pending_);
  auto end = std::chrono::steady_clock::now() + limit;
  while (out.size() < count && std::chrono::steady_clock::now() < end) {
    pollfd pfd{far_fd_, POLLIN, 0};
    if (poll(&pfd, 1, 20) <= 0) continue;
    std::uint8_t buf[4096];
    ssize_t n = ::read(far_fd_, buf, sizeof buf);
    if (n <= 0) continue;
    out.insert(out.end(), buf, buf + n);
  }
  if (out.size() > count) {
    pending_.assign(out.begin() + static_cast<std::ptrdiff_t>(count), out.end());
    out.resize(count);
  }
  return out;
}

void PtyDevice::write(const std::vector<std::uint8_t>& bytes) { write_port(far_fd_, bytes); }

void PtyDevice::write(const std::string& bytes) { write(bytes_of(bytes)); }

void PtyDevice::close_far_end() {
  if (far_fd_ >= 0) close(far_fd_);
  far_fd_ = -1;
  // Without the far end the near end is hung up; keeping our own copy open
  // would not change that, so let it go too.
  if (near_keepalive_fd_ >= 0) close(near_keepalive_fd_);
  near_keepalive_fd_ = -1;
  // An unplugged device's name goes with it; left behind, the link would
  // lead to whichever pseudo-terminal next takes the same number.
  if (!link_name_.empty()) unlink(link_name_.c_str());
  link_name_.clear();
}

void write_port(int fd, const std::vector<std::uint8_t>& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else {
      pollfd pfd{fd, POLLOUT, 0};
      poll(&pfd, 1, 10);
    }
  }
}
