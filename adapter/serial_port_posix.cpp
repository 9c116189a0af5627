#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "adapter/serial_port.h"
#include "adapter/sysfs_identity.h"
#include "adapter/terminal_holders.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kReadTimeout = std::chrono::milliseconds(10);
constexpr auto kWriteBudget = std::chrono::seconds(1);

int ms_until(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// False when the line settings did not take: such a port is refused, since
// frames at the wrong speed or framing would reach nobody.
bool apply_line_settings(int fd, StopBits stop_bits) {
  termios tio{};
  if (tcgetattr(fd, &tio) != 0) return false;
  cfmakeraw(&tio);
  cfsetispeed(&tio, B9600);
  cfsetospeed(&tio, B9600);
  tio.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
  tio.c_cflag |= CS8 | CREAD | CLOCAL;
  if (stop_bits == StopBits::two) tio.c_cflag |= CSTOPB;
  tio.c_iflag &= ~(IXON | IXOFF | IXANY);
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  return tcsetattr(fd, TCSANOW, &tio) == 0;
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

// /dev/ptmx and /dev/pts/ptmx: each open makes a new pseudo-terminal and
// hands back its master end, which no adapter is ever behind.
constexpr unsigned kPtmxMajor = 5;
constexpr unsigned kPtmxMinor = 2;

bool may_be_terminal(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode) &&
         st.st_rdev != makedev(kPtmxMajor, kPtmxMinor);
}

// The master end of a pseudo-terminal is a terminal too, but the device
// (a virtual adapter, socat) is what holds it.
bool is_pty_master(int fd) {
  unsigned int number = 0;
  return ioctl(fd, TIOCGPTN, &number) == 0;
}

// Takes back a wake-up once it has ended a wait: the reader looks at its
// flag after every return, and a stale one must not end the next wait.
void take_wake(int wake_fd) {
  std::uint64_t count = 0;
  [[maybe_unused]] auto n = ::read(wake_fd, &count, sizeof count);
}

// A read error that means the device itself is gone (unplugged, its pty's
// far end closed), not a moment without bytes.
bool error_means_gone(int error) { return error == EIO || error == ENXIO || error == ENODEV; }

}  // namespace

// Every open port has its wake-up descriptor; without one (descriptors used
// up) a reader still returns at its limit.
SerialPort::SerialPort(SerialDevice device)
    : device_(device), wake_{eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)} {}

SerialPort SerialPort::open(const std::string& path, StopBits stop_bits) {
  if (path.empty() || !may_be_terminal(path)) return SerialPort();
  // Not the program's controlling terminal, ever: a hang-up must not end it.
  int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return SerialPort();
  if (!is_terminal(fd) || is_pty_master(fd)) {
    ::close(fd);
    return SerialPort();
  }
  // Exclusive: the lock keeps out every other open, root's included; the
  // terminal flag also keeps out programs that do not lock. A program that
  // already holds the terminal, with or without a claim, keeps it.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0 || held_by_another_program(fd)) {
    ::close(fd);
    return SerialPort();
  }
  ioctl(fd, TIOCEXCL);
  if (!apply_line_settings(fd, stop_bits)) {
    ioctl(fd, TIOCNXCL);
    ::close(fd);
    return SerialPort();
  }
  return SerialPort(SerialDevice{fd});
}

DeviceIdentity SerialPort::identity() const {
  struct stat st {};
  if (!device_.valid() || fstat(device_.fd, &st) != 0)
    return device_identity(DeviceKind::fixed_serial);
  return identity_of_terminal(major(st.st_rdev), minor(st.st_rdev), "/sys");
}

DeviceIdentity SerialPort::identity_at(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || !S_ISCHR(st.st_mode))
    return device_identity(DeviceKind::fixed_serial);
  return identity_of_terminal(major(st.st_rdev), minor(st.st_rdev), "/sys");
}

bool SerialPort::held_elsewhere(const std::string& path) {
  return held_by_another_program_at(path);
}

void SerialPort::close() {
  if (wake_.valid()) ::close(wake_.fd);
  wake_ = {};
  drop_device();
}

void SerialPort::drop_device() {
  if (!device_.valid()) return;
  // Give the exclusivity back first: on a pseudo-terminal whose far end stays
  // open the flag would otherwise outlive the descriptor.
  ioctl(device_.fd, TIOCNXCL);
  flock(device_.fd, LOCK_UN);
  ::close(device_.fd);
  device_ = {};
}

