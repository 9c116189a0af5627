#pragma once
// A DV adapter that keeps talking: a header report every millisecond and a
// status report in between, whether or not the console listens. Both far
// ends are drained so the console's writes never stall.

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "support/pty_device.h"
#include "support/temp_workdir.h"

// What the console shows for the header this adapter sends.
extern const std::string kOnAirHeaderLine;

class AdapterOnAir {
 public:
  AdapterOnAir(PtyDevice& adapter, PtyDevice& radio);
  ~AdapterOnAir();
  AdapterOnAir(const AdapterOnAir&) = delete;
  AdapterOnAir& operator=(const AdapterOnAir&) = delete;

  std::int64_t headers_sent() const { return headers_; }

 private:
  void send(int fd, const std::vector<std::uint8_t>& frame);

  std::atomic<bool> on_air_{true};
  std::atomic<std::int64_t> headers_{0};
  std::thread thread_;
};

// A folder in memory when there is one: a thousand STOPs each flush four
// settings files to disk, which takes a minute there and seconds in memory.
std::string memory_folder();
// The station files of a long session: the usual adapter and transceiver
// lines, Hilltop430 as my repeater and the only one in the list.
void write_long_session_files(const TempWorkdir& folder);
