#pragma once
// One serial device, open or invalid. Writing to an invalid port sends
// nothing, reading from it returns no byte at once, closing it again does
// nothing.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "adapter/device_identity.h"

// Each platform's handles, behind the one class below.
#ifdef _WIN32
#include "adapter/serial_handles_win32.h"
#else
#include "adapter/serial_handles_posix.h"
#endif

enum class StopBits { one, two };

// What one wait for a byte brought. device_gone: the device hung up or was
// unplugged; nothing will come through this handle again.
struct PortRead {
  std::optional<std::uint8_t> byte;
  bool device_gone = false;
};

class SerialPort {
 public:
  SerialPort() = default;
  ~SerialPort();
  SerialPort(SerialPort&& other) noexcept;
  SerialPort& operator=(SerialPort&& other) noexcept;
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  // Opens an existing device exclusively, raw, 9600 baud 8N1 or 8N2.
  // Returns an invalid port when the device is missing, already held by
  // another program, or not a serial device at all (a file, a pipe,
  // /dev/null, the master end of a pseudo-terminal).
  static SerialPort open(const std::string& path, StopBits stop_bits);

  bool is_open() const { return device_.valid(); }
  // Which device this is; meaningful only while open.
  DeviceIdentity identity() const;
  // Which device is at `path` now, without opening it: opening a stranger
  // (the radio's CAT cable) would already switch its control lines.
  static DeviceIdentity identity_at(const std::string& path);
  // Whether another program holds the device at `path`, without opening it.
  // Windows refuses a second open of a port by itself, before any line moves.
  static bool held_elsewhere(const std::string& path);
  void close();

  // Every byte, then waits until they have left; gives up after one second
  // so a device that stops taking bytes cannot freeze the caller.
  void write(const void* bytes, std::size_t count);
  // One byte, or none after at most 10 ms.
  std::optional<std::uint8_t> read();
  // One byte, or none once wake_reader() is called or `limit` passes. Sleeps
  // while the device is silent. A device that has hung up or gone returns
  // at once with device_gone. An invalid port returns none at once.
  PortRead read_until_woken(std::chrono::milliseconds limit);
  // From any thread: cuts short the read_until_woken (or sleep_until_woken)
  // under way, or else the next one.
  void wake_reader();
  // Sleeps until wake_reader() is called or `limit` passes, device or not.
  void sleep_until_woken(std::chrono::milliseconds limit);

  // The device is gone: its handle is given back, but the reader's wake-up
  // stays, so a reader waiting for the device's return can still be woken.
  // The port then counts as not open.
  void drop_device();
  // The device `fresh` opened takes the place of ours, behind our own
  // wake-up, so a reader waiting for the device's return can still be woken.
  // `fresh` is left without a device.
  void take_device(SerialPort& fresh);

 private:
  explicit SerialPort(SerialDevice device);
  SerialDevice device_;
  ReaderWake wake_;
};

void write_bytes(SerialPort& port, const void* bytes, std::size_t count);
std::optional<std::uint8_t> read_byte(SerialPort& port);

// Where "COMn" lives. Linux: an entry named "COMn" in the working directory
// (a link to /dev/ttyUSB0 and the like), otherwise /dev/ttyS(n-1). Windows:
// the port COMn itself. Empty below 1.
std::string device_path_for_com(int number);

// Whether two names lead to one device, however they are linked: the same
// device number on Linux. On Windows each COM name is a device of its own.
bool lead_to_one_device(const std::string& a, const std::string& b);

// When the window opens: looks ahead at what other programs hold, so the
// look at START is quick (Linux; nothing to do on Windows).
void survey_port_holders();
