#pragma once
// A pseudo-terminal standing in for a serial device. The test holds the far
// (master) end; the near end is linked as "COMn" in the working directory,
// where the console looks for its ports.

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "support/byte_literals.h"

class PtyDevice {
 public:
  // Creates the pair and, when com_number > 0, links COM<n> to the near end.
  explicit PtyDevice(int com_number = 0);
  ~PtyDevice();
  PtyDevice(const PtyDevice&) = delete;
  PtyDevice& operator=(const PtyDevice&) = delete;

  const std::string& near_path() const { return near_path_; }
  int far_fd() const { return far_fd_; }

  // Bytes the console wrote, collected until `quiet` passes with nothing new
  // or `limit` passes in all.
  std::vector<std::uint8_t> read_all(
      std::chrono::milliseconds quiet = std::chrono::milliseconds(100),
      std::chrono::milliseconds limit = std::chrono::seconds(5));
  // The next `count` bytes, or fewer if `limit` passes first; bytes beyond
  // them are kept for the next read.
  std::vector<std::uint8_t> read_count(std::size_t count,
                                       std::chrono::milliseconds limit = std::chrono::seconds(5));
  void write(const std::vector<std::uint8_t>& bytes);
  void write(const std::string& bytes);
  // Hangs up the device and removes its COM link, as when it is unplugged.
  void close_far_end();

 private:
  int far_fd_ = -1;
  int near_keepalive_fd_ = -1;  // keeps the terminal alive between opens
  std::string near_path_;
  std::string link_name_;
  std::vector<std::uint8_t> pending_;
};

// Every byte to a far end, waiting while the line is full: a test's device
// never drops what it sends.
void write_port(int fd, const std::vector<std::uint8_t>& bytes);
