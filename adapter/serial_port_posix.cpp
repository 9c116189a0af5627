#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "adapter/serial_port.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kReadTimeout = std::chrono::milliseconds(10);
constexpr auto kWriteBudget = std::chrono::seconds(1);

int ms_until(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

void apply_line_settings(int fd, StopBits stop_bits) {
  termios tio{};
  if (tcgetattr(fd, &tio) != 0) return;  // the driver's settings stay
  cfmakeraw(&tio);
  cfsetispeed(&tio, B9600);
  cfsetospeed(&tio, B9600);
  tio.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
  tio.c_cflag |= CS8 | CREAD | CLOCAL;
  if (stop_bits == StopBits::two) tio.c_cflag |= CSTOPB;
  tio.c_iflag &= ~(IXON | IXOFF | IXANY);
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  tcsetattr(fd, TCSANOW, &tio);
}

// Waits until the driver's output queue is empty, within the budget.
void wait_until_sent(int fd, Clock::time_point deadline) {
  for (;;) {
    int queued = 0;
    if (ioctl(fd, TIOCOUTQ, &queued) != 0 || queued <= 0) return;
    if (Clock::now() >= deadline) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

// Only a terminal can be a serial port. A COMn link to a file, a pipe or
// /dev/null would take the frames and show a link with no device behind it.
// A file or a pipe is turned away before it is even opened.
bool is_terminal(int fd) {
  termios tio{};
  return isatty(fd) && tcgetattr(fd, &tio) == 0;
}

bool may_be_terminal(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

// Takes back a wake-up once it has ended a wait: the reader looks at its
// flag after every return, and a stale one must not end the next wait.
void take_wake(int wake_fd) {
  std::uint64_t count = 0;
  [[maybe_unused]] auto n = ::read(wake_fd, &count, sizeof count);
}

// Sleeps until the wake-up descriptor is signalled or the limit passes.
void wait_for_wake(int wake_fd, int limit_ms) {
  if (wake_fd < 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(limit_ms));
    return;
  }
  pollfd pfd{wake_fd, POLLIN, 0};
  if (poll(&pfd, 1, limit_ms) > 0) take_wake(wake_fd);
}

}  // namespace

// Every open port has its wake-up descriptor; without one (descriptors used
// up) a reader still returns at its limit.
SerialPort::SerialPort(int fd) : fd_(fd), wake_fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

SerialPort SerialPort::open(const std::string& path, StopBits stop_bits) {
  if (path.empty() || !may_be_terminal(path)) return SerialPort();
  // Not the program's controlling terminal, ever: a hang-up must not end it.
  int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return SerialPort();
  if (!is_terminal(fd)) {
    ::close(fd);
    return SerialPort();
  }
  // Exclusive: the lock keeps out every other open, root's included; the
  // terminal flag also keeps out programs that do not lock.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    return SerialPort();
  }
  ioctl(fd, TIOCEXCL);
  apply_line_settings(fd, stop_bits);
  return SerialPort(fd);
}

void SerialPort::close() {
  if (wake_fd_ >= 0) ::close(wake_fd_);
  wake_fd_ = -1;
  if (fd_ < 0) return;
  // Give the exclusivity back first: on a pseudo-terminal whose far end stays
  // open the flag would otherwise outlive the descriptor.
  ioctl(fd_, TIOCNXCL);
  flock(fd_, LOCK_UN);
  ::close(fd_);
  fd_ = -1;
}

void SerialPort::write(const void* bytes, std::size_t count) {
  if (fd_ < 0 || count == 0) return;
  const auto deadline = Clock::now() + kWriteBudget;
  const auto* p = static_cast<const std::uint8_t*>(bytes);
  std::size_t done = 0;
  while (done < count) {
    ssize_t n = ::write(fd_, p + done, count - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) return;  // device gone: drop the rest
    int wait_ms = ms_until(deadline);
    if (wait_ms == 0) return;  // device stopped taking bytes: drop the rest
    pollfd pfd{fd_, POLLOUT, 0};
    if (poll(&pfd, 1, wait_ms) < 0 && errno != EINTR) return;
  }
  wait_until_sent(fd_, deadline);
}

std::optional<std::uint8_t> SerialPort::read() {
  if (fd_ < 0) return std::nullopt;
  const auto deadline = Clock::now() + kReadTimeout;
  pollfd pfd{fd_, POLLIN, 0};
  int ready = poll(&pfd, 1, static_cast<int>(kReadTimeout.count()));
  if (ready > 0 && (pfd.revents & POLLIN)) {
    std::uint8_t b = 0;
    if (::read(fd_, &b, 1) == 1) return b;
  }
  // A failed read or a hung-up device returns at once; wait out the timeout
  // so a dead port never spins the receive thread.
  if (ready != 0) std::this_thread::sleep_until(deadline);
  return std::nullopt;
}

std::optional<std::uint8_t> SerialPort::read_until_woken(std::chrono::milliseconds limit) {
  if (fd_ < 0) return std::nullopt;
  const int limit_ms = static_cast<int>(limit.count());
  pollfd pfd[2] = {{fd_, POLLIN, 0}, {wake_fd_, POLLIN, 0}};
  const int ready = poll(pfd, wake_fd_ >= 0 ? 2 : 1, limit_ms);
  if (ready <= 0) return std::nullopt;  // the limit, or a signal
  if (pfd[1].revents & POLLIN) {
    take_wake(wake_fd_);
    return std::nullopt;
  }
  if (pfd[0].revents & POLLIN) {
    std::uint8_t b = 0;
    const ssize_t n = ::read(fd_, &b, 1);
    if (n == 1) return b;
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return std::nullopt;
  }
  // Hung up or failed: nothing will come now. Sleep rather than spin, until
  // woken or the limit passes; the reader then simply tries again.
  wait_for_wake(wake_fd_, limit_ms);
  return std::nullopt;
}

void SerialPort::wake_reader() {
  if (wake_fd_ < 0) return;
  const std::uint64_t one = 1;
  [[maybe_unused]] auto n = ::write(wake_fd_, &one, sizeof one);
}

std::string device_path_for_com(int number) {
  if (number < 1) return {};
  std::string local = "COM" + std::to_string(number);
  struct stat st {};
  if (lstat(local.c_str(), &st) == 0) return local;
  return "/dev/ttyS" + std::to_string(number - 1);
}
