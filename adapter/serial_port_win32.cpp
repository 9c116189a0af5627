#include <windows.h>

#include <chrono>
#include <thread>

#include "adapter/serial_errors_win32.h"
#include "adapter/serial_port.h"

// The port is opened for overlapped I/O, so the receive thread waits for a
// byte while the window's thread writes, and STOP can wake the wait. An idle
// wait is one pending read, which costs nothing until a byte comes; a wait
// for comm events would wake many times a second on an idle line.

namespace {

using Clock = std::chrono::steady_clock;
constexpr DWORD kReadTimeoutMs = 10;
constexpr DWORD kWriteBudgetMs = 1000;

// False when any setting did not take: such a port is refused like one that
// does not open, since frames at the wrong speed or framing reach nobody and
// unset timeouts could hold a read for ever.
bool apply_line_settings(HANDLE h, StopBits stop_bits) {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  // Only a serial device has line settings: anything else is no port.
  if (!GetCommState(h, &dcb)) return false;
  // The whole line, as the Linux port sets its terminal: raw bytes, no flow
  // control of any kind, nothing replaced or dropped, no error stops reading.
  dcb.BaudRate = CBR_9600;
  dcb.ByteSize = 8;
  dcb.Parity = NOPARITY;
  dcb.StopBits = stop_bits == StopBits::two ? TWOSTOPBITS : ONESTOPBIT;
  dcb.fBinary = TRUE;
  dcb.fParity = FALSE;
  dcb.fOutxCtsFlow = FALSE;
  dcb.fOutxDsrFlow = FALSE;
  dcb.fDtrControl = DTR_CONTROL_ENABLE;  // DTR and RTS on, as a terminal leaves them
  dcb.fDsrSensitivity = FALSE;
  dcb.fTXContinueOnXoff = TRUE;
  dcb.fOutX = FALSE;
  dcb.fInX = FALSE;
  dcb.fErrorChar = FALSE;
  dcb.fNull = FALSE;  // the adapter's frames carry 0x00 bytes
  dcb.fRtsControl = RTS_CONTROL_ENABLE;
  dcb.fAbortOnError = FALSE;  // a framing error must not stop every later read
  if (!SetCommState(h, &dcb)) return false;
  // A read waits for its byte; each read below bounds its own wait (10 ms,
  // or the receive loop's limit and STOP's wake-up), which leaves no read
  // pending and no thread spinning. A device that stops taking bytes cannot
  // hold the window for long.
  COMMTIMEOUTS timeouts{};
  timeouts.WriteTotalTimeoutMultiplier = 0;
  timeouts.WriteTotalTimeoutConstant = kWriteBudgetMs;
  return SetCommTimeouts(h, &timeouts) != 0;
}

HANDLE comm_of(const SerialDevice& device) { return static_cast<HANDLE>(device.comm_handle); }
HANDLE event_of(const ReaderWake& wake) { return static_cast<HANDLE>(wake.event_handle); }

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

enum class Ended { byte, nothing, gone, failed };

// One byte into `b`: waits at most `limit_ms`, or until `wake` (may be null)
// is set.
Ended read_one(HANDLE h, HANDLE wake, DWORD limit_ms, std::uint8_t& b) {
  Overlapped io;
  DWORD got = 0;
  bool cancelled = false;
  BOOL done = ReadFile(h, &b, 1, nullptr, io.get());
  if (!done && GetLastError() == ERROR_IO_PENDING) {
    const HANDLE waits[2] = {io.event(), wake};
    if (WaitForMultipleObjects(wake ? 2 : 1, waits, FALSE, limit_ms) != WAIT_OBJECT_0) {
      // Woken or out of time: the read must end before its OVERLAPPED goes.
      // A byte that came meanwhile is still taken.
      cancelled = CancelIoEx(h, io.get()) != 0;
    }
    done = GetOverlappedResult(h, io.get(), &got, TRUE);
  }
  if (done && got == 1) return Ended::byte;
  // A read that waits for its byte ends empty only when we end it.
  if (done) return cancelled ? Ended::nothing : Ended::failed;
  const DWORD error = GetLastError();
  if (cancelled && error == ERROR_OPERATION_ABORTED) return Ended::nothing;
  return error_means_device_gone(error) ? Ended::gone : Ended::failed;
}

}  // namespace

