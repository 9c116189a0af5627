#pragma once
// Options and output shared by the benchmark programs that time one whole
// operation. Each figure is printed as "result <name> <value>", the line the
// table driver looks for; everything else they print is for the reader.

#include <string>
#include <vector>

struct BenchOptions {
  int runs = 5;             // --runs N
  long pacing_divisor = 1;  // --divisor N: pauses shortened N times
  double seconds = 10.0;    // --seconds S: length of a quiet spell
  int reports = 1000;       // --reports N: header reports timed one by one
  int lines = 100000;       // --lines N: header lines in a long session
  int timed = 200;          // --timed N: of those, the lines timed
  bool typed = false;       // --typed: a long session's lines typed one by one
  int crowd = 0;            // --crowd N: N other processes of 100 descriptors each
};

// Unknown options end the program with a usage line.
BenchOptions parse_bench_options(int argc, char** argv);

void print_result(const std::string& name, double value);

// Median of the values; 0 for none.
double median(std::vector<double> values);
// The value below which the given fraction (0.99 for p99) of them lie.
double percentile(std::vector<double> values, double fraction);

// Resident memory of a process (0 for this one) in MB, from /proc.
double resident_mb(int pid = 0);
