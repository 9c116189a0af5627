// Whole-file saves on Windows: the file holds its old bytes or the new ones,
// and a file the operator protected is left alone.

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <iterator>

#include "settings/atomic_save.h"
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

}  // namespace
