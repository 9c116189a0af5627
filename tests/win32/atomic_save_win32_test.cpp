// Whole-file saves on Windows: the file holds its old bytes or the new ones,
// and a file the operator protected is left alone.

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>

#include "settings/atomic_save.h"
#include "support/temp_workdir.h"

namespace {

TEST(AtomicSaveWin32, ASaveReplacesTheWholeFileOrLeavesItAsItWas) {
  struct Case {
    const char* name;
    DWORD attributes;  // 0: no file there before
    bool saved;
    const char* expected;
  } cases[] = {
      {"new file", 0, true, "FT-817,8,439310,-5000,PKT,Dummy "},
      {"longer old file", FILE_ATTRIBUTE_NORMAL, true, "FT-817,8,439310,-5000,PKT,Dummy "},
      {"read-only file", FILE_ATTRIBUTE_READONLY, false,
       "old bytes that are longer than the new line"},
      {"hidden file", FILE_ATTRIBUTE_HIDDEN, true, "FT-817,8,439310,-5000,PKT,Dummy "},
  };
  for (const Case& c : cases) {
    TempWorkdir dir;
    const std::string file = "D-STAR_tranceiver_config.txt";
    if (c.attributes != 0) {
      dir.write_file(file, "old bytes that are longer than the new line");
      SetFileAttributesA(file.c_str(), c.attributes);
    }
    EXPECT_EQ(save_file_whole(file.c_str(), "FT-817,8,439310,-5000,PKT,Dummy "), c.saved) << c.name;
    EXPECT_EQ(dir.read_file(file), c.expected) << c.name;
    if (c.attributes == FILE_ATTRIBUTE_HIDDEN) {
      EXPECT_TRUE(GetFileAttributesA(file.c_str()) & FILE_ATTRIBUTE_HIDDEN) << c.name;
    }
    int entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
      entries += entry.exists();
    EXPECT_EQ(entries, 1) << c.name << ": temporary file left behind";
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
  }
}

}  // namespace
