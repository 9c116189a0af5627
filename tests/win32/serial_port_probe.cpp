// Runs the serial-port twin step by step for the Linux harness in
// tests/wine, which owns the pseudo-terminals behind COMn and checks what
// reaches them. Each argument is one step; each step prints one line.
//   open-adapter TEXT | open-trx TEXT | close-adapter | close-trx
//   write-adapter HEX | write-trx HEX | read-adapter COUNT MS | idle-read
//   write-timed COUNT | woken-read

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "adapter/link_state.h"

namespace {

using Clock = std::chrono::steady_clock;

// Message boxes become lines, so the harness sees what the operator would.
class PrintingView final : public ConsoleView {
 public:
  void set_text(int, const std::string&) override {}
  std::string get_text(int, int) override { return {}; }
  EditSelection get_selection(int) override { return {}; }
  void type_char(int, char) override {}
  void list_append(int, const std::string&) override {}
  void list_remove(int, int) override {}
  int list_count(int) override { return 0; }
  std::optional<std::string> list_selected_text(int) override { return std::nullopt; }
  void message_box(const std::string& text, const std::string& caption, BoxOwner) override {
    std::printf("box %s | %s\n", text.c_str(), caption.c_str());
  }
};

std::vector<std::uint8_t> from_hex(const std::string& hex) {
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<std::uint8_t>(std::strtoul(hex.substr(i, 2).c_str(), nullptr, 16)));
  }
  return bytes;
}

double ms_since(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  PrintingView view;
  for (int i = 1; i < argc; ++i) {
    const std::string step = argv[i];
    const std::string arg = i + 1 < argc ? argv[i + 1] : "";
    if (step == "open-adapter") {
      open_adapter_port(view, argv[++i]);
      std::printf("adapter_open %d\n", adapter_open ? 1 : 0);
    } else if (step == "open-trx") {
      open_transceiver_port(view, argv[++i]);
      std::printf("transceiver_active %d\n", transceiver_active ? 1 : 0);
    } else if (step == "close-adapter") {
      close_adapter_link();
      std::printf("closed adapter\n");
    } else if (step == "close-trx") {
      close_transceiver_link();
      std::printf("closed trx\n");
    } else if (step == "write-adapter" || step == "write-trx") {
      const auto bytes = from_hex(argv[++i]);
      write_bytes(step == "write-adapter" ? adapter_port_handle : transceiver_port_handle,
                  bytes.data(), bytes.size());
      std::printf("wrote %zu\n", bytes.size());
    } else if (step == "read-adapter") {
      const std::size_t count = std::strtoul(argv[++i], nullptr, 10);
      const auto limit = std::chrono::milliseconds(std::atoi(argv[++i]));
      const auto start = Clock::now();
      std::string hex;
      for (std::size_t got = 0; got < count && Clock::now() - start < limit;) {
        if (auto b = read_byte(adapter_port_handle)) {
          char two[3];
          std::snprintf(two, sizeof two, "%02X", *b);
          hex += two;
          ++got;
        }
      }
      std::printf("read %s\n", hex.c_str());
    } else if (step == "idle-read") {
      std::vector<double> took;
      for (int n = 0; n < 21; ++n) {
        const auto start = Clock::now();
        const bool got = read_byte(adapter_port_handle).has_value();
        took.push_back(got ? -1 : ms_since(start));
      }
      std::sort(took.begin(), took.end());
      std::printf("idle-read min %.1f median %.1f max %.1f\n", took.front(), took[took.size() / 2],
                  took.back());
    } else if (step == "woken-read") {
      // STOP's wake-up ends a silent wait long before its limit.
      const auto start = Clock::now();
      std::thread reader([] { adapter_port_handle.read_until_woken(std::chrono::seconds(5)); });
      Sleep(50);
      adapter_port_handle.wake_reader();
      reader.join();
      std::printf("woken-read %.0f\n", ms_since(start));
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
    (void)arg;
  }
  return 0;
}
