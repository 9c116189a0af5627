#include "support/holding_program.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <stdexcept>

HoldingProgram::HoldingProgram(const std::string& device_path) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, device_path.c_str(), O_RDWR | O_NOCTTY, 0);
  char sleep_name[] = "sleep";
  char seconds[] = "300";
  char* argv[] = {sleep_name, seconds, nullptr};
  // Returns once the program runs, its device already open.
  const int failed = posix_spawnp(&pid_, "sleep", &actions, nullptr, argv, nullptr);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) throw std::runtime_error("cannot start sleep");
}

void HoldingProgram::end() {
  if (pid_ <= 0) return;
  kill(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
}
