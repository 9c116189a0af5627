#pragma once
// Heard-log cases shared by the Linux and Windows test programs: headers as
// the adapter sends them and the month files they must land in.

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "adapter/heard_log_append.h"
#include "adapter/heard_log_writer.h"
#include "support/byte_literals.h"
#include "support/temp_workdir.h"

// Header bytes as the adapter sends them: RPT2, RPT1, UR, MY.
inline std::array<std::uint8_t, 33> header_of(const std::string& rpt2_rpt1_ur_my) {
  std::array<std::uint8_t, 33> header{};
  for (std::size_t i = 0; i < 32; ++i) header[i] = static_cast<std::uint8_t>(rpt2_rpt1_ur_my[i]);
  return header;
}

inline const std::string kRepeaters = "QR3KTG GQR3KTA ACQCQCQ  ";

// The adapter's header report for a station with this MY.
inline std::vector<std::uint8_t> header_report(const std::string& my) {
  return std::vector<std::uint8_t>{0xFE, 0xFE, 0x7F, 0x01, 0x1D, 0x04} + bytes_of(kRepeaters + my) +
         std::vector<std::uint8_t>{0xFD};
}

// Heard on either side of two month ends, one of them a year end.
struct HeardAt {
  HeardTime at;
  const char* stamp;
};
inline const std::array<HeardAt, 4> kAroundMonthEnds = [] {
  using namespace std::chrono;
  const sys_days nov30 = 2026y / November / 30, dec31 = 2026y / December / 31;
  return std::array<HeardAt, 4>{{
      {nov30 + 23h + 59min + 59s + 999ms, "2026-11-30T23:59:59.999Z"},
      {nov30 + 24h, "2026-12-01T00:00:00.000Z"},
      {dec31 + 23h + 59min + 59s + 999ms, "2026-12-31T23:59:59.999Z"},
      {dec31 + 24h, "2027-01-01T00:00:00.000Z"},
  }};
}();

// Each month's file: the column line, then its own stations in order.
inline void expect_month_files(const TempWorkdir& dir) {
  const std::string columns = "utc,my,ur,rpt1,rpt2\n";
  const std::string line = ",QR1ABC  ,CQCQCQ  ,QR3KTA A,QR3KTG G\n";
  const auto& h = kAroundMonthEnds;
  EXPECT_EQ(dir.read_file("D-STAR_heard_2026-11.csv"), columns + h[0].stamp + line);
  EXPECT_EQ(dir.read_file("D-STAR_heard_2026-12.csv"),
            columns + h[1].stamp + line + h[2].stamp + line);
  EXPECT_EQ(dir.read_file("D-STAR_heard_2027-01.csv"), columns + h[3].stamp + line);
}

// What the month's file holds before one station is appended, and after.
inline void expect_each_start_of_the_log_takes_a_whole_line() {
  const std::string columns = "utc,my,ur,rpt1,rpt2";
  const std::string unended = columns + "\n2026-12-01T00:00:00.000Z,QR2X";
  const std::string line = "2026-12-08T14:00:00.000Z,QR1ABC  ,CQCQCQ  ,QR3KTA A,QR3KTG G\n";
  const struct {
    const char* situation;
    std::string before, after;
  } cases[] = {
      {"a new file", "", columns + "\n" + line},
      {"the column line alone, without its line end", columns, columns + "\n" + line},
      {"a last line without its end", unended, unended + "\n" + line},
      {"a last line ended by a bare CR", unended + "\r", unended + "\r\n" + line},
  };
  for (const auto& c : cases) {
    TempWorkdir dir;
    if (!c.before.empty()) dir.write_file("D-STAR_heard_2026-12.csv", c.before);
    EXPECT_TRUE(append_heard_line("D-STAR_heard_2026-12.csv", line).written) << c.situation;
    EXPECT_EQ(dir.read_file("D-STAR_heard_2026-12.csv"), c.after) << c.situation;
  }
}
