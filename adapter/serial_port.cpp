#include "adapter/serial_port.h"

#include <utility>

// What a port's handles are is the platform's business (serial_port_posix.cpp,
// serial_port_win32.cpp); owning them, and handing them on, is the same everywhere.

SerialPort::~SerialPort() { close(); }

SerialPort::SerialPort(SerialPort&& other) noexcept
    : device_(std::exchange(other.device_, {})), wake_(std::exchange(other.wake_, {})) {}

SerialPort& SerialPort::operator=(SerialPort&& other) noexcept {
  if (this != &other) {
    close();
    device_ = std::exchange(other.device_, {});
    wake_ = std::exchange(other.wake_, {});
  }
  return *this;
}

void SerialPort::take_device(SerialPort& fresh) {
  drop_device();
  // The fresh port's own wake-up goes with it; ours stays.
  std::swap(device_, fresh.device_);
}

void write_bytes(SerialPort& port, const void* bytes, std::size_t count) {
  port.write(bytes, count);
}

std::optional<std::uint8_t> read_byte(SerialPort& port) { return port.read(); }
