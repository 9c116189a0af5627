#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "transceiver/address_lookup.h"
#include "transceiver/tcp_connection.h"

namespace {

using Clock = std::chrono::steady_clock;
// How often a wait asks whether it is still wanted.
constexpr int kWantedCheckMs = 20;

int milliseconds_left(Clock::time_point end) {
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(end - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Waits for `events` on the socket until `end`, asking `wanted` every few
// milliseconds; false when time ran out or the wait is no longer wanted.
bool wait_for(int fd, short events, Clock::time_point end,
              const std::function<bool()>& wanted = {}) {
  for (;;) {
    pollfd p{fd, events, 0};
    const int left = milliseconds_left(end);
    const int n = ::poll(&p, 1, wanted ? std::min(left, kWantedCheckMs) : left);
    if (n > 0) return true;
    if (n < 0 && errno != EINTR) return false;
    if (milliseconds_left(end) == 0 || (wanted && !wanted())) return false;
  }
}

int connect_within(const addrinfo& address, Clock::time_point end,
                   const std::function<bool()>& wanted) {
  const int fd = ::socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  if (::connect(fd, address.ai_addr, address.ai_addrlen) == 0) return fd;
  int error = errno;
  if (error == EINPROGRESS && wait_for(fd, POLLOUT, end, wanted)) {
    socklen_t length = sizeof error;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
    if (error == 0) return fd;
  }
  ::close(fd);
  return -1;
}

}  // namespace

TcpConnection TcpConnection::open(const std::string& host, const std::string& port,
                                  std::chrono::milliseconds limit,
                                  const std::function<bool()>& wanted) {
  const auto end = Clock::now() + limit;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_NUMERICSERV;
  const Addresses found = addresses_of(host, port, hints, end, wanted);
  int fd = -1;
  for (const addrinfo* a = found.get(); a && fd < 0 && Clock::now() < end; a = a->ai_next) {
    fd = connect_within(*a, end, wanted);
  }
  return fd < 0 ? TcpConnection() : TcpConnection(fd);
}

void TcpConnection::close() {
  if (socket_ != kNoSocket) ::close(static_cast<int>(socket_));
  socket_ = kNoSocket;
}

bool TcpConnection::send(std::string_view text, std::chrono::milliseconds limit) {
  const auto end = Clock::now() + limit;
  const int fd = static_cast<int>(socket_);
  while (is_open() && !text.empty()) {
    const ssize_t n = ::send(fd, text.data(), text.size(), MSG_NOSIGNAL);
    if (n > 0) {
      text.remove_prefix(static_cast<std::size_t>(n));
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (!wait_for(fd, POLLOUT, end)) return false;
    } else {
      return false;
    }
  }
  return is_open();
}

TcpConnection::Received TcpConnection::receive(std::string& out, std::chrono::milliseconds limit) {
  if (!is_open()) return Received::hung_up;
  const int fd = static_cast<int>(socket_);
  if (!wait_for(fd, POLLIN, Clock::now() + limit)) return Received::nothing;
  char buffer[256];
  for (;;) {
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n > 0) {
      out.append(buffer, static_cast<std::size_t>(n));
      return Received::data;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return Received::nothing;
    return Received::hung_up;
  }
}
