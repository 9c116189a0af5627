#pragma once
// How often a process wakes: the voluntary and involuntary context switches
// of every one of its threads, read from /proc/PID/task/*/status. Each time a
// thread blocks and is woken again counts once; /proc/PID/status alone would
// show only the main thread.

#include <map>
#include <string>

struct ThreadSwitches {
  std::string name;
  long switches = 0;
};

// By thread id; pid 0 is this process.
std::map<int, ThreadSwitches> thread_switches(int pid = 0);

long total_switches(const std::map<int, ThreadSwitches>& threads);

// "main 1, kestrel-rx 3": the threads that switched between two readings.
std::string switches_between(const std::map<int, ThreadSwitches>& before,
                             const std::map<int, ThreadSwitches>& after);
