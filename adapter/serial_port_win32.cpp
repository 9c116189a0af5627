#include <windows.h>

#include <chrono>
#include <thread>

#include "adapter/serial_port.h"

// The port is opened for overlapped I/O: the receive thread can then wait
// for a byte while the window's thread writes, and STOP can wake the wait.

namespace {

using Clock = std::chrono::steady_clock;
constexpr DWORD kReadTimeoutMs = 10;
constexpr DWORD kWriteBudgetMs = 1000;

HANDLE handle_of(int fd) { return LongToHandle(fd); }

bool apply_line_settings(HANDLE h, StopBits stop_bits) {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  // Only a serial device has line settings: anything else is no port.
  if (!GetCommState(h, &dcb)) return false;
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
  COMMTIMEOUTS timeouts{};
  GetCommTimeouts(h, &timeouts);
  // A one-byte read returns with it, or with none after 10 ms.
  timeouts.ReadIntervalTimeout = kReadTimeoutMs;
  timeouts.ReadTotalTimeoutMultiplier = 0;
  timeouts.ReadTotalTimeoutConstant = kReadTimeoutMs;
  // A device that stops taking bytes cannot hold the window for long.
  timeouts.WriteTotalTimeoutMultiplier = 0;
  timeouts.WriteTotalTimeoutConstant = kWriteBudgetMs;
  SetCommTimeouts(h, &timeouts);
  // A byte arriving ends the receive thread's wait.
  SetCommMask(h, EV_RXCHAR);
  return true;
}

// One overlapped operation with its own event, finished before it goes.
class Overlapped {
 public:
  Overlapped() { io_.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr); }
  ~Overlapped() {
    if (io_.hEvent) CloseHandle(io_.hEvent);
  }
  Overlapped(const Overlapped&) = delete;
  Overlapped& operator=(const Overlapped&) = delete;
  OVERLAPPED* get() { return &io_; }
  HANDLE event() const { return io_.hEvent; }

 private:
  OVERLAPPED io_{};
};

// Waits for an operation that `started` began; false when it failed.
bool finish(HANDLE h, Overlapped& io, BOOL started, DWORD& done) {
  if (!started && GetLastError() != ERROR_IO_PENDING) return false;
  return GetOverlappedResult(h, io.get(), &done, TRUE) != 0;
}

bool bytes_waiting(HANDLE h) {
  DWORD errors = 0;
  COMSTAT status{};
  return ClearCommError(h, &errors, &status) && status.cbInQue > 0;
}

}  // namespace

SerialPort::SerialPort(int fd)
    : fd_(fd), wake_fd_(HandleToLong(CreateEventA(nullptr, FALSE, FALSE, nullptr))) {
  if (wake_fd_ == 0) wake_fd_ = -1;
}

SerialPort SerialPort::open(const std::string& path, StopBits stop_bits) {
  if (path.empty()) return SerialPort();
  // No sharing: Windows itself refuses every other open while we hold it.
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_FLAG_OVERLAPPED, nullptr);
  if (h == INVALID_HANDLE_VALUE) return SerialPort();
  if (!apply_line_settings(h, stop_bits)) {
    CloseHandle(h);
    return SerialPort();
  }
  return SerialPort(HandleToLong(h));
}

void SerialPort::close() {
  if (wake_fd_ >= 0) CloseHandle(handle_of(wake_fd_));
  wake_fd_ = -1;
  if (fd_ < 0) return;
  CloseHandle(handle_of(fd_));
  fd_ = -1;
}

void SerialPort::write(const void* bytes, std::size_t count) {
  if (fd_ < 0 || count == 0) return;
  const HANDLE h = handle_of(fd_);
  const auto deadline = Clock::now() + std::chrono::milliseconds(kWriteBudgetMs);
  const auto* p = static_cast<const std::uint8_t*>(bytes);
  std::size_t done = 0;
  while (done < count && Clock::now() < deadline) {
    Overlapped io;
    DWORD written = 0;
    const BOOL started =
        WriteFile(h, p + done, static_cast<DWORD>(count - done), nullptr, io.get());
    if (!finish(h, io, started, written) || written == 0) return;  // gone, or the budget passed
    done += written;
  }
}

std::optional<std::uint8_t> SerialPort::read() {
  if (fd_ < 0) return std::nullopt;
  const HANDLE h = handle_of(fd_);
  const auto deadline = Clock::now() + std::chrono::milliseconds(kReadTimeoutMs);
  Overlapped io;
  std::uint8_t b = 0;
  DWORD got = 0;
  const BOOL started = ReadFile(h, &b, 1, nullptr, io.get());
  if (finish(h, io, started, got) && got == 1) return b;
  // A failed read (adapter unplugged) returns at once; wait out the timeout
  // so a dead port never spins its reader.
  std::this_thread::sleep_until(deadline);
  return std::nullopt;
}

std::optional<std::uint8_t> SerialPort::read_until_woken(std::chrono::milliseconds limit) {
  if (fd_ < 0) return std::nullopt;
  const HANDLE h = handle_of(fd_);
  const HANDLE wake = wake_fd_ >= 0 ? handle_of(wake_fd_) : nullptr;
  // A wake-up already given ends this wait at once, and is used up by it.
  if (wake && WaitForSingleObject(wake, 0) == WAIT_OBJECT_0) return std::nullopt;
  if (!bytes_waiting(h)) {
    Overlapped io;
    DWORD events = 0;
    const BOOL started = WaitCommEvent(h, &events, io.get());
    if (!started && GetLastError() != ERROR_IO_PENDING) {
      // Hung up or failed: nothing will come now. Sleep rather than spin.
      if (wake) WaitForSingleObject(wake, static_cast<DWORD>(limit.count()));
      return std::nullopt;
    }
    if (!started) {
      const HANDLE waits[2] = {io.event(), wake};
      const DWORD woke =
          WaitForMultipleObjects(wake ? 2 : 1, waits, FALSE, static_cast<DWORD>(limit.count()));
      if (woke != WAIT_OBJECT_0) {
        // Woken or out of time: the comm-event wait must end before its
        // OVERLAPPED goes.
        CancelIoEx(h, io.get());
        GetOverlappedResult(h, io.get(), &events, TRUE);
        return std::nullopt;
      }
    }
  }
  return read();
}

void SerialPort::wake_reader() {
  if (wake_fd_ >= 0) SetEvent(handle_of(wake_fd_));
}

std::string device_path_for_com(int number) {
  if (number < 1) return {};
  // The device namespace reaches COM10 and above too.
  return "\\\\.\\COM" + std::to_string(number);
}
