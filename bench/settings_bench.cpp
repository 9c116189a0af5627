// What window creation and every pick of a repeater cost in reading: the
// 256-line repeater list into the two lists, and the settings lines.

#include <benchmark/benchmark.h>

#include <string>

#include "settings/repeater_import.h"
#include "settings/repeater_lists.h"
#include "settings/settings_files.h"
#include "settings/station_settings.h"
#include "support/recording_view.h"
#include "support/temp_workdir.h"

namespace {

constexpr int kRepeaterLines = 256;
const char* const kAreas[] = {"JP1", "JP2", "JP3", "JP4", "JP5", "JP6", "JP7", "JP8", "JP9", "JP0"};

// A full list: a comment line on top, then 256 repeaters spread over the ten
// call areas, some with a trailing comment, some without gateway.
std::string repeater_list() {
  std::string text = "// Repeaters of the whole country\n";
  for (int i = 0; i < kRepeaterLines; ++i) {
    const std::string area = kAreas[i % 10];
    const std::string call = "QR" + std::to_string(i % 10) + "R" + std::to_string(100 + i);
    text += area + ",Site" + std::to_string(i) + "(NI" + std::to_string(i % 100) + ")," +
            std::to_string(439010 + 10 * (i % 90)) + ",-5000," + call + " A,";
    text += i % 7 == 0 ? "None" : call + " G";
    if (i % 5 == 0) text += " // club";
    text += '\n';
  }
  return text;
}

// One working folder with the files for the whole run.
void folder_with_list() {
  static TempWorkdir dir;
  static const bool written = [] {
    dir.write_file(kRepeaterListFile, repeater_list());
    dir.write_file(kAdapterSettingsFile, "QR3WMN D,F817,JP1,QR3KTA A,QR3KTA B,7");
    return true;
  }();
  (void)written;
}

void BM_FillHisRepeaterList256(benchmark::State& state) {
  folder_with_list();
  CallLogView view{CallLogView::counts_only};
  for (auto _ : state) fill_his_repeater_list(view);
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kRepeaterLines);
  if (view.count(ViewCall::list_append) != static_cast<long>(state.iterations()) * kRepeaterLines) {
    state.SkipWithError("not every repeater reached the list");
  }
}
BENCHMARK(BM_FillHisRepeaterList256)->Unit(benchmark::kMicrosecond);

// The whole file is read; the lines of one call area (26 of 256) are kept.
void BM_FillMyRepeaterList256(benchmark::State& state) {
  folder_with_list();
  CallLogView view{CallLogView::counts_only};
  for (auto _ : state) fill_my_repeater_list(view, kRepeaterListFile, "JP1");
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kRepeaterLines);
  if (view.count(ViewCall::list_append) != static_cast<long>(state.iterations()) * 26) {
    state.SkipWithError("the area's repeaters did not all reach the list");
  }
}
BENCHMARK(BM_FillMyRepeaterList256)->Unit(benchmark::kMicrosecond);

struct SettingsLine {
  SettingsKind kind;
  const char* line;
};
const SettingsLine kLines[] = {
    {SettingsKind::adapter, "QR3WMN D,F817,JP1,QR3KTA A,QR3KTA B,7"},
    {SettingsKind::transceiver, "FT-817,8,439310,-5000,PKT,Dummy "},
    {SettingsKind::my_repeater, "JP1,Hilltop430(NI43),439310,-5000,QR3KTA A,QR3KTG G"},
    {SettingsKind::his_repeater, "JP1,Hilltop1200(NI12),1291570,-20000,QR3KTA B,QR3KTG G"},
};

void BM_ParseSettingsLine(benchmark::State& state) {
  const SettingsLine& line = kLines[state.range(0)];
  CallLogView view{CallLogView::counts_only};
  for (auto _ : state) parse_settings_line(view, line.line, line.kind);
  reset_station_settings();
}
BENCHMARK(BM_ParseSettingsLine)
    ->ArgName("adapter0_transceiver1_my2_his3")
    ->DenseRange(0, 3)
    ->Unit(benchmark::kNanosecond);

// Opening the window starts with this: the file's first line, then its fields.
void BM_ReadAdapterSettingsFile(benchmark::State& state) {
  folder_with_list();
  CallLogView view{CallLogView::counts_only};
  for (auto _ : state) {
    std::string line = read_first_line(view, kAdapterSettingsFile);
    parse_settings_line(view, line, SettingsKind::adapter);
  }
  reset_station_settings();
  if (view.count(ViewCall::message_box) != 0)
    state.SkipWithError("the settings file could not be read");
}
BENCHMARK(BM_ReadAdapterSettingsFile)->Unit(benchmark::kMicrosecond);

// A table of 8000 groups: the importer settles every group's area before
// the first line, with the list locked. Names that share their first 7
// bytes ("Region 0001" ...) are the costly kind.
void BM_AreasOf8000Groups(benchmark::State& state) {
  std::vector<std::string> groups;
  for (int i = 0; i < 8000; ++i) groups.push_back("Region " + std::to_string(10000 + i));
  for (auto _ : state) benchmark::DoNotOptimize(areas_of_groups(groups, TextEncoding::utf8));
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * 8000);
}
BENCHMARK(BM_AreasOf8000Groups)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
