#pragma once
// What the process holds, counted from /proc: descriptors, threads and the
// CPU time used, so a long run can show it gives everything back and a
// waiting thread can show it does not spin.

#include <chrono>

int open_descriptors();
int threads_now();
// The thread count before a test starts threads. A throwaway thread first
// makes any helper thread the sanitizers start with the first thread exist
// already.
int threads_at_rest();
// A joined thread may linger in /proc for a moment after the join.
int threads_after_settling(int expected);
std::chrono::nanoseconds process_cpu_time();
