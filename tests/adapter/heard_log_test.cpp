// The heard log: every header shown in the Receiving box is also a line in
// D-STAR_heard_YYYY-MM.csv, stamped in UTC, whole even when the program is
// killed or another copy appends to the same file.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "adapter/frame_parser.h"
#include "adapter/link_state.h"
#include "adapter/receive_loop.h"
#include "console/console_handlers.h"
#include "support/heard_log_cases.h"
#include "support/pty_device.h"
#include "support/station_fixture.h"
#include "support/wait_until.h"

extern char** environ;

namespace {

using namespace std::chrono;
using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

constexpr char kChildJob[] = "KESTREL8_HEARD_LOG_CHILD";

// Started with kChildJob="TAG COUNT PACE_US [MOST_BYTES]", the test program
// only writes COUNT heard lines (MY = TAG and a 4-digit number) and ends;
// MOST_BYTES caps its files' size, as a full disk would.
const bool kWritingChild = [] {
  const char* job = std::getenv(kChildJob);
  if (!job) return false;
  char tag[5] = {};
  int count = 0, pace_us = 0;
  long most_bytes = 0;
  if (std::sscanf(job, "%4s %d %d %ld", tag, &count, &pace_us, &most_bytes) < 3) std::_Exit(2);
  const rlimit cap{static_cast<rlim_t>(most_bytes), static_cast<rlim_t>(most_bytes)};
  signal(SIGXFSZ, SIG_IGN);  // a write beyond the cap is cut short instead
  if (most_bytes > 0 && setrlimit(RLIMIT_FSIZE, &cap) != 0) std::_Exit(4);
  for (int i = 0; i < count; ++i) {
    char my[24];
    std::snprintf(my, sizeof my, "%s%04d", tag, i % 10000);
    log_heard_header(header_of(kRepeaters + my));
    if (pace_us > 0) std::this_thread::sleep_for(microseconds(pace_us));
  }
  std::_Exit(heard_log_drain(60s) ? 0 : 3);
}();

pid_t start_writing_child(const std::string& job) {
  setenv(kChildJob, job.c_str(), 1);
  char program[] = "/proc/self/exe";
  char* argv[] = {program, nullptr};
  pid_t pid = -1;
  const bool started = posix_spawn(&pid, program, nullptr, nullptr, argv, environ) == 0;
  unsetenv(kChildJob);
  return started ? pid : -1;
}

int exit_status(pid_t pid) {
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Every heard log file in the folder, in name order, as one text.
std::string all_logs(const std::string& folder) {
  std::vector<std::filesystem::path> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    if (entry.path().filename().string().rfind("D-STAR_heard_", 0) == 0) names.push_back(entry);
  }
  std::sort(names.begin(), names.end());
  std::ostringstream text;
  for (const auto& name : names) text << std::ifstream(name, std::ios::binary).rdbuf();
  return text.str();
}

// The lines that have their end; a cut-short last line is left out.
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

// The column line, then only whole station lines from the writing children.
void expect_whole_lines(const std::vector<std::string>& lines) {
  static const std::regex whole(
      R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z,QR\d[A-Z]\d{4},CQCQCQ  ,QR3KTA A,QR3KTG G)");
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "utc,my,ur,rpt1,rpt2");
  for (std::size_t i = 1; i < lines.size(); ++i) {
    ASSERT_TRUE(std::regex_match(lines[i], whole)) << "line " << i + 1 << ": " << lines[i];
  }
}

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

  PtyDevice adapter{7};
};

TEST_F(HeardLog,
       headers_are_logged_at_the_utc_moment_they_reach_the_port_and_status_reports_are_not) {
  open_adapter_port(view, "7");
  ASSERT_TRUE(adapter_open);
  start_receive_loop(view);
  const std::string stations[] = {"QR1ABC  ", "QR2DEF B"};
  for (std::size_t i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    const std::string& my = stations[i % 2];
    const HeardTime written = system_clock::now();
    const auto status = static_cast<std::uint8_t>(i % 3);
    adapter.write(Bytes{0xFE, 0xFE, 0x7F, 0x01, 0x1D, 0, 0, 0, status, 0xFD} + header_report(my));
    std::vector<std::string> lines;
    wait_until([&] { return (lines = lines_of(all_logs(dir.path()))).size() >= i + 2; });
    ASSERT_EQ(lines.size(), i + 2);
    EXPECT_EQ(lines[0], "utc,my,ur,rpt1,rpt2");
    EXPECT_EQ(lines.back().substr(24), "," + my + ",CQCQCQ  ,QR3KTA A,QR3KTG G");
    const HeardTime stamped = stamp_of(lines.back());
    EXPECT_GE(stamped, floor<milliseconds>(written)) << lines.back();
    // Bytes reach the loop within its 10 ms read; the rest is room for a loaded two-core machine.
    EXPECT_LE(stamped, written + 250ms) << lines.back();
    std::this_thread::sleep_for(30ms);
  }
}

HeardTime fake_now;
HeardTime read_fake_clock() { return fake_now; }

