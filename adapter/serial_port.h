#pragma once
// One serial device, open or invalid. Writing to an invalid port sends
// nothing, reading from it returns no byte at once, closing it again does
// nothing.

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
  // Returns an invalid port when the device is missing or already held.
  static SerialPort open(const std::string& path, StopBits stop_bits);

  bool is_open() const { return fd_ >= 0; }
  void close();

  // Every byte, then waits until they have left; gives up after one second
  // so a device that stops taking bytes cannot freeze the caller.
  void write(const void* bytes, std::size_t count);
  // One byte, or none after at most 10 ms.
  std::optional<std::uint8_t> read();

 private:
  explicit SerialPort(int fd) : fd_(fd) {}
  // A descriptor on Linux; on Windows a HANDLE, whose significant bits fit
  // in an int (HandleToLong). -1 when invalid on both.
  int fd_ = -1;
};

void write_bytes(SerialPort& port, const void* bytes, std::size_t count);
std::optional<std::uint8_t> read_byte(SerialPort& port);

// Where "COMn" lives. Linux: an entry named "COMn" in the working directory
// (a link to /dev/ttyUSB0 and the like), otherwise /dev/ttyS(n-1). Windows:
// the port COMn itself. Empty below 1.
std::string device_path_for_com(int number);
