#include "adapter/serial_port.h"

// What a port's handles are is the platform's business (serial_port_posix.cpp,
// serial_port_win32.cpp); owning them, and handing them on, is the same everywhere.

SerialPort::~SerialPort() { close(); }

SerialPort::SerialPort(SerialPort&& other) noexcept : fd_(other.fd_), wake_fd_(other.wake_fd_) {
  other.fd_ = -1;
  other.wake_fd_ = -1;
}

SerialPort& SerialPort::operator=(SerialPort&& other) noexcept {
  if (this != &other) {
    close();
    fd_ = other.fd_;
    wake_fd_ = other.wake_fd_;
    other.fd_ = -1;
    other.wake_fd_ = -1;
  }
  return *this;
}

void write_bytes(SerialPort& port, const void* bytes, std::size_t count) {
  port.write(bytes, count);
}

std::optional<std::uint8_t> read_byte(SerialPort& port) { return port.read(); }