void SerialPort::write(const void* bytes, std::size_t count) {
  const int fd = device_.fd;
  if (fd < 0 || count == 0) return;
  const auto deadline = Clock::now() + kWriteBudget;
  const auto* p = static_cast<const std::uint8_t*>(bytes);
  std::size_t done = 0;
  while (done < count) {
    ssize_t n = ::write(fd, p + done, count - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) return;  // device gone: drop the rest
    int wait_ms = ms_until(deadline);
    if (wait_ms == 0) return;  // device stopped taking bytes: drop the rest
    pollfd pfd{fd, POLLOUT, 0};
    if (poll(&pfd, 1, wait_ms) < 0 && errno != EINTR) return;
  }
  wait_until_sent(fd, deadline);
}

std::optional<std::uint8_t> SerialPort::read() {
  const int fd = device_.fd;
  if (fd < 0) return std::nullopt;
  const auto deadline = Clock::now() + kReadTimeout;
  pollfd pfd{fd, POLLIN, 0};
  int ready = poll(&pfd, 1, static_cast<int>(kReadTimeout.count()));
  if (ready > 0 && (pfd.revents & POLLIN)) {
    std::uint8_t b = 0;
    if (::read(fd, &b, 1) == 1) return b;
  }
  // A failed read or a hung-up device returns at once; wait out the timeout
  // so a dead port never spins the receive thread.
  if (ready != 0) std::this_thread::sleep_until(deadline);
  return std::nullopt;
}

PortRead SerialPort::read_until_woken(std::chrono::milliseconds limit) {
  if (!device_.valid()) return {};
  const int limit_ms = static_cast<int>(limit.count());
  pollfd pfd[2] = {{device_.fd, POLLIN, 0}, {wake_.fd, POLLIN, 0}};
  const int ready = poll(pfd, wake_.valid() ? 2 : 1, limit_ms);
  if (ready <= 0) return {};  // the limit, or a signal
  if (pfd[1].revents & POLLIN) {
    take_wake(wake_.fd);
    return {};
  }
  // Bytes still waiting are read first; the hang-up shows once they are out.
  if (pfd[0].revents & POLLIN) {
    std::uint8_t b = 0;
    const ssize_t n = ::read(device_.fd, &b, 1);
    if (n == 1) return {b, false};
    if (n < 0 && (errno == EAGAIN || errno == EINTR)) return {};
    // Readable yet nothing there: a raw terminal says so only once hung up.
    if (n == 0 || error_means_gone(errno)) return {std::nullopt, true};
  }
  if (pfd[0].revents & (POLLHUP | POLLERR | POLLNVAL)) return {std::nullopt, true};
  // Any other failure: nothing will come now. Sleep rather than spin.
  sleep_until_woken(limit);
  return {};
}

void SerialPort::wake_reader() {
  if (!wake_.valid()) return;
  const std::uint64_t one = 1;
  [[maybe_unused]] auto n = ::write(wake_.fd, &one, sizeof one);
}

void SerialPort::sleep_until_woken(std::chrono::milliseconds limit) {
  if (!wake_.valid()) {
    std::this_thread::sleep_for(limit);
    return;
  }
  pollfd pfd{wake_.fd, POLLIN, 0};
  if (poll(&pfd, 1, static_cast<int>(limit.count())) > 0) take_wake(wake_.fd);
}

std::string device_path_for_com(int number) {
  if (number < 1) return {};
  std::string local = "COM" + std::to_string(number);
  struct stat st {};
  if (lstat(local.c_str(), &st) == 0) return local;
  return "/dev/ttyS" + std::to_string(number - 1);
}

bool lead_to_one_device(const std::string& a, const std::string& b) {
  struct stat st_a {
  }, st_b{};
  return !a.empty() && !b.empty() && ::stat(a.c_str(), &st_a) == 0 &&
         ::stat(b.c_str(), &st_b) == 0 && S_ISCHR(st_a.st_mode) && S_ISCHR(st_b.st_mode) &&
         st_a.st_rdev == st_b.st_rdev;
}

void survey_port_holders() { survey_terminal_holders(); }
