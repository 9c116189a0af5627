#pragma once
// Another program holding a device open, as a terminal program or a second
// console would: `sleep` with the device as its standard input.

#include <sys/types.h>

#include <string>

class HoldingProgram {
 public:
  explicit HoldingProgram(const std::string& device_path);
  ~HoldingProgram() { end(); }
  HoldingProgram(const HoldingProgram&) = delete;
  HoldingProgram& operator=(const HoldingProgram&) = delete;
  // It exits, and the device is free of it.
  void end();

 private:
  pid_t pid_ = -1;
};