TEST_F(HeardLog, the_month_and_its_file_change_at_midnight_utc) {
  set_heard_log_clock(read_fake_clock);
  // Shown but not logged: a report of 8 bytes, and the computer's own frame
  // echoed back, which shows the last header again.
  const Bytes not_logged = Bytes{0xFE, 0xFE, 0x7F, 0x01, 0x1D, 0x04} + bytes_of("QR9ZZZ Z") +
                           Bytes{0xFD, 0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0x05, 0xFD};
  for (const HeardAt& h : kAroundMonthEnds) {
    fake_now = h.at;
    for (std::uint8_t b : header_report("QR1ABC  ") + not_logged)
      feed_byte(adapter_parser, view, b);
  }
  ASSERT_TRUE(heard_log_drain(5s));
  expect_month_files(dir);
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
      // A spreadsheet must show these, not run them.
      {"=1+2    ", "'=1+2    "},
      {"+QR1ABC ", "'+QR1ABC "},
      {"-QR1ABC ", "'-QR1ABC "},
      {"@SUM(A1)", "'@SUM(A1)"},
      {"=1,2    ", "\"'=1,2    \""},
      {"  =1+2  ", "'  =1+2  "},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(heard_log_line(at, header_of(kRepeaters + c.my)),
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
  EXPECT_LT(lines_of(text).size(), 10001u) << "the child was not killed mid-stream";
  expect_whole_lines(lines_of(text));
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
  ASSERT_NO_FATAL_FAILURE(expect_whole_lines(lines));
  int next[2] = {0, 0};  // each copy's own lines stay in their order
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const int copy = lines[i].substr(25, 4) == "QR1A" ? 0 : 1;
    EXPECT_EQ(std::stoi(lines[i].substr(29, 4)), next[copy]++) << "line " << i + 1;
  }
  EXPECT_EQ(next[0], 5000);
  EXPECT_EQ(next[1], 5000);
}

TEST_F(HeardLog, a_disk_filling_mid_line_leaves_the_file_ending_with_its_last_whole_line) {
  // 20 bytes of columns and 61 per line: the 17th line would be cut short.
  EXPECT_EQ(exit_status(start_writing_child("QR1A 40 0 1000")), 0);
  const std::string text = all_logs(dir.path());
  EXPECT_EQ(text.size(), 20u + 16 * 61);
  expect_whole_lines(lines_of(text));
}

std::string told;
void note_told(const std::string& text, const std::string&) { told = text; }

TEST_F(HeardLog, only_a_regular_file_or_a_link_to_one_takes_the_lines) {
  set_heard_log_clock(read_fake_clock);
  set_heard_log_notice(note_told);
  fake_now = kAroundMonthEnds[1].at;
  const char* log = "D-STAR_heard_2026-12.csv";
  ASSERT_EQ(mkfifo(log, 0600), 0);  // nobody reads it: opening it would wait for ever
  log_heard_header(header_of(kRepeaters + "QR1ABC  "));
  ASSERT_TRUE(heard_log_drain(10s));
  EXPECT_NE(told.find(std::string(log) + " could not be written: it is not a regular file."),
            std::string::npos)
      << told;
  std::filesystem::remove(log);
  dir.write_file("kept.csv", "");
  ASSERT_EQ(symlink("kept.csv", log), 0);
  log_heard_header(header_of(kRepeaters + "QR1ABC  "));
  ASSERT_TRUE(heard_log_drain(10s));
  EXPECT_EQ(lines_of(dir.read_file("kept.csv")).size(), 2u);
  forget_heard_log_failure();  // a link to the settings is no heard log
  std::filesystem::remove(log);
  dir.write_file("D-STAR_DV_config.txt", "QR3WMN D,7");
  ASSERT_EQ(symlink("D-STAR_DV_config.txt", log), 0);
  log_heard_header(header_of(kRepeaters + "QR1ABC  "));
  ASSERT_TRUE(heard_log_drain(10s));
  EXPECT_NE(told.find("its first line is not utc,my,ur,rpt1,rpt2."), std::string::npos) << told;
  EXPECT_EQ(dir.read_file("D-STAR_DV_config.txt"), "QR3WMN D,7");
  forget_heard_log_failure();  // a dangling link would have the log made outside the folder
  std::filesystem::remove(log);
  const std::string outside = dir.path() + "-planted.csv";
  ASSERT_EQ(symlink(outside.c_str(), log), 0);
  log_heard_header(header_of(kRepeaters + "QR1ABC  "));
  ASSERT_TRUE(heard_log_drain(10s));
  EXPECT_NE(told.find(" it is a link to a file that does not exist."), std::string::npos) << told;
  EXPECT_FALSE(std::filesystem::remove(outside));
  set_heard_log_notice(nullptr);
}

TEST(HeardLogStart, each_start_of_the_log_takes_a_whole_line) {
  expect_each_start_of_the_log_takes_a_whole_line();
}

TEST_F(HeardLog, exit_returns_with_the_stations_heard_on_disk) {
  open_adapter_port(view, "7");
  start_receive_loop(view);
  adapter.write(header_report("QR1ABC  "));
  ASSERT_TRUE(
      wait_until([&] { return view.text(ctl::receiving).find("QR1") != std::string::npos; }));
  on_exit(view, [] {});
  EXPECT_EQ(lines_of(all_logs(dir.path())).size(), 2u);
}

}  // namespace
