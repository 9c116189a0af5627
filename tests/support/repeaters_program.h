#pragma once
// Runs the repeater list importer, as the operator does, in the current
// folder and collects what it prints.

#include <sys/wait.h>

#include <cstdio>
#include <string>

struct ProgramRun {
  int exit_status = -1;
  std::string output;  // stdout and stderr together
};

inline ProgramRun run_repeaters_program(const std::string& args) {
  ProgramRun run;
  const std::string command = std::string(KESTREL8_REPEATERS_PROGRAM) + " " + args + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    run.output.append(buffer, n);
  const int status = pclose(pipe);
  if (WIFEXITED(status)) run.exit_status = WEXITSTATUS(status);
  return run;
}
