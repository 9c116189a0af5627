#pragma once
// A scripted stand-in for rigctld on a loopback port (a free one unless
// given): each line goes on to a real rigctld (if any) and its answer back, delayed
// by `every_answer`, except where a rule names the line.

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

struct StandInRule {
  std::string line_start;  // "+M PKTFM"
  std::string raw{};       // sent in place of the answer; none: nothing is
};

class RigctldStandIn {
 public:
  RigctldStandIn(std::string rigctld_address, std::vector<StandInRule> rules,
                 std::chrono::milliseconds every_answer = {}, int port = 0);
  ~RigctldStandIn();
  std::string address() const { return "127.0.0.1:" + std::to_string(port_); }

 private:
  void serve(int client);
  std::string upstream_;
  std::vector<StandInRule> rules_;
  std::chrono::milliseconds every_answer_;
  int listener_ = -1, port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};
