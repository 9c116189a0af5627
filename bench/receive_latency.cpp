// How fast a heard station appears: a header report written to the adapter's
// pseudo-terminal, timed until its line is in the real window's Receiving box.
// Each line also goes to the heard log in the window's working folder; the
// lines found there afterwards show the log was on while timing.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "adapter/heard_log_writer.h"
#include "bench/bench_report.h"
#include "bench/linked_window.h"

namespace {

// Lines in the heard log files of the working folder, column lines left out.
int heard_log_lines() {
  heard_log_drain(std::chrono::seconds(10));
  int lines = 0;
  for (const auto& entry : std::filesystem::directory_iterator(".")) {
    if (entry.path().filename().string().rfind("D-STAR_heard_", 0) != 0) continue;
    std::ifstream in(entry.path());
    for (std::string line; std::getline(in, line);) lines += line.rfind("utc,", 0) != 0;
  }
  return lines;
}

}  // namespace

int main(int argc, char** argv) {
  const int reports = parse_bench_options(argc, argv).reports;
  return run_with_linked_window(argv, [&](LinkedWindow& window) {
    std::vector<double> latencies;
    for (int i = 0; i < reports; ++i) {
      const double ms = window.time_report(header_report(caller(i)), kHeaderLineChars);
      if (ms < 0) {
        std::fprintf(stderr, "report %d never reached the Receiving box\n", i + 1);
        return 1;
      }
      latencies.push_back(ms);
    }
    std::printf("%d header reports: p50 %.3f ms, p99 %.3f ms, worst %.3f ms\n", reports,
                percentile(latencies, 0.5), percentile(latencies, 0.99),
                percentile(latencies, 1.0));
    print_result("latency_p50_ms", percentile(latencies, 0.5));
    print_result("latency_p99_ms", percentile(latencies, 0.99));
    print_result("latency_worst_ms", percentile(latencies, 1.0));
    print_result("heard_log_lines", heard_log_lines());
    return 0;
  });
}
