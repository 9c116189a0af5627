// Whole-file saves on Windows: the file holds its old bytes or the new ones,
// a file the operator protected is left alone, and any folder name works.

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <iterator>
#include <thread>

#include "settings/atomic_save.h"
#include "settings/settings_files.h"
#include "settings/wide_name_win32.h"
#include "support/recording_view.h"
#include "support/temp_workdir.h"

namespace {

TEST(AtomicSaveWin32, ASaveReplacesTheWholeFileOrLeavesItAsItWas) {
  const char* const file = "D-STAR_tranceiver_config.txt";
  const char* const old_bytes = "old bytes that are longer than the new line";
  const char* const new_line = "FT-817,8,439310,-5000,PKT,Dummy ";
  struct Case {
    const char* name;
    DWORD attributes;  // 0: no file there before
    bool saved;
  } cases[] = {
      {"new file", 0, true},
      {"longer old file", FILE_ATTRIBUTE_NORMAL, true},
      {"read-only file", FILE_ATTRIBUTE_READONLY, false},
      {"hidden file", FILE_ATTRIBUTE_HIDDEN, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempWorkdir dir;
    if (c.attributes != 0) {
      dir.write_file(file, old_bytes);
      SetFileAttributesA(file, c.attributes);
    }
    EXPECT_EQ(save_file_whole(file, new_line), c.saved);
    EXPECT_EQ(dir.read_file(file), c.saved ? new_line : old_bytes);
    if (c.attributes == FILE_ATTRIBUTE_HIDDEN) {
      EXPECT_TRUE(GetFileAttributesA(file) & FILE_ATTRIBUTE_HIDDEN);
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1)
        << "temporary file left behind";
    SetFileAttributesA(file, FILE_ATTRIBUTE_NORMAL);
  }
}

TEST(AtomicSaveWin32, AStationFolderOutsideTheAnsiCodePageIsSavedAndRead) {
  for (const char* folder : {"山田", "Jürgen"}) {
    SCOPED_TRACE(folder);
    TempWorkdir dir;
    RecordingView view;
    const std::string full = dir.path() + "\\" + folder;
    ASSERT_TRUE(CreateDirectoryW(wide_name(full).c_str(), nullptr));
    EXPECT_TRUE(save_file_whole((full + "\\D-STAR_his_rpt.txt").c_str(), "JP1,Far"));
    EXPECT_EQ(read_first_line(view, full + "\\D-STAR_his_rpt.txt"), "JP1,Far");
    // The working folder, with the bare names the console uses.
    ASSERT_TRUE(SetCurrentDirectoryW(wide_name(full).c_str()));
    EXPECT_TRUE(save_file_whole("D-STAR_my_rpt.txt", "JP1,Near"));
    EXPECT_EQ(read_first_line(view, "D-STAR_my_rpt.txt"), "JP1,Near");
  }
}

TEST(AtomicSaveWin32, AFileAScannerHoldsForAMomentIsSavedAndOneHeldLongerIsLeftAlone) {
  for (const bool released_soon : {true, false}) {
    SCOPED_TRACE(released_soon ? "released soon" : "held");
    TempWorkdir dir;
    dir.write_file("D-STAR_DV_config.txt", "old");
    HANDLE held = CreateFileW(L"D-STAR_DV_config.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    std::thread scanner([&] {
      Sleep(released_soon ? 100 : 3000);
      CloseHandle(held);
    });
    EXPECT_EQ(save_file_whole("D-STAR_DV_config.txt", "new"), released_soon);
    scanner.join();
    EXPECT_EQ(dir.read_file("D-STAR_DV_config.txt"), released_soon ? "new" : "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
  }
}

}  // namespace
