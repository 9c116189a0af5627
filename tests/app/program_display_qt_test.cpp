// The program itself, started the way an operator starts it from a shell
// with or without a desktop around it.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "support/devices_process.h"
#include "support/temp_workdir.h"

namespace {

// Sets the three variables Qt looks at for a display for one test, and puts
// the runner's own values back afterwards.
class DisplayEnvironment {
 public:
  DisplayEnvironment(const char* display, const char* wayland, const char* platform) {
    set("DISPLAY", display);
    set("WAYLAND_DISPLAY", wayland);
    set("QT_QPA_PLATFORM", platform);
  }
  ~DisplayEnvironment() {
    for (const auto& [name, value] : saved_) {
      if (value) {
        setenv(name.c_str(), value->c_str(), 1);
      } else {
        unsetenv(name.c_str());
      }
    }
  }

 private:
  void set(const char* name, const char* value) {
    const char* old = getenv(name);
    saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    if (value) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

struct DisplayCase {
  const char* what;
  const char* display;
  const char* wayland;
  const char* platform;
  bool refused;
};

}  // namespace

TEST(ProgramStart, without_a_display_the_program_says_so_in_one_line_and_exits_1) {
  const DisplayCase cases[] = {
      {"nothing set", nullptr, nullptr, nullptr, true},
      {"both displays empty", "", "", nullptr, true},
      {"the offscreen platform needs no display", nullptr, nullptr, "offscreen", false},
  };
  for (const DisplayCase& c : cases) {
    SCOPED_TRACE(c.what);
    TempWorkdir folder;
    DisplayEnvironment environment(c.display, c.wayland, c.platform);
    DevicesProcess program(KESTREL8_PROGRAM, {});
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
