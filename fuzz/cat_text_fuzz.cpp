// Any frequency, shift or mode text, as a settings file or a repeater line may
// hold it: whatever reaches the radio's CAT port is whole 5-byte commands with
// a known opcode and BCD digits where the radio expects them. The port is a
// real pseudo-terminal; after each call a marker byte that no CAT command
// holds is sent behind it, so the bytes up to the marker are that call's.

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "adapter/link_state.h"
#include "adapter/pacing.h"
#include "adapter/serial_port.h"
#include "call_log_view.h"
#include "fuzz_check.h"
#include "settings/station_settings.h"
#include "transceiver/cat.h"

namespace {

using Command = std::vector<std::uint8_t>;

constexpr std::uint8_t kMarker = 0xAA;  // neither a BCD pair nor any CAT byte
int radio_fd = -1;                      // the radio's end of the port

// The commands the last call sent, read up to the marker.
std::vector<Command> sent_commands() {
  const std::uint8_t marker = kMarker;
  write_bytes(transceiver_port_handle, &marker, 1);
  std::vector<std::uint8_t> bytes;
  for (;;) {
    pollfd pfd{radio_fd, POLLIN, 0};
    FUZZ_REQUIRE(::poll(&pfd, 1, 2000) == 1);  // the marker must come through
    std::uint8_t b = 0;
    if (::read(radio_fd, &b, 1) != 1) continue;
    if (b == kMarker) break;
    bytes.push_back(b);
  }
  FUZZ_REQUIRE(bytes.size() % 5 == 0);
  std::vector<Command> commands;
  for (std::size_t i = 0; i < bytes.size(); i += 5) {
    commands.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(i),
                          bytes.begin() + static_cast<std::ptrdiff_t>(i + 5));
  }
  return commands;
}

bool is_bcd(std::uint8_t b) { return (b >> 4) <= 9 && (b & 0x0F) <= 9; }
int bcd_value(std::uint8_t b) { return (b >> 4) * 10 + (b & 0x0F); }

void check_frequency(const Command& c) {
  FUZZ_REQUIRE(c[4] == 0x01);
  FUZZ_REQUIRE(is_bcd(c[0]) && is_bcd(c[1]) && is_bcd(c[2]) && c[3] == 0x00);
  const long khz = bcd_value(c[0]) * 10000L + bcd_value(c[1]) * 100L + bcd_value(c[2]);
  FUZZ_REQUIRE(khz < 460000);
}

void check_offset(const Command& c) {
  FUZZ_REQUIRE(c[4] == 0xF9);
  FUZZ_REQUIRE(c[0] == 0x00 && is_bcd(c[1]) && bcd_value(c[1]) <= 50);
  FUZZ_REQUIRE(c[2] == 0x00 && c[3] == 0x00);
}

void check_direction(const Command& c) {
  FUZZ_REQUIRE(c[4] == 0x09);
  FUZZ_REQUIRE(c[0] == 0x09 || c[0] == 0x49 || c[0] == 0x89);
  FUZZ_REQUIRE(c[1] == 0x00 && c[2] == 0x00 && c[3] == 0x00);
}

void check_mode(const Command& c) {
  FUZZ_REQUIRE(c[4] == 0x07);
  FUZZ_REQUIRE(c[0] == 0x08 || c[0] == 0x0C);
  FUZZ_REQUIRE(c[1] == 0x6D && c[2] == 0x6D && c[3] == 0x6D);
}

