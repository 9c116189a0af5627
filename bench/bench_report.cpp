#include "bench/bench_report.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

BenchOptions parse_bench_options(int argc, char** argv) {
  BenchOptions options;
  for (int i = 1; i < argc; ++i) {
    const bool has_value = i + 1 < argc;
    if (has_value && std::strcmp(argv[i], "--runs") == 0) {
      options.runs = std::max(1, std::atoi(argv[++i]));
    } else if (has_value && std::strcmp(argv[i], "--divisor") == 0) {
      options.pacing_divisor = std::max(1L, std::atol(argv[++i]));
    } else if (has_value && std::strcmp(argv[i], "--seconds") == 0) {
      options.seconds = std::max(0.01, std::atof(argv[++i]));
    } else {
      std::fprintf(stderr, "usage: %s [--runs N] [--divisor N] [--seconds S]\n", argv[0]);
      std::exit(2);
    }
  }
  return options;
}

void print_result(const std::string& name, double value) {
  std::printf("result %s %.4f\n", name.c_str(), value);
  std::fflush(stdout);
}

double median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const std::size_t mid = values.size() / 2;
  return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

double percentile(std::vector<double> values, double fraction) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const double rank = fraction * static_cast<double>(values.size() - 1);
  return values[static_cast<std::size_t>(rank + 0.5)];
}

double resident_mb(int pid) {
  std::ifstream status(pid == 0 ? std::string("/proc/self/status")
                                 : "/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmRSS:", 0) != 0) continue;
    std::istringstream fields(line.substr(6));
    double kb = 0;
    fields >> kb;
    return kb / 1024.0;
  }
  return 0;
}
