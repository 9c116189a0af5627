#pragma once
// The virtual devices (kestrel8-devices) running as a separate process for a
// test, with its log collected line by line. Stopped with SIGTERM at the end.

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "support/pty_device.h"

class DevicesProcess {
 public:
  // Starts `program` with `args`; its stdout and stderr become the log.
  DevicesProcess(const std::string& program, const std::vector<std::string>& args);
  ~DevicesProcess();
  DevicesProcess(const DevicesProcess&) = delete;
  DevicesProcess& operator=(const DevicesProcess&) = delete;

  // The first log line holding `text`, waiting up to `limit` for it.
  std::optional<std::string> wait_for_line(
      const std::string& text, std::chrono::milliseconds limit = std::chrono::seconds(5));
  // Waits up to `limit` until at least `count` log lines hold `text`.
  bool wait_for_count(const std::string& text, std::size_t count,
                      std::chrono::milliseconds limit = std::chrono::seconds(5));
  // How many log lines so far hold `text`.
  std::size_t count_lines(const std::string& text);
  const std::vector<std::string>& lines();

  pid_t pid() const { return pid_; }
  // Delivers `signal_number` while the program runs.
  void send_signal(int signal_number);
  // Sends SIGTERM and returns the exit status (-1 when it did not end
  // normally within a few seconds).
  int stop();
  // Waits for the program to end on its own; the exit status or -1.
  int wait_for_exit(std::chrono::milliseconds limit = std::chrono::seconds(5));

 private:
  void collect(std::chrono::milliseconds wait);

  pid_t pid_ = -1;
  int log_fd_ = -1;
  int status_ = -1;
  std::string partial_;
  std::vector<std::string> lines_;
};

// Opens a COMn link the way the console holds a port: read-write, no
// controlling terminal, exclusive. Returns -1 on failure.
int open_port_like_console(const std::string& path);
// Gives up the exclusivity and closes, as the console's STOP does.
void close_port_like_console(int fd);
// Bytes from `fd` until `count` have come or `limit` passes.
std::vector<unsigned char> read_port(int fd, std::size_t count,
                                     std::chrono::milliseconds limit = std::chrono::seconds(3));
