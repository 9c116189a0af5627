#include "bench/process_wakeups.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

ThreadSwitches read_thread(const std::string& task_dir) {
  ThreadSwitches thread;
  std::ifstream status(task_dir + "/status");
  std::string line;
  while (std::getline(status, line)) {
    const auto colon = line.find(':');
    if (colon == std::string::npos) continue;
    const std::string key = line.substr(0, colon);
    std::istringstream value(line.substr(colon + 1));
    if (key == "Name") {
      value >> thread.name;
    } else if (key == "voluntary_ctxt_switches" || key == "nonvoluntary_ctxt_switches") {
      long n = 0;
      value >> n;
      thread.switches += n;
    }
  }
  return thread;
}

}  // namespace

std::map<int, ThreadSwitches> thread_switches(int pid) {
  const std::string tasks =
      pid == 0 ? std::string("/proc/self/task") : "/proc/" + std::to_string(pid) + "/task";
  std::map<int, ThreadSwitches> threads;
  DIR* dir = opendir(tasks.c_str());
  if (!dir) return threads;
  while (const dirent* entry = readdir(dir)) {
    const int tid = std::atoi(entry->d_name);
    if (tid <= 0) continue;
    threads[tid] = read_thread(tasks + "/" + entry->d_name);
    if (tid == (pid == 0 ? getpid() : pid)) threads[tid].name = "main";
  }
  closedir(dir);
  return threads;
}

long total_switches(const std::map<int, ThreadSwitches>& threads) {
  long total = 0;
  for (const auto& [tid, thread] : threads) total += thread.switches;
  return total;
}

std::string switches_between(const std::map<int, ThreadSwitches>& before,
                             const std::map<int, ThreadSwitches>& after) {
  std::string out;
  for (const auto& [tid, thread] : after) {
    const auto earlier = before.find(tid);
    const long n = thread.switches - (earlier == before.end() ? 0 : earlier->second.switches);
    if (n == 0) continue;
    if (!out.empty()) out += ", ";
    out += thread.name + " " + std::to_string(n);
  }
  return out.empty() ? "none" : out;
}