bool error_means_device_gone(unsigned long error) {
  switch (error) {
    case ERROR_DEVICE_NOT_CONNECTED:  // the USB device left
    case ERROR_BAD_COMMAND:           // the driver no longer knows the device
    case ERROR_ACCESS_DENIED:         // the handle's device was removed
    case ERROR_OPERATION_ABORTED:     // pending I/O ended by the removal
    case ERROR_GEN_FAILURE:           // the device stopped answering
    case ERROR_FILE_NOT_FOUND:        // the COM name is gone
    case ERROR_BROKEN_PIPE:           // the line hung up (how Wine reports it)
      return true;
    default:
      return false;
  }
}

SerialPort::SerialPort(SerialDevice device)
    : device_(device), wake_{CreateEventA(nullptr, FALSE, FALSE, nullptr)} {}

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
  return SerialPort(SerialDevice{h});
}

// Each device keeps its own COM number: the name it opened by is all that
// tells it, and the same name is what is opened again.
DeviceIdentity SerialPort::identity() const { return device_identity(DeviceKind::named); }
DeviceIdentity SerialPort::identity_at(const std::string&) {
  return device_identity(DeviceKind::named);
}

bool SerialPort::held_elsewhere(const std::string&) { return false; }

void SerialPort::close() {
  if (wake_.valid()) CloseHandle(event_of(wake_));
  wake_ = {};
  drop_device();
}

void SerialPort::drop_device() {
  if (!device_.valid()) return;
  CloseHandle(comm_of(device_));
  device_ = {};
}

void SerialPort::write(const void* bytes, std::size_t count) {
  if (!device_.valid() || count == 0) return;
  const HANDLE h = comm_of(device_);
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
  if (!device_.valid()) return std::nullopt;
  const auto deadline = Clock::now() + std::chrono::milliseconds(kReadTimeoutMs);
  std::uint8_t b = 0;
  const Ended ended = read_one(comm_of(device_), nullptr, kReadTimeoutMs, b);
  if (ended == Ended::byte) return b;
  // A failed read (adapter unplugged) returns at once; wait out the timeout
  // so a dead port never spins its reader.
  std::this_thread::sleep_until(deadline);
  return std::nullopt;
}

PortRead SerialPort::read_until_woken(std::chrono::milliseconds limit) {
  if (!device_.valid()) return {};
  const HANDLE wake = event_of(wake_);
  // A wake-up already given ends this wait at once, and is used up by it.
  if (wake && WaitForSingleObject(wake, 0) == WAIT_OBJECT_0) return {};
  std::uint8_t b = 0;
  switch (read_one(comm_of(device_), wake, static_cast<DWORD>(limit.count()), b)) {
    case Ended::byte:
      return {b, false};
    case Ended::gone:
      return {std::nullopt, true};
    case Ended::failed:
      sleep_until_woken(limit);  // nothing will come now: sleep rather than spin
      return {};
    case Ended::nothing:
      break;
  }
  return {};
}

void SerialPort::wake_reader() {
  if (wake_.valid()) SetEvent(event_of(wake_));
}

void SerialPort::sleep_until_woken(std::chrono::milliseconds limit) {
  if (!wake_.valid()) {
    Sleep(static_cast<DWORD>(limit.count()));
    return;
  }
  WaitForSingleObject(event_of(wake_), static_cast<DWORD>(limit.count()));
}

std::string device_path_for_com(int number) {
  if (number < 1) return {};
  // The device namespace reaches COM10 and above too.
  return "\\\\.\\COM" + std::to_string(number);
}

// Windows names each device by its own COM number: two numbers, two devices.
bool lead_to_one_device(const std::string&, const std::string&) { return false; }

// Windows refuses a held port at its open: nothing to look at ahead.
void survey_port_holders() {}
