// How fast the receive thread turns adapter bytes into lines and status
// texts: a stream of header reports, each followed by a status report, as
// a busy repeater would send them.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "adapter/frame_parser.h"
#include "bench/bench_view.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void append(Bytes& out, std::initializer_list<std::uint8_t> bytes) { out.insert(out.end(), bytes); }
void append(Bytes& out, const std::string& text) { out.insert(out.end(), text.begin(), text.end()); }

// FE FE 7F 01 1D 04, RPT2 RPT1 UR MY and one more byte, FD.
void header_report(Bytes& out, const std::string& my) {
  append(out, {0xFE, 0xFE, 0x7F, 0x01, 0x1D, 0x04});
  append(out, "QR3KTG G" "QR3KTA A" "CQCQCQ  ");
  append(out, my);
  append(out, {0x00, 0xFD});
}

// FE FE 7F 01 1D 00, two status bytes, the code, FD.
void status_report(Bytes& out, std::uint8_t code) {
  append(out, {0xFE, 0xFE, 0x7F, 0x01, 0x1D, 0x00, 0x00, 0x00, code, 0xFD});
}

Bytes mixed_stream() {
  const char* callers[] = {"QR3XYZ X", "QR1ABC  ", "QR7QQQ A", "QR0KST B"};
  Bytes out;
  for (int i = 0; i < 1024; ++i) {
    header_report(out, callers[i % 4]);
    status_report(out, static_cast<std::uint8_t>(i % 3));
  }
  return out;
}

void BM_FeedByteMixedFrames(benchmark::State& state) {
  const Bytes stream = mixed_stream();
  BenchView view;
  AdapterFrameParser parser;
  for (auto _ : state) {
    for (std::uint8_t b : stream) feed_byte(parser, view, b);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(stream.size()));
  // Every header shows one line of 36 typed characters, every status one text.
  if (view.chars_typed != static_cast<long>(state.iterations()) * 1024 * 36) {
    state.SkipWithError("the parser did not show every header line");
  }
}
BENCHMARK(BM_FeedByteMixedFrames);

}  // namespace

BENCHMARK_MAIN();
