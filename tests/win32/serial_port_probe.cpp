// Runs the serial-port twin step by step for the Linux harness in tests/wine,
// which owns the pseudo-terminals behind COMn. Each step prints one line;
// message boxes come out as StderrView's lines.
//   open-adapter N | open-trx N | write-adapter HEX | write-trx HEX
//   read-adapter COUNT MS | idle-read | woken-read | write-timed COUNT
//   lost-and-back MS | gone-errors

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "adapter/adapter_bytes.h"
#include "adapter/link_recovery.h"
#include "adapter/link_state.h"
#include "adapter/receive_loop.h"
#include "adapter/serial_errors_win32.h"
#include "console/stderr_view.h"

namespace {

using Clock = std::chrono::steady_clock;

// What the receive loop shows in Response, one line each, as it happens.
class ResponseView final : public StderrView {
 public:
  void set_text(int id, const std::string& text) override {
    if (id != ctl::response) return;
    std::printf("response %s\n", text.c_str());
    std::fflush(stdout);
    if (text == "    ") SetEvent(back);
  }
  HANDLE back = CreateEventA(nullptr, TRUE, FALSE, nullptr);  // Response blank again
};

double ms_since(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  StderrView view;
  for (int i = 1; i < argc; ++i) {
    const std::string step = argv[i];
    if (step == "open-adapter") {
      open_adapter_port(view, argv[++i]);
      std::printf("adapter_open %d\n", adapter_open ? 1 : 0);
    } else if (step == "open-trx") {
      open_transceiver_port(view, argv[++i]);
      std::printf("transceiver_active %d\n", transceiver_active ? 1 : 0);
    } else if (step == "write-adapter" || step == "write-trx") {
      const std::string hex = argv[++i];
      std::vector<std::uint8_t> bytes;
      for (std::size_t at = 0; at + 1 < hex.size(); at += 2) {
        bytes.push_back(
            static_cast<std::uint8_t>(std::strtoul(hex.substr(at, 2).c_str(), nullptr, 16)));
      }
      write_bytes(step == "write-adapter" ? adapter_port_handle : transceiver_port_handle,
                  bytes.data(), bytes.size());
      std::printf("wrote %zu\n", bytes.size());
    } else if (step == "read-adapter") {
      const std::size_t count = std::strtoul(argv[++i], nullptr, 10);
      const auto limit = std::chrono::milliseconds(std::atoi(argv[++i]));
      const auto start = Clock::now();
      std::string hex;
      while (hex.size() < 2 * count && Clock::now() - start < limit) {
        if (auto b = read_byte(adapter_port_handle)) {
          char two[3];
          std::snprintf(two, sizeof two, "%02X", *b);
          hex += two;
        }
      }
      std::printf("read %s\n", hex.c_str());
    } else if (step == "idle-read") {
      std::vector<double> took;  // a byte that came anyway counts as -1
      for (int n = 0; n < 21; ++n) {
        const auto start = Clock::now();
        took.push_back(read_byte(adapter_port_handle) ? -1 : ms_since(start));
      }
      std::sort(took.begin(), took.end());
      std::printf("idle-read %.1f %.1f\n", took.front(), took[took.size() / 2]);
    } else if (step == "woken-read") {
      // STOP's wake-up ends a silent wait long before its limit.
      const auto start = Clock::now();
      std::thread reader([] { adapter_port_handle.read_until_woken(std::chrono::seconds(5)); });
      Sleep(50);
      adapter_port_handle.wake_reader();
      reader.join();
      std::printf("woken-read %.0f\n", ms_since(start));
    } else if (step == "lost-and-back") {
      // The adapter got its INIT; the Linux side watches the idle link, then
      // unplugs the adapter and plugs it in again.
      const DWORD limit = std::strtoul(argv[++i], nullptr, 10);
      send_adapter_frame(make_adapter_frame(adapter_byte::init, std::string_view("\0", 1)));
      ResponseView shown;
      start_receive_loop(shown);
      std::printf("receiving\n");
      std::fflush(stdout);
      WaitForSingleObject(shown.back, limit);
      stop_receive_loop({});
      close_adapter_link();
    } else if (step == "gone-errors") {
      // Each code with 1 when it means the device has gone.
      for (DWORD code : {ERROR_DEVICE_NOT_CONNECTED, ERROR_BAD_COMMAND, ERROR_ACCESS_DENIED,
                         ERROR_OPERATION_ABORTED, ERROR_GEN_FAILURE, ERROR_FILE_NOT_FOUND,
                         ERROR_BROKEN_PIPE, ERROR_IO_PENDING, ERROR_SEM_TIMEOUT,
                         ERROR_INVALID_PARAMETER, ERROR_INVALID_HANDLE, ERROR_COUNTER_TIMEOUT}) {
        std::printf("gone-error %lu %d\n", code, error_means_device_gone(code) ? 1 : 0);
      }
    } else if (step == "write-timed") {
      const std::vector<std::uint8_t> bytes(std::strtoul(argv[++i], nullptr, 10), 0x55);
      const auto start = Clock::now();
      write_bytes(adapter_port_handle, bytes.data(), bytes.size());
      std::printf("write-timed %.0f\n", ms_since(start));
    } else {
      std::printf("unknown step %s\n", step.c_str());
      return 2;
    }
    std::fflush(stdout);
  }
  return 0;
}
