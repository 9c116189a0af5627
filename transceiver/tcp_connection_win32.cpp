#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>

#include "transceiver/address_lookup.h"
#include "transceiver/tcp_connection.h"

namespace {

using Clock = std::chrono::steady_clock;
// How often a wait asks whether it is still wanted.
constexpr auto kWantedCheck = std::chrono::milliseconds(20);

// Winsock is taken once for the whole run and given back at its end.
bool winsock_ready() {
  static const bool ready = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return ready;
}

timeval time_left(Clock::time_point end) {
  const auto left = std::chrono::duration_cast<std::chrono::microseconds>(end - Clock::now());
  const long long us = left.count() > 0 ? left.count() : 0;
  return {static_cast<long>(us / 1000000), static_cast<long>(us % 1000000)};
}

// Waits until the socket can be written (or, with `for_reading`, read)
// until `end`, asking `wanted` every few milliseconds; false when time ran
// out, the connection failed or the wait is no longer wanted.
bool wait_for(SOCKET s, bool for_reading, Clock::time_point end,
              const std::function<bool()>& wanted = {}) {
  for (;;) {
    fd_set ready;
    fd_set failed;
    FD_ZERO(&ready);
    FD_ZERO(&failed);
    FD_SET(s, &ready);
    FD_SET(s, &failed);
    timeval limit = time_left(wanted ? std::min(end, Clock::now() + kWantedCheck) : end);
    const int n =
        select(0, for_reading ? &ready : nullptr, for_reading ? nullptr : &ready, &failed, &limit);
    if (n != 0) return n > 0 && FD_ISSET(s, &ready) && !FD_ISSET(s, &failed);
    if (Clock::now() >= end || (wanted && !wanted())) return false;
  }
}

SOCKET connect_within(const addrinfo& address, Clock::time_point end,
                      const std::function<bool()>& wanted) {
  SOCKET s = socket(address.ai_family, address.ai_socktype, address.ai_protocol);
  if (s == INVALID_SOCKET) return s;
  u_long non_blocking = 1;
  if (ioctlsocket(s, FIONBIO, &non_blocking) == 0 &&
      (connect(s, address.ai_addr, static_cast<int>(address.ai_addrlen)) == 0 ||
       (WSAGetLastError() == WSAEWOULDBLOCK && wait_for(s, false, end, wanted)))) {
    return s;
  }
  closesocket(s);
  return INVALID_SOCKET;
}

}  // namespace

TcpConnection TcpConnection::open(const std::string& host, const std::string& port,
                                  std::chrono::milliseconds limit,
                                  const std::function<bool()>& wanted) {
  if (!winsock_ready()) return {};
  const auto end = Clock::now() + limit;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  hints.ai_flags = AI_NUMERICSERV;
  const Addresses found = addresses_of(host, port, hints, end, wanted);
  SOCKET s = INVALID_SOCKET;
  for (const addrinfo* a = found.get(); a && s == INVALID_SOCKET && Clock::now() < end;
       a = a->ai_next) {
    s = connect_within(*a, end, wanted);
  }
  return s == INVALID_SOCKET ? TcpConnection() : TcpConnection(static_cast<std::intptr_t>(s));
}

void TcpConnection::close() {
  if (socket_ != kNoSocket) closesocket(static_cast<SOCKET>(socket_));
  socket_ = kNoSocket;
}

bool TcpConnection::send(std::string_view text, std::chrono::milliseconds limit) {
  const auto end = Clock::now() + limit;
  const SOCKET s = static_cast<SOCKET>(socket_);
  while (is_open() && !text.empty()) {
    const int n = ::send(s, text.data(), static_cast<int>(text.size()), 0);
    if (n > 0) {
      text.remove_prefix(static_cast<std::size_t>(n));
    } else if (n == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) {
      if (!wait_for(s, false, end)) return false;
    } else {
      return false;
    }
  }
  return is_open();
}

TcpConnection::Received TcpConnection::receive(std::string& out, std::chrono::milliseconds limit) {
  if (!is_open()) return Received::hung_up;
  const SOCKET s = static_cast<SOCKET>(socket_);
  if (!wait_for(s, true, Clock::now() + limit)) return Received::nothing;
  char buffer[256];
  const int n = recv(s, buffer, sizeof buffer, 0);
  if (n > 0) {
    out.append(buffer, static_cast<std::size_t>(n));
    return Received::data;
  }
  if (n == SOCKET_ERROR && WSAGetLastError() == WSAEWOULDBLOCK) return Received::nothing;
  return Received::hung_up;
}
