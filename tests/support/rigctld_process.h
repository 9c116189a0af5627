#pragma once
// hamlib's rigctld as the tests' far end: started on a free loopback port,
// its radio's state read back with rigctl -m 2, stopped at the end.

#include <sys/types.h>

#include <string>
#include <vector>

// A loopback port nobody listens on at the moment it is asked for.
int free_loopback_port();

class RigctldProcess {
 public:
  // rigctld -m 1 (its dummy rig) unless other arguments are given, on
  // `port`, or on a free one.
  explicit RigctldProcess(std::vector<std::string> arguments = {"-m", "1"}, int port = 0);
  ~RigctldProcess();
  RigctldProcess(const RigctldProcess&) = delete;
  RigctldProcess& operator=(const RigctldProcess&) = delete;

  // True once it takes connections; a backend that finds no radio takes
  // some seconds before it listens.
  bool ready() const { return ready_; }
  std::string address() const { return "127.0.0.1:" + std::to_string(port_); }
  // What rigctl -m 2 prints for one query ("f", "o", "r", "m"), lines
  // joined with spaces.
  std::string query(const std::string& command) const;

 private:
  int port_ = 0;
  pid_t pid_ = -1;
  bool ready_ = false;
};
