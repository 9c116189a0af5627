// The heard log: every header shown in the Receiving box is also a line in
// D-STAR_heard_YYYY-MM.csv, stamped in UTC, whole even when the program is
// killed or another copy appends to the same file.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "adapter/frame_parser.h"
#include "adapter/heard_log_writer.h"
#include "adapter/link_state.h"
#include "adapter/receive_loop.h"
#include "support/pty_device.h"
#include "support/station_fixture.h"
#include "support/wait_until.h"

extern char** environ;

namespace {

using namespace std::chrono;
using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

constexpr char kChildJob[] = "KESTREL8_HEARD_LOG_CHILD";

// Header bytes as the adapter sends them: RPT2, RPT1, UR, MY.
std::array<std::uint8_t, 33> header_of(const std::string& rpt2_rpt1_ur_my) {
  std::array<std::uint8_t, 33> header{};
  for (std::size_t i = 0; i < 32; ++i) header[i] = static_cast<std::uint8_t>(rpt2_rpt1_ur_my[i]);
  return header;
}

Bytes header_report(const std::string& my) {
  return Bytes{0xFE, 0xFE, 0x7F, 0x01, 0x1D, 0x04} + bytes_of("QR3KTG GQR3KTA ACQCQCQ  " + my) +
         Bytes{0xFD};
}

// Started as a writing child by the tests below, the test program only
// writes `count` heard lines (MY = tag and a 4-digit number) and ends.
const bool kWritingChild = [] {
  const char* job = std::getenv(kChildJob);
  if (!job) return false;
  char tag[5] = {};
  int count = 0;
  int pace_us = 0;
  if (std::sscanf(job, "%4s %d %d", tag, &count, &pace_us) != 3) std::_Exit(2);
  for (int i = 0; i < count; ++i) {
    char my[24];
    std::snprintf(my, sizeof my, "%s%04d", tag, i % 10000);
    log_heard_header(header_of(std::string("QR3KTG GQR3KTA ACQCQCQ  ") + my));
    if (pace_us > 0) std::this_thread::sleep_for(microseconds(pace_us));
  }
  std::_Exit(heard_log_drain(60s) ? 0 : 3);
}();

pid_t start_writing_child(const std::string& job) {
  std::vector<std::string> env_text;
  for (char** e = environ; *e; ++e) env_text.emplace_back(*e);
  env_text.push_back(std::string(kChildJob) + "=" + job);
  std::vector<char*> env;
  for (auto& e : env_text) env.push_back(e.data());
  env.push_back(nullptr);
  char program[] = "/proc/self/exe";
  char* argv[] = {program, nullptr};
  pid_t pid = -1;
  if (posix_spawn(&pid, program, nullptr, nullptr, argv, env.data()) != 0) return -1;
  return pid;
}

int exit_status(pid_t pid) {
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Every heard log file in the folder, in name order, as one text.
std::string all_logs(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("D-STAR_heard_", 0) == 0) names.push_back(entry.path().string());
  }
  std::sort(names.begin(), names.end());
  std::string text;
  for (const auto& name : names) {
    std::FILE* f = std::fopen(name.c_str(), "rb");
    if (!f) continue;
    char buf[65536];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) text.append(buf, n);
    std::fclose(f);
  }
  return text;
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

HeardTime stamp_of(const std::string& line) {
  std::tm utc{};
  int ms = 0;
  std::sscanf(line.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d.%3dZ", &utc.tm_year, &utc.tm_mon, &utc.tm_mday,
              &utc.tm_hour, &utc.tm_min, &utc.tm_sec, &ms);
  utc.tm_year -= 1900;
  utc.tm_mon -= 1;
  return system_clock::from_time_t(timegm(&utc)) + milliseconds(ms);
}

const std::regex kWholeLine(
    R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z,QR\d[A-Z]\d{4},CQCQCQ  ,QR3KTA A,QR3KTG G)");

