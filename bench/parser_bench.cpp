// How fast the receive thread turns adapter bytes into lines and status
// texts: a stream of header reports, each followed by a status report, as
// a busy repeater would send them.

#include <benchmark/benchmark.h>

#include <cstdint>

#include "adapter/frame_parser.h"
#include "adapter/heard_log_writer.h"
#include "bench/adapter_reports.h"
#include "support/recording_view.h"

namespace {

ReportBytes mixed_stream() {
  ReportBytes out;
  for (int i = 0; i < 1024; ++i) {
    const ReportBytes header = header_report(caller(i));
    const ReportBytes status = status_report(static_cast<std::uint8_t>(i % 3));
    out.insert(out.end(), header.begin(), header.end());
    out.insert(out.end(), status.begin(), status.end());
  }
  return out;
}

void BM_FeedByteMixedFrames(benchmark::State& state) {
  const ReportBytes stream = mixed_stream();
  CallLogView view{CallLogView::counts_only};
  AdapterFrameParser parser;
  set_heard_log_on(false);  // the parser alone; a million headers a second would flood the disk
  for (auto _ : state) {
    for (std::uint8_t b : stream) feed_byte(parser, view, b);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(stream.size()));
  // Every header shows one line of 36 typed characters, every status one text.
  if (view.count(ViewCall::type_char) !=
      static_cast<long>(state.iterations()) * 1024 * kHeaderLineChars) {
    state.SkipWithError("the parser did not show every header line");
  }
}
BENCHMARK(BM_FeedByteMixedFrames);

}  // namespace

BENCHMARK_MAIN();
