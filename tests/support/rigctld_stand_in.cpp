#include "support/rigctld_stand_in.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

bool readable(int fd, int ms) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, ms) > 0;
}

void write_all(int fd, const std::string& text) {
  for (std::size_t at = 0; at < text.size();) {
    const ssize_t n = ::send(fd, text.data() + at, text.size() - at, MSG_NOSIGNAL);
    if (n <= 0) return;
    at += static_cast<std::size_t>(n);
  }
}

int connect_to(const std::string& address) {
  const std::size_t colon = address.rfind(':');
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<std::uint16_t>(std::stoi(address.substr(colon + 1))));
  ::inet_pton(AF_INET, address.substr(0, colon).c_str(), &a.sin_addr);
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

// rigctld's answer to one line: through its RPRT line in the extended form,
// one line otherwise.
std::string read_answer(int fd, bool extended) {
  std::string answer;
  char c;
  while (readable(fd, 5000) && ::recv(fd, &c, 1, 0) == 1) {
    answer += c;
    if (c != '\n') continue;
    const std::size_t line = answer.rfind('\n', answer.size() - 2);
    const std::string last = answer.substr(line == std::string::npos ? 0 : line + 1);
    if (!extended || last.starts_with("RPRT")) break;
  }
  return answer;
}

}  // namespace

RigctldStandIn::RigctldStandIn(std::string rigctld_address, std::vector<StandInRule> rules,
                               std::string greeting, std::chrono::milliseconds every_answer,
                               int port)
    : upstream_(std::move(rigctld_address)),
      rules_(std::move(rules)),
      greeting_(std::move(greeting)),
      every_answer_(every_answer) {
  listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{AF_INET, htons(static_cast<std::uint16_t>(port)), {htonl(INADDR_LOOPBACK)}, {}};
  socklen_t length = sizeof a;
  const int reuse = 1;
  ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
  ::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a);
  ::listen(listener_, 4);
  ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &length);
  port_ = ntohs(a.sin_port);
  thread_ = std::thread([this] { serve(); });
}

RigctldStandIn::~RigctldStandIn() {
  stop_ = true;
  thread_.join();
  ::close(listener_);
}

void RigctldStandIn::serve() {
  while (!stop_) {
    if (!readable(listener_, 20)) continue;
    const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) continue;
    const int upstream = connect_to(upstream_);
    write_all(client, greeting_);
    std::string pending;
    while (!stop_) {
      if (!readable(client, 20)) continue;
      char buffer[512];
      const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      pending.append(buffer, static_cast<std::size_t>(n));
      for (std::size_t end; (end = pending.find('\n')) != std::string::npos;) {
        answer(client, pending.substr(0, end), upstream);
        pending.erase(0, end + 1);
      }
    }
    ::close(client);
    if (upstream >= 0) ::close(upstream);
  }
}

void RigctldStandIn::answer(int client, const std::string& line, int upstream) {
  const StandInRule* rule = nullptr;
  for (const StandInRule& r : rules_) {
    if (line.starts_with(r.line_start)) rule = &r;
  }
  if (rule && rule->silent) return;
  const auto until = std::chrono::steady_clock::now() + (rule ? rule->delay : every_answer_);
  while (!stop_ && std::chrono::steady_clock::now() < until) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (rule && !rule->raw.empty()) {
    write_all(client, rule->raw);
    return;
  }
  write_all(upstream, line + "\n");
  std::string reply = read_answer(upstream, line.starts_with("+"));
  if (rule && !rule->code.empty()) {
    const std::size_t report = reply.rfind("RPRT ");
    if (report != std::string::npos) reply = reply.substr(0, report) + "RPRT " + rule->code + "\n";
  }
  write_all(client, reply);
}
