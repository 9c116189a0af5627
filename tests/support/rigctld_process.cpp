#include "support/rigctld_process.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

namespace {

int loopback_socket(int port, bool listen_on_it) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(static_cast<std::uint16_t>(port));
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const auto* address = reinterpret_cast<const sockaddr*>(&a);
  const int done = listen_on_it ? ::bind(fd, address, sizeof a) : ::connect(fd, address, sizeof a);
  if (done != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

int free_loopback_port() {
  const int fd = loopback_socket(0, true);
  sockaddr_in a{};
  socklen_t length = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length);
  ::close(fd);
  return ntohs(a.sin_port);
}

RigctldProcess::RigctldProcess(std::vector<std::string> arguments, int port)
    : port_(port > 0 ? port : free_loopback_port()) {
  arguments.insert(arguments.begin(), "rigctld");
  for (const char* more : {"-T", "127.0.0.1", "-t"}) arguments.push_back(more);
  arguments.push_back(std::to_string(port_));
  std::vector<char*> argv;
  for (std::string& a : arguments) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_ = ::fork();
  if (pid_ == 0) {
    ::execvp("rigctld", argv.data());
    ::_exit(127);
  }
  for (int i = 0; i < 1500 && !ready_; ++i) {
    const int fd = loopback_socket(port_, false);
    ready_ = fd >= 0;
    if (fd >= 0) ::close(fd);
    if (!ready_) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

RigctldProcess::~RigctldProcess() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  ::waitpid(pid_, nullptr, 0);
}

std::string RigctldProcess::query(const std::string& command) const {
  const std::string line = "rigctl -m 2 -r " + address() + " " + command + " 2>&1";
  std::string out;
  if (FILE* rigctl = ::popen(line.c_str(), "r")) {
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, rigctl)) out += buffer;
    ::pclose(rigctl);
  }
  for (char& c : out) c = c == '\n' ? ' ' : c;
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}