class HeardLog : public StationTest {
 protected:
  HeardLog() {
    adapter_parser = AdapterFrameParser{};
    forget_heard_log_failure();
  }
  ~HeardLog() override {
    stop_receive_loop({});
    heard_log_drain(5s);
    set_heard_log_clock(nullptr);
  }

  void start_listening() {
    open_adapter_port(view, "7");
    ASSERT_TRUE(adapter_open);
    start_receive_loop(view);
  }

  std::vector<std::string> logged_lines(std::size_t count) {
    std::vector<std::string> lines;
    wait_until([&] {
      lines = lines_of(all_logs(dir.path()));
      return lines.size() >= count;
    });
    return lines;
  }

  PtyDevice adapter{7};
};

TEST_F(HeardLog, headers_heard_on_the_port_are_logged_and_status_reports_are_not) {
  start_listening();
  adapter.write(Bytes{0xFE, 0xFE, 0x7F, 0x01, 0x1D, 0x00, 0x00, 0x00, 0x01, 0xFD} +
                header_report("QR1ABC  ") +
                Bytes{0xFE, 0xFE, 0x7F, 0x01, 0x1D, 0x00, 0x00, 0x00, 0x02, 0xFD} +
                header_report("QR2DEF B") +
                Bytes{0xFE, 0xFE, 0x7F, 0x01, 0x1D, 0x00, 0x00, 0x00, 0x00, 0xFD});
  ASSERT_TRUE(wait_until([&] { return view.text(ctl::receiving).size() == 2 * 37; }));
  ASSERT_TRUE(heard_log_drain(5s));

  const std::vector<std::string> lines = lines_of(all_logs(dir.path()));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "utc,my,ur,rpt1,rpt2");
  EXPECT_EQ(lines[1].substr(24), ",QR1ABC  ,CQCQCQ  ,QR3KTA A,QR3KTG G");
  EXPECT_EQ(lines[2].substr(24), ",QR2DEF B,CQCQCQ  ,QR3KTA A,QR3KTG G");
}

TEST_F(HeardLog, the_stamp_is_the_utc_moment_the_report_reached_the_port) {
  start_listening();
  for (int i = 0; i < 5; ++i) {
    const HeardTime written = system_clock::now();
    adapter.write(header_report("QR1ABC  "));
    const std::vector<std::string> lines = logged_lines(static_cast<std::size_t>(i) + 2);
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(i) + 2);
    const HeardTime stamped = stamp_of(lines.back());
    EXPECT_GE(stamped, floor<milliseconds>(written)) << lines.back();
    // Bytes reach the loop within its 10 ms read; the rest is room for a
    // loaded two-core machine.
    EXPECT_LE(stamped, written + 250ms) << lines.back();
    std::this_thread::sleep_for(30ms);
  }
}

HeardTime fake_now;
HeardTime read_fake_clock() { return fake_now; }

TEST_F(HeardLog, the_month_and_its_file_change_at_midnight_utc) {
  set_heard_log_clock(read_fake_clock);
  const sys_days nov30 = 2026y / November / 30;
  const sys_days dec31 = 2026y / December / 31;
  const struct {
    HeardTime at;
    const char* stamp;
  } heard[] = {
      {nov30 + 23h + 59min + 59s + 999ms, "2026-11-30T23:59:59.999Z"},
      {nov30 + 24h, "2026-12-01T00:00:00.000Z"},
      {dec31 + 23h + 59min + 59s + 999ms, "2026-12-31T23:59:59.999Z"},
      {dec31 + 24h, "2027-01-01T00:00:00.000Z"},
  };
  for (const auto& h : heard) {
    fake_now = h.at;
    for (std::uint8_t b : header_report("QR1ABC  ")) feed_byte(adapter_parser, view, b);
  }
  ASSERT_TRUE(heard_log_drain(5s));
  const std::string line = ",QR1ABC  ,CQCQCQ  ,QR3KTA A,QR3KTG G\n";
  const std::string columns = "utc,my,ur,rpt1,rpt2\n";
  EXPECT_EQ(dir.read_file("D-STAR_heard_2026-11.csv"), columns + heard[0].stamp + line);
  EXPECT_EQ(dir.read_file("D-STAR_heard_2026-12.csv"),
            columns + heard[1].stamp + line + heard[2].stamp + line);
  EXPECT_EQ(dir.read_file("D-STAR_heard_2027-01.csv"), columns + heard[3].stamp + line);
}

