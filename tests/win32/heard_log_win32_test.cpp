// The heard log on Windows: each month's file starts with its column line
// and takes every heard header as one whole line at its end.

#include <gtest/gtest.h>

#include "support/heard_log_cases.h"

namespace {

HeardTime fake_now;
HeardTime read_fake_clock() { return fake_now; }

TEST(HeardLogWin32, HeardHeadersAreAppendedToTheirMonthsFileAfterTheColumnLine) {
  TempWorkdir dir;
  set_heard_log_clock(read_fake_clock);
  for (const HeardAt& h : kAroundMonthEnds) {
    fake_now = h.at;
    log_heard_header(header_of(kRepeaters + "QR1ABC  "));
    ASSERT_TRUE(heard_log_drain(std::chrono::seconds(5)));
  }
  expect_month_files(dir);
  set_heard_log_clock(nullptr);
}

}  // namespace
