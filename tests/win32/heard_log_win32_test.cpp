// The heard log on Windows: each month's file starts with its column line
// and takes every heard header as one whole line at its end.

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <string>

#include "adapter/heard_log_writer.h"
#include "support/temp_workdir.h"

namespace {

using namespace std::chrono;
using namespace std::chrono_literals;

HeardTime fake_now;
HeardTime read_fake_clock() { return fake_now; }

TEST(HeardLogWin32, HeardHeadersAreAppendedToTheirMonthsFileAfterTheColumnLine) {
  TempWorkdir dir;
  set_heard_log_clock(read_fake_clock);
  const sys_days nov30 = 2026y / November / 30;
  const struct {
    HeardTime at;
    const char* stamp;
  } heard[] = {
      {nov30 + 23h + 59min + 59s + 999ms, "2026-11-30T23:59:59.999Z"},
      {nov30 + 24h, "2026-12-01T00:00:00.000Z"},
      {nov30 + 25h, "2026-12-01T01:00:00.000Z"},
  };
  // RPT2, RPT1, UR, MY as the adapter sends them.
  const std::string fields = "QR3KTG GQR3KTA ACQCQCQ  QR1ABC  ";
  std::array<std::uint8_t, 33> header{};
  for (std::size_t i = 0; i < fields.size(); ++i) header[i] = static_cast<std::uint8_t>(fields[i]);
  for (const auto& h : heard) {
    fake_now = h.at;
    log_heard_header(header);
    ASSERT_TRUE(heard_log_drain(5s));
  }
  const std::string line = ",QR1ABC  ,CQCQCQ  ,QR3KTA A,QR3KTG G\n";
  const std::string columns = "utc,my,ur,rpt1,rpt2\n";
  EXPECT_EQ(dir.read_file("D-STAR_heard_2026-11.csv"), columns + heard[0].stamp + line);
  EXPECT_EQ(dir.read_file("D-STAR_heard_2026-12.csv"),
            columns + heard[1].stamp + line + heard[2].stamp + line);
  set_heard_log_clock(nullptr);
}

}  // namespace
