#include "support/rigctld_process.h"

#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

int free_loopback_port() {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
  socklen_t length = sizeof a;
  ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length);
  ::close(fd);
  return ntohs(a.sin_port);
}

RigctldProcess::RigctldProcess(std::vector<std::string> arguments, int port)
    : port_(port > 0 ? port : free_loopback_port()) {
  arguments.insert(arguments.begin(), "rigctld");
  for (std::string more : {"-T", "127.0.0.1", "-t"}) arguments.push_back(more);
  arguments.push_back(std::to_string(port_));
  std::vector<char*> argv;
  for (std::string& a : arguments) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_ = ::fork();
  if (pid_ == 0) {
    ::execvp("rigctld", argv.data());
    ::_exit(127);
  }
  // rigctl's own question, which no radio has to answer, succeeds once
  // rigctld takes connections.
  const std::string check = "rigctl -m 2 -r " + address() + " '\\chk_vfo' >/dev/null 2>&1";
  for (int i = 0; i < 150 && !ready_; ++i) {
    ready_ = std::system(check.c_str()) == 0;
    if (!ready_) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

RigctldProcess::~RigctldProcess() {
  ::kill(pid_, SIGTERM);
  ::waitpid(pid_, nullptr, 0);
}

std::string RigctldProcess::query(const std::string& command) const {
  std::string out;
  const std::string line = "rigctl -m 2 -r " + address() + " " + command + " 2>/dev/null";
  if (FILE* rigctl = ::popen(line.c_str(), "r")) {
    for (int c; (c = std::fgetc(rigctl)) != EOF;) out += c == '\n' ? ' ' : static_cast<char>(c);
    ::pclose(rigctl);
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}
