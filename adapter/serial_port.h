#pragma once
// One serial device, open or invalid. Writing to an invalid port sends
// nothing, reading from it returns no byte at once, closing it again does
// nothing.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

enum class StopBits { one, two };

class SerialPort {
 public:
  SerialPort() = default;
  ~SerialPort();
  SerialPort(SerialPort&& other) noexcept;
  SerialPort& operator=(SerialPort&& other) noexcept;
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // Opens an existing device exclusively, raw, 9600 baud 8N1 or 8N2.
  // Returns an invalid port when the device is missing, already held, or not
  // a serial device at all (a file, a pipe, /dev/null).
  static SerialPort open(const std::string& path, StopBits stop_bits);

  bool is_open() const { return fd_ >= 0; }
  void close();

  // Every byte, then waits until they have left; gives up after one second
  // so a device that stops taking bytes cannot freeze the caller.
  void write(const void* bytes, std::size_t count);
  // One byte, or none after at most 10 ms.
  std::optional<std::uint8_t> read();
  // One byte, or none once wake_reader() is called or `limit` passes. Sleeps
  // while the device is silent; a device that has hung up is waited out the
  // same way, so a dead port never spins its reader. An invalid port returns
  // none at once.
  std::optional<std::uint8_t> read_until_woken(std::chrono::milliseconds limit);
  // From any thread: cuts short the read_until_woken under way, or else the
  // next one.
  void wake_reader();

 private:
  explicit SerialPort(int fd);
  // A descriptor on Linux; on Windows a HANDLE, whose significant bits fit
  // in an int (HandleToLong). -1 when invalid on both.
  int fd_ = -1;
  int wake_fd_ = -1;
};

void write_bytes(SerialPort& port, const void* bytes, std::size_t count);
std::optional<std::uint8_t> read_byte(SerialPort& port);

// Where "COMn" lives. Linux: an entry named "COMn" in the working directory
// (a link to /dev/ttyUSB0 and the like), otherwise /dev/ttyS(n-1). Windows:
// the port COMn itself. Empty below 1.
std::string device_path_for_com(int number);
