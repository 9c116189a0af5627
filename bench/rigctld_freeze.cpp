// The longest the window's thread is held by a tuning through rigctld: each
// tuning is started (START's, or a picked repeater's) and ended (STOP) as the
// handlers do it, against rigctld as operators meet it: quick, 1.5 s an
// answer, silent, answering garbage, absent, and a pick that replaces a
// tuning under way. The tuning itself runs on its own thread.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench_report.h"
#include "console/console_handlers.h"
#include "settings/station_settings.h"
#include "support/recording_view.h"
#include "support/rigctld_process.h"
#include "support/rigctld_stand_in.h"
#include "support/temp_workdir.h"
#include "transceiver/rigctld_tuning.h"

namespace {

using namespace std::chrono_literals;

double held_ms(const std::function<void()>& on_window_thread) {
  const auto begin = std::chrono::steady_clock::now();
  on_window_thread();
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin)
      .count();
}

}  // namespace

int main(int argc, char** argv) {
  const BenchOptions options = parse_bench_options(argc, argv);
  TempWorkdir dir;
  RigctldProcess rigctld;
  if (!rigctld.ready()) {
    std::fprintf(stderr, "rigctld did not start\n");
    return 1;
  }
  struct Server {
    const char* name;
    std::vector<StandInRule> rules;
    std::chrono::milliseconds every_answer;
  } servers[] = {
      {"quick", {}, 0ms},
      {"1.5 s an answer", {}, 1500ms},
      {"silent", {{"\\chk_vfo"}}, 0ms},
      {"garbage", {{"\\chk_vfo", "\x01\x02garbage without end"}}, 0ms},
  };
  RecordingView view;
  set_text(station.transceiver_model, "rigctld");
  double longest = 0;
  for (const Server& server : servers) {
    RigctldStandIn stand_in(rigctld.address(), server.rules, server.every_answer);
    set_text(station.transceiver_address, stand_in.address());
    std::vector<double> held;
    for (int run = 0; run < options.runs; ++run) {
      set_text(station.frequency_khz, "439310");
      held.push_back(held_ms([&] { tune_and_keep_transceiver(view); }));
      std::this_thread::sleep_for(200ms);
      // A repeater picked while that tuning runs replaces it.
      set_text(station.frequency_khz, "439550");
      held.push_back(held_ms([&] { tune_and_keep_transceiver(view); }));
      std::this_thread::sleep_for(200ms);
      // STOP's share: the tuning ended (the file it saves is STOP's own work).
      held.push_back(held_ms([] { end_rigctld_tunings(); }));
      await_rigctld_tunings({}, 5s);
    }
    const double worst = *std::max_element(held.begin(), held.end());
    std::printf("%s: window's thread held at most %.3f ms\n", server.name, worst);
    longest = std::max(longest, worst);
  }
  set_text(station.transceiver_address, "127.0.0.1:" + std::to_string(free_loopback_port()));
  const double absent = held_ms([&] { tune_and_keep_transceiver(view); });
  await_rigctld_tunings({}, 5s);
  std::printf("absent: window's thread held %.3f ms\n", absent);
  print_result("rigctld_freeze_max_ms", std::max(longest, absent));
  end_rigctld_tunings();
  await_rigctld_tunings({}, 5s);
  return 0;
}
