// Whether the console slows down or bloats after a long session: the
// Receiving box is filled with 100,000 header lines, then more lines come
// through the adapter's pseudo-terminal and each is timed; the process's
// resident memory follows. The lines are put in at once by default; with
// --typed they are typed in character by character as the receive loop
// does (with its undo history), which takes many minutes.

#include <QApplication>
#include <QTextCursor>
#include <QTextDocument>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "adapter/frame_parser.h"
#include "bench/bench_report.h"
#include "bench/linked_window.h"

int main(int argc, char** argv) {
  const BenchOptions options = parse_bench_options(argc, argv);
  const int lines = options.lines;
  const int timed = options.timed;
  const bool typed = options.typed;
  return run_with_linked_window(argv, [&](LinkedWindow& window) {
    using Clock = std::chrono::steady_clock;
    const auto fill_begin = Clock::now();
    if (!typed) {
      // The lines a session would have left, in one edit, caret at the end.
      QTextCursor cursor(window.receiving().document());
      cursor.movePosition(QTextCursor::End);
      cursor.beginEditBlock();
      for (int i = 0; i < lines; ++i) {
        std::string line(1, '\n');
        line += caller(i);
        line += " CQCQCQ   QR3KTA A QR3KTG G";
        cursor.insertText(QString::fromStdString(line));
      }
      cursor.endEditBlock();
      window.receiving().setTextCursor(cursor);
      QApplication::processEvents();
      std::printf("box filled with %d lines in %.0f ms\n",
                  window.receiving().document()->blockCount() - 1,
                  std::chrono::duration<double, std::milli>(Clock::now() - fill_begin).count());
    }
    // Otherwise the same typing into the box, on the window's thread so it
    // takes minutes less than through the port.
    AdapterFrameParser parser;
    const int step = std::max(1, lines / 10);
    auto stretch = Clock::now();
    for (int i = 0; typed && i < lines; ++i) {
      for (std::uint8_t b : header_report(caller(i))) feed_byte(parser, window.view(), b);
      if ((i + 1) % 100 == 0) QApplication::processEvents();
      if ((i + 1) % step == 0) {
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - stretch).count();
        std::printf("%6d lines: %.3f ms per line over the last %d, %.0f MB resident\n", i + 1,
                    ms / step, step, resident_mb());
        std::fflush(stdout);
        stretch = Clock::now();
      }
    }

    std::vector<double> per_line;
    for (int i = 0; i < timed; ++i) {
      const double ms = window.time_report(header_report(caller(lines + i)), kHeaderLineChars);
      if (ms < 0) {
        std::fprintf(stderr, "line %d after the session never reached the box\n", i + 1);
        return 1;
      }
      per_line.push_back(ms);
    }
    const int box_lines = window.receiving().document()->blockCount();
    std::printf("box holds %d lines; one more line: p50 %.3f ms, p99 %.3f ms\n", box_lines,
                percentile(per_line, 0.5), percentile(per_line, 0.99));
    print_result("long_session_line_ms", percentile(per_line, 0.5));
    print_result("long_session_line_p99_ms", percentile(per_line, 0.99));
    print_result("long_session_rss_mb", resident_mb());
    return 0;
  });
}
