// The program started from a shell with or without a desktop around it.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "support/devices_process.h"
#include "support/temp_workdir.h"

TEST(ProgramStart, without_a_display_the_program_says_so_in_one_line_and_exits_1) {
  struct Case {
    const char* what;
    std::vector<std::string> environment;  // env(1)'s view of the three variables Qt reads
    bool refused;
  };
  const Case cases[] = {
      {"nothing set", {"-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u", "QT_QPA_PLATFORM"}, true},
      {"both displays empty", {"-u", "QT_QPA_PLATFORM", "DISPLAY=", "WAYLAND_DISPLAY="}, true},
      {"the offscreen platform needs no display",
       {"-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM=offscreen"},
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempWorkdir folder;
    std::vector<std::string> args = c.environment;
    args.push_back(KESTREL8_PROGRAM);
    DevicesProcess program("/usr/bin/env", args);
    if (c.refused) {
      EXPECT_EQ(program.wait_for_exit(std::chrono::seconds(20)), 1);
      EXPECT_EQ(program.lines(),
                std::vector<std::string>{"no display: set DISPLAY or run under a desktop"});
    } else {
      // The window is up and waiting for the operator: still running, nothing said.
      EXPECT_EQ(program.wait_for_exit(std::chrono::seconds(2)), -1);
      EXPECT_EQ(program.count_lines("no display"), 0u);
    }
  }
}
