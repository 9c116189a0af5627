// The heard log on Windows: each month's file starts with its column line
// and takes every heard header as one whole line at its end.

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>

#include "support/heard_log_cases.h"

namespace {

HeardTime fake_now;
HeardTime read_fake_clock() { return fake_now; }

// Another copy holds the whole file while the folder's name is outside the
// ANSI code page (C:\Users\Jürgen\...): the line waits, and lands.
TEST(HeardLogWin32, ALineWaitsForAnotherCopysLockInAFolderOfAnyName) {
  TempWorkdir dir;
  const std::filesystem::path folder =
      std::filesystem::current_path() / L"J\u00fcrgen \u5c71\u7530";
  ASSERT_TRUE(std::filesystem::create_directory(folder));
  std::filesystem::current_path(folder);
  set_heard_log_clock(read_fake_clock);
  fake_now = kAroundMonthEnds[1].at;
  HANDLE other = CreateFileW(L"D-STAR_heard_2026-12.csv", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                             CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  OVERLAPPED whole{};
  ASSERT_TRUE(LockFileEx(other, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole));
  log_heard_header(header_of(kRepeaters + "QR1ABC  "));
  Sleep(300);  // the writer meets the lock meanwhile
  CloseHandle(other);
  ASSERT_TRUE(heard_log_drain(std::chrono::seconds(5)));
  EXPECT_EQ(std::filesystem::file_size(folder / L"D-STAR_heard_2026-12.csv"), 20u + 61u);
  set_heard_log_clock(nullptr);
}

TEST(HeardLogWin32, EachStartOfTheLogTakesAWholeLine) {
  expect_each_start_of_the_log_takes_a_whole_line();
}

}  // namespace