// The only box tuning may raise is the 460 MHz one, owned by the window.
void check_boxes(const CallLogView& view) {
  for (const ViewCall& call : view.calls) {
    FUZZ_REQUIRE(call.kind == ViewCall::message_box);
    FUZZ_REQUIRE(call.text == "More than 460MHz can not handle by the Tranceiver.");
    FUZZ_REQUIRE(call.caption == "Error : " && call.owner == BoxOwner::window);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // No pause is worth waiting for here.
  set_pacing_divisor_for_tests(std::numeric_limits<std::int64_t>::max());
  int near_fd = -1;
  char name[256] = {};
  if (::openpty(&radio_fd, &near_fd, name, nullptr, nullptr) != 0) std::abort();
  transceiver_port_handle = SerialPort::open(name, StopBits::two);
  ::close(near_fd);
  if (!transceiver_port_handle.is_open()) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  reset_station_settings();

  {
    CallLogView view;
    transceiver_active = true;
    send_cat_frequency(view, text);
    const auto sent = sent_commands();
    FUZZ_REQUIRE(sent.size() <= 1);
    for (const Command& c : sent) check_frequency(c);
    check_boxes(view);
    FUZZ_REQUIRE(view.calls.size() + sent.size() <= 1);
    FUZZ_REQUIRE(transceiver_active == (sent.size() == 1));
  }
  {
    transceiver_active = true;
    send_cat_offset(text);
    const auto sent = sent_commands();
    FUZZ_REQUIRE(sent.size() <= 1);
    for (const Command& c : sent) check_offset(c);
    FUZZ_REQUIRE(transceiver_active == (sent.size() == 1));
  }
  {
    transceiver_active = true;
    send_cat_direction(text);
    const auto sent = sent_commands();
    FUZZ_REQUIRE(sent.size() <= 1);
    for (const Command& c : sent) check_direction(c);
    if (text.substr(0, 7) == "SIMPLEX") FUZZ_REQUIRE(sent.size() == 1 && sent[0][0] == 0x89);
    if (text.empty()) FUZZ_REQUIRE(sent.size() == 1 && sent[0][0] == 0x49);
    FUZZ_REQUIRE(transceiver_active);  // the direction never clears the flag
  }
  {
    transceiver_active = true;
    send_cat_mode(text);
    const auto sent = sent_commands();
    const bool known = text == "FM" || text == "PKT";
    FUZZ_REQUIRE(sent.size() == (known ? 1u : 0u));
    for (const Command& c : sent) check_mode(c);
    FUZZ_REQUIRE(transceiver_active == known);
  }

  // The whole tuning, with the text split into frequency and shift at its
  // first comma as a repeater line would give them.
  {
    const std::size_t comma = text.find(',');
    set_text(station.frequency_khz, text.substr(0, comma));
    set_text(station.shift_khz, comma == std::string_view::npos ? "" : text.substr(comma + 1));
    set_text(station.transceiver_model, size % 2 ? "FT-817" : "FT-897");
    const bool simplex = size % 3 == 0;
    set_text(station.call_area, simplex ? "Simplex" : "JP1");
    CallLogView view;
    transceiver_active = true;
    tune_transceiver(view);
    const auto sent = sent_commands();
    check_boxes(view);
    // In order: frequency, offset, direction, mode, each at most once.
    const std::uint8_t order[] = {0x01, 0xF9, 0x09, 0x07};
    std::size_t next = 0;
    for (const Command& c : sent) {
      while (next < 4 && order[next] != c[4]) ++next;
      FUZZ_REQUIRE(next < 4);
      if (c[4] == 0x01) check_frequency(c);
      if (c[4] == 0xF9) check_offset(c);
      if (c[4] == 0x09) check_direction(c);
      if (c[4] == 0x07) check_mode(c);
      ++next;
    }
    FUZZ_REQUIRE(!sent.empty() && sent.back() == (Command{0x0C, 0x6D, 0x6D, 0x6D, 0x07}));
    if (simplex) {
      FUZZ_REQUIRE(transceiver_active);
      FUZZ_REQUIRE(sent.size() >= 3);
      const std::size_t n = sent.size();
      FUZZ_REQUIRE(sent[n - 3] == (Command{0x00, 0x00, 0x00, 0x00, 0xF9}));
      FUZZ_REQUIRE(sent[n - 2] == (Command{0x89, 0x00, 0x00, 0x00, 0x09}));
    }
  }
  return 0;
}
