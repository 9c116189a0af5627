#include "bench/bench_report.h"

#include <getopt.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

// The whole word must be a number in range: atoi would read "3x" as 3 and
// "x" as 0.
bool whole_number(const char* text, long low, long high, long& out) {
  if (text[0] < '0' || text[0] > '9') return false;
  char* end = nullptr;
  errno = 0;
  const long n = std::strtol(text, &end, 10);
  if (errno != 0 || *end != '\0' || n < low || n > high) return false;
  out = n;
  return true;
}

bool seconds_in_range(const char* text, double& out) {
  if (!((text[0] >= '0' && text[0] <= '9') || text[0] == '.')) return false;
  char* end = nullptr;
  const double v = std::strtod(text, &end);
  if (*end != '\0' || !std::isfinite(v) || v < 0.01 || v > 86400) return false;
  out = v;
  return true;
}

[[noreturn]] void refuse(const char* program, const std::string& why) {
  std::fprintf(stderr,
               "%s: %s\nusage: %s [--runs N] [--divisor N] [--seconds S] [--reports N] [--lines N] "
               "[--timed N] [--typed] [--crowd N]\n",
               program, why.c_str(), program);
  std::exit(2);
}

}  // namespace

BenchOptions parse_bench_options(int argc, char** argv) {
  static const option kOptions[] = {
      {"runs", required_argument, nullptr, 'r'},
      {"divisor", required_argument, nullptr, 'd'},
      {"seconds", required_argument, nullptr, 's'},
      {"reports", required_argument, nullptr, 'R'},
      {"lines", required_argument, nullptr, 'l'},
      {"timed", required_argument, nullptr, 't'},
      {"typed", no_argument, nullptr, 'T'},
      {"crowd", required_argument, nullptr, 'c'},
      {nullptr, 0, nullptr, 0},
  };
  BenchOptions options;
  opterr = 0;  // our own messages
  for (;;) {
    // "+": stop at the first non-option and leave argv in order for Qt.
    const int word = std::min(optind, argc - 1);
    const int key = getopt_long(argc, argv, "+:", kOptions, nullptr);
    if (key == -1) break;
    long n = 0;
    switch (key) {
      case 'r':
        if (!whole_number(optarg, 1, 100000, n))
          refuse(argv[0], std::string("--runs needs a whole number from 1 to 100000, not \"") +
                              optarg + '"');
        options.runs = static_cast<int>(n);
        break;
      case 'd':
        if (!whole_number(optarg, 1, 1000000000, n))
          refuse(argv[0],
                 std::string("--divisor needs a whole number from 1 to 1000000000, not \"") +
                     optarg + '"');
        options.pacing_divisor = n;
        break;
      case 's':
        if (!seconds_in_range(optarg, options.seconds))
          refuse(argv[0],
                 std::string("--seconds needs a number of seconds from 0.01 to 86400, not \"") +
                     optarg + '"');
        break;
      case 'R':
      case 'l':
      case 't': {
        const char* name = key == 'R' ? "--reports" : key == 'l' ? "--lines" : "--timed";
        if (!whole_number(optarg, 1, 10000000, n))
          refuse(argv[0], std::string(name) + " needs a whole number from 1 to 10000000, not \"" +
                              optarg + '"');
        (key == 'R'   ? options.reports
         : key == 'l' ? options.lines
                      : options.timed) = static_cast<int>(n);
        break;
      }
      case 'T':
        options.typed = true;
        break;
      case 'c':
        if (!whole_number(optarg, 0, 10000, n))
          refuse(argv[0], std::string("--crowd needs a whole number from 0 to 10000, not \"") +
                              optarg + '"');
        options.crowd = static_cast<int>(n);
        break;
      case ':':
        refuse(argv[0], std::string(argv[word]) + " needs a value");
      default:
        refuse(argv[0], std::string("unknown option ") + argv[word]);
    }
  }
  if (optind < argc) refuse(argv[0], std::string("unknown option ") + argv[optind]);
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
