#pragma once
// A scripted stand-in for rigctld: it listens on a free loopback port and
// passes each line to a real rigctld, its answer back, except where a rule
// names the line: then it refuses, delays, or answers with bytes of its own. It listens on a free
// loopback port unless given one.

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

struct StandInRule {
  std::string line_start;  // the client's line starts so ("+M PKTFM")
  std::string code;        // non-empty: rigctld's echo kept, this RPRT code sent
  std::string raw;         // non-empty: sent in place of the answer
  std::chrono::milliseconds delay{0};
  bool silent = false;  // nothing is answered at all
};

class RigctldStandIn {
 public:
  // `greeting` goes to each client as it connects; `every_answer` delays
  // each answer that no rule names.
  RigctldStandIn(std::string rigctld_address, std::vector<StandInRule> rules,
                 std::string greeting = {},
                 std::chrono::milliseconds every_answer = std::chrono::milliseconds(0),
                 int port = 0);
  ~RigctldStandIn();
  RigctldStandIn(const RigctldStandIn&) = delete;
  RigctldStandIn& operator=(const RigctldStandIn&) = delete;

  std::string address() const { return "127.0.0.1:" + std::to_string(port_); }

 private:
  void serve();
  void answer(int client, const std::string& line, int upstream);

  std::string upstream_;
  std::vector<StandInRule> rules_;
  std::string greeting_;
  std::chrono::milliseconds every_answer_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};
