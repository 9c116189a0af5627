// The heard log on Windows: each month's file starts with its column line
// and takes every heard header as one whole line at its end, beside another
// copy of the program and in a folder of any name.

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>

#include "support/heard_log_cases.h"

namespace {

HeardTime fake_now;
HeardTime read_fake_clock() { return fake_now; }

// 20 bytes of columns, then 61 for a station's line.
constexpr std::uintmax_t kOneLineFile = 20 + 61;

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

TEST(HeardLogWin32, ALineWaitsForAnotherCopyHoldingTheWholeFileRatherThanBeLost) {
  TempWorkdir dir;
  set_heard_log_clock(read_fake_clock);
  fake_now = kAroundMonthEnds[1].at;
  HANDLE other = CreateFileW(L"D-STAR_heard_2026-12.csv", GENERIC_READ | GENERIC_WRITE,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  OVERLAPPED whole{};
  ASSERT_TRUE(LockFileEx(other, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole));
  log_heard_header(header_of(kRepeaters + "QR1ABC  "));
  Sleep(300);  // the writer meets the lock meanwhile
  UnlockFileEx(other, 0, MAXDWORD, MAXDWORD, &whole);
  CloseHandle(other);
  ASSERT_TRUE(heard_log_drain(std::chrono::seconds(5)));
  EXPECT_EQ(dir.read_file("D-STAR_heard_2026-12.csv"),
            std::string("utc,my,ur,rpt1,rpt2\n") + kAroundMonthEnds[1].stamp +
                ",QR1ABC  ,CQCQCQ  ,QR3KTA A,QR3KTG G\n");
  set_heard_log_clock(nullptr);
}

TEST(HeardLogWin32, AFolderNamedOutsideTheAnsiCodePageTakesTheLog) {
  TempWorkdir dir;
  const std::filesystem::path folder =
      std::filesystem::current_path() / L"J\u00fcrgen \u5c71\u7530";
  ASSERT_TRUE(std::filesystem::create_directory(folder));
  std::filesystem::current_path(folder);
  set_heard_log_clock(read_fake_clock);
  fake_now = kAroundMonthEnds[1].at;
  log_heard_header(header_of(kRepeaters + "QR1ABC  "));
  ASSERT_TRUE(heard_log_drain(std::chrono::seconds(5)));
  std::error_code error;
  EXPECT_EQ(std::filesystem::file_size(folder / L"D-STAR_heard_2026-12.csv", error), kOneLineFile);
  set_heard_log_clock(nullptr);
}

}  // namespace
