#include "support/rigctld_stand_in.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

bool readable(int fd, int ms) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, ms) > 0;
}

// Listening on, or connected to, a loopback port; -1 when that fails.
int socket_at(int port, bool listening) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{AF_INET, htons(static_cast<std::uint16_t>(port)), {htonl(INADDR_LOOPBACK)}, {}};
  const int reuse = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
  auto* at = reinterpret_cast<sockaddr*>(&a);
  if (listening) return ::bind(fd, at, sizeof a) == 0 && ::listen(fd, 4) == 0 ? fd : -1;
  return ::connect(fd, at, sizeof a) == 0 ? fd : -1;
}

}  // namespace

RigctldStandIn::RigctldStandIn(std::string rigctld_address, std::vector<StandInRule> rules,
                               std::chrono::milliseconds every_answer, int port)
    : upstream_(std::move(rigctld_address)),
      rules_(std::move(rules)),
      every_answer_(every_answer),
      listener_(socket_at(port, true)) {
  sockaddr_in a{};
  socklen_t length = sizeof a;
  ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &length);
  port_ = ntohs(a.sin_port);
  thread_ = std::thread([this] {
    while (!stop_) {
      if (readable(listener_, 20)) serve(::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC));
    }
  });
}

RigctldStandIn::~RigctldStandIn() {
  stop_ = true;
  thread_.join();
  ::close(listener_);
}

void RigctldStandIn::serve(int client) {
  const std::size_t colon = upstream_.rfind(':');
  const int upstream =
      colon == std::string::npos ? -1 : socket_at(std::stoi(upstream_.substr(colon + 1)), false);
  std::string line;
  for (char c; !stop_;) {
    if (!readable(client, 20)) continue;
    if (::recv(client, &c, 1, 0) != 1) break;
    if (c != '\n') {
      line += c;
      continue;
    }
    const StandInRule* rule = nullptr;
    for (const StandInRule& r : rules_) rule = line.starts_with(r.line_start) ? &r : rule;
    for (auto until = std::chrono::steady_clock::now() + every_answer_;
         !stop_ && std::chrono::steady_clock::now() < until;) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::string reply = rule ? rule->raw : "";
    if (!rule) {
      ::send(upstream, (line + "\n").data(), line.size() + 1, MSG_NOSIGNAL);
      // Its answer: through the RPRT line in the extended form, else one line.
      for (char a; readable(upstream, 5000) && ::recv(upstream, &a, 1, 0) == 1;) {
        reply += a;
        const std::size_t last = reply.rfind('\n', reply.size() - 2);
        if (a == '\n' && (line[0] != '+' || reply.compare(last + 1, 4, "RPRT") == 0)) break;
      }
    }
    ::send(client, reply.data(), reply.size(), MSG_NOSIGNAL);
    line.clear();
  }
  ::close(client);
  ::close(upstream);
}
