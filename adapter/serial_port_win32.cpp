#include <windows.h>

#include <chrono>
#include <thread>

#include "adapter/serial_port.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr DWORD kReadTimeoutMs = 10;
constexpr DWORD kWriteBudgetMs = 1000;

HANDLE handle_of(int fd) { return LongToHandle(fd); }

void apply_line_settings(HANDLE h, StopBits stop_bits) {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (GetCommState(h, &dcb)) {
    dcb.BaudRate = CBR_9600;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = stop_bits == StopBits::two ? TWOSTOPBITS : ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fNull = FALSE;  // the adapter's frames carry 0x00 bytes
    SetCommState(h, &dcb);
  }
  COMMTIMEOUTS timeouts{};
  if (GetCommTimeouts(h, &timeouts)) {
    // A read returns with one byte or, after 10 ms, with none.
    timeouts.ReadIntervalTimeout = kReadTimeoutMs;
    timeouts.ReadTotalTimeoutMultiplier = 0;
    timeouts.ReadTotalTimeoutConstant = kReadTimeoutMs;
    // A device that stops taking bytes cannot hold the window for long.
    timeouts.WriteTotalTimeoutMultiplier = 0;
    timeouts.WriteTotalTimeoutConstant = kWriteBudgetMs;
    SetCommTimeouts(h, &timeouts);
  }
}

}  // namespace

SerialPort::~SerialPort() { close(); }

SerialPort::SerialPort(SerialPort&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

SerialPort& SerialPort::operator=(SerialPort&& other) noexcept {
  if (this != &other) {
    close();
    fd_ = other.fd_;
    other.fd_ = -1;
  }
  return *this;
}

SerialPort SerialPort::open(const std::string& path, StopBits stop_bits) {
  if (path.empty()) return SerialPort();
  // No sharing: Windows itself refuses every other open while we hold it.
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return SerialPort();
  apply_line_settings(h, stop_bits);
  return SerialPort(HandleToLong(h));
}

void SerialPort::close() {
  if (fd_ < 0) return;
  CloseHandle(handle_of(fd_));
  fd_ = -1;
}

void SerialPort::write(const void* bytes, std::size_t count) {
  if (fd_ < 0 || count == 0) return;
  const auto deadline = Clock::now() + std::chrono::milliseconds(kWriteBudgetMs);
  const auto* p = static_cast<const std::uint8_t*>(bytes);
  std::size_t done = 0;
  while (done < count && Clock::now() < deadline) {
    DWORD written = 0;
    if (!WriteFile(handle_of(fd_), p + done, static_cast<DWORD>(count - done), &written, nullptr)) return;
    if (written == 0) return;  // the write timeout passed: drop the rest
    done += written;
  }
}

std::optional<std::uint8_t> SerialPort::read() {
  if (fd_ < 0) return std::nullopt;
  const auto deadline = Clock::now() + std::chrono::milliseconds(kReadTimeoutMs);
  std::uint8_t b = 0;
  DWORD got = 0;
  if (ReadFile(handle_of(fd_), &b, 1, &got, nullptr) && got == 1) return b;
  // A failed read (adapter unplugged) returns at once; wait out the timeout
  // so a dead port never spins the receive thread.
  std::this_thread::sleep_until(deadline);
  return std::nullopt;
}

void write_bytes(SerialPort& port, const void* bytes, std::size_t count) {
  port.write(bytes, count);
}

std::optional<std::uint8_t> read_byte(SerialPort& port) { return port.read(); }

std::string device_path_for_com(int number) {
  if (number < 1) return {};
  // The device namespace reaches COM10 and above too.
  return "\\\\.\\COM" + std::to_string(number);
}