TEST(HeardLogLine, hostile_callsign_bytes_stay_inside_their_column) {
  const HeardTime at = sys_days{2026y / December / 8} + 14h + 59min + 34s + 705ms;
  const struct {
    std::string my;
    std::string column;
  } cases[] = {
      {"QR1ABC  ", "QR1ABC  "},
      {"QR1,BC  ", "\"QR1,BC  \""},
      {"QR1\"BC  ", "\"QR1\"\"BC  \""},
      {",\",\",\",\"", "\",\"\",\"\",\"\",\"\"\""},
      {"QR1\xE9"
       "BC \xFF",
       "QR1\xC3\xA9"
       "BC \xC3\xBF"},
      {std::string("\x00\x0A\x0D\x09\x1F\x7F", 6) + "AB", "......AB"},
      {"\x0A,\x0D\"QR1 ", "\".,.\"\"QR1 \""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(heard_log_line(at, header_of("QR3KTG GQR3KTA ACQCQCQ  " + c.my)),
              "2026-12-08T14:59:34.705Z," + c.column + ",CQCQCQ  ,QR3KTA A,QR3KTG G\n")
        << "MY bytes " << testing::PrintToString(c.my);
  }
}

TEST_F(HeardLog, kill_9_in_the_middle_of_ten_thousand_reports_leaves_only_whole_lines) {
  const pid_t child = start_writing_child("QR1A 10000 100");
  ASSERT_GT(child, 0);
  ASSERT_TRUE(wait_until([&] { return lines_of(all_logs(dir.path())).size() > 500; }, {}, 20s));
  kill(child, SIGKILL);
  EXPECT_EQ(exit_status(child), 128 + SIGKILL);

  const std::string text = all_logs(dir.path());
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.back(), '\n') << "the last line is cut short";
  const std::vector<std::string> lines = lines_of(text);
  EXPECT_EQ(lines[0], "utc,my,ur,rpt1,rpt2");
  EXPECT_LT(lines.size(), 10001u) << "the child was not killed mid-stream";
  for (std::size_t i = 1; i < lines.size(); ++i) {
    ASSERT_TRUE(std::regex_match(lines[i], kWholeLine)) << "line " << i + 1 << ": " << lines[i];
  }
}

TEST_F(HeardLog, two_copies_in_one_folder_never_split_each_others_lines) {
  const pid_t first = start_writing_child("QR1A 5000 0");
  const pid_t second = start_writing_child("QR2B 5000 0");
  ASSERT_GT(first, 0);
  ASSERT_GT(second, 0);
  EXPECT_EQ(exit_status(first), 0);
  EXPECT_EQ(exit_status(second), 0);

  const std::vector<std::string> lines = lines_of(all_logs(dir.path()));
  ASSERT_EQ(lines.size(), 10001u);
  EXPECT_EQ(lines[0], "utc,my,ur,rpt1,rpt2");
  int next[2] = {0, 0};  // each copy's own lines stay in their order
  for (std::size_t i = 1; i < lines.size(); ++i) {
    ASSERT_TRUE(std::regex_match(lines[i], kWholeLine)) << "line " << i + 1 << ": " << lines[i];
    const int copy = lines[i].substr(25, 4) == "QR1A" ? 0 : 1;
    EXPECT_EQ(std::stoi(lines[i].substr(29, 4)), next[copy]++) << "line " << i + 1;
  }
  EXPECT_EQ(next[0], 5000);
  EXPECT_EQ(next[1], 5000);
}

}  // namespace
