// Any frequency, shift or mode text, as a settings file or a repeater line may
// hold it: whatever reaches the radio's CAT port is whole 5-byte commands with
// a known opcode and BCD digits where the radio expects them, and the values
// agree with the oracle's own reading of the text below. The port is a
// real pseudo-terminal; after each call a marker byte that no CAT command
// holds is sent behind it, so the bytes up to the marker are that call's.

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <cmath>
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
#include "console/console_handlers.h"
#include "fuzz_check.h"
#include "settings/station_settings.h"
#include "support/recording_view.h"
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

// P1..P4 as BCD pairs from 100 MHz down to 10 Hz, in 10 Hz steps.
long bcd_10hz(const Command& c) {
  return ((bcd_value(c[0]) * 100L + bcd_value(c[1])) * 100L + bcd_value(c[2])) * 100L +
         bcd_value(c[3]);
}

void check_frequency(const Command& c) {
  FUZZ_REQUIRE(c[4] == 0x01);
  FUZZ_REQUIRE(is_bcd(c[0]) && is_bcd(c[1]) && is_bcd(c[2]) && is_bcd(c[3]));
  FUZZ_REQUIRE(bcd_10hz(c) < 46000000);  // below 460.000 MHz
}

void check_offset(const Command& c) {
  FUZZ_REQUIRE(c[4] == 0xF9);
  FUZZ_REQUIRE(is_bcd(c[0]) && is_bcd(c[1]) && is_bcd(c[2]) && is_bcd(c[3]));
  FUZZ_REQUIRE(bcd_10hz(c) <= 9999999);  // at most 99999.99 kHz
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

// The oracle's own reading of the number a text starts with: the longest
// prefix of white space, sign, digits, fraction and exponent, handed to
// strtod (the fuzzer runs in the "C" locale). strtod rounds to a double, so
// the checks below allow a hair's breadth where the exact decimal sits on a
// rounding edge.
struct Reading {
  bool found = false;
  bool minus = false;
  double khz = 0;
};

bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
bool is_digit(char c) { return c >= '0' && c <= '9'; }

std::string_view after_space(std::string_view text) {
  while (!text.empty() && is_space(text.front())) text.remove_prefix(1);
  return text;
}

Reading read_number(std::string_view text) {
  text = after_space(text);
  Reading r;
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) r.minus = text[i++] == '-';
  std::size_t digits = 0;
  while (i < text.size() && is_digit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && is_digit(text[i]); ++i) ++digits;
  }
  if (digits == 0) return r;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    if (j < text.size() && is_digit(text[j])) {
      while (j < text.size() && is_digit(text[j])) ++j;
      i = j;
    }
  }
  const std::string number(text.substr(0, i));
  r.found = true;
  r.khz = std::strtod(number.c_str(), nullptr);
  return r;
}

constexpr double kHair = 1e-6;  // kHz

// Frequency: the nearest 10 Hz, half a step up, refused from 460.000 MHz
// after rounding; a negative frequency is refused (a minus zero may go either way).
void expect_frequency(const Reading& r, const std::vector<Command>& sent, bool boxed, bool active) {
  FUZZ_REQUIRE(active == (sent.size() == 1));
  if (!r.found) {
    FUZZ_REQUIRE(sent.empty() && !boxed);
    return;
  }
  const double khz = std::fabs(r.khz);
  if (r.minus && khz >= 0.001) {
    FUZZ_REQUIRE(sent.empty() && !boxed);
    return;
  }
  if (r.minus && sent.empty()) {
    FUZZ_REQUIRE(!boxed);
    return;
  }
  if (boxed) {
    FUZZ_REQUIRE(sent.empty() && khz >= 459999.995 - kHair);
    return;
  }
  FUZZ_REQUIRE(sent.size() == 1 && khz < 459999.995 + kHair);
  FUZZ_REQUIRE(std::fabs(bcd_10hz(sent[0]) / 100.0 - khz) <= 0.005 + kHair);
}

// Offset: 10 Hz steps, finer digits cut off, refused from 100 MHz on.
void expect_offset(const Reading& r, const std::vector<Command>& sent, bool active) {
  FUZZ_REQUIRE(active == (sent.size() == 1));
  if (!r.found) {
    FUZZ_REQUIRE(sent.empty());
    return;
  }
  const double khz = std::fabs(r.khz);
  if (sent.empty()) {
    FUZZ_REQUIRE(khz >= 100000 - kHair);
    return;
  }
  const double offset = bcd_10hz(sent[0]) / 100.0;
  FUZZ_REQUIRE(offset <= khz + kHair && offset > khz - 0.01 - kHair);
}

// Direction: "SIMPLEX"; a first character at or below "+" (an empty text
// too) is plus, "," or "-" minus; an unsigned number is plus, or simplex when
// it is under 10 Hz; a text without any of these sends nothing and clears the flag.
void expect_direction(std::string_view text, const std::vector<Command>& sent, bool active) {
  text = after_space(text);
  const unsigned first = text.empty() ? 0 : static_cast<unsigned char>(text.front());
  const Reading r = read_number(text);
  if (text.substr(0, 7) == "SIMPLEX") {
    FUZZ_REQUIRE(sent.size() == 1 && sent[0][0] == 0x89);
  } else if (first <= '+') {
    FUZZ_REQUIRE(sent.size() == 1 && sent[0][0] == 0x49);
  } else if (first == ',' || first == '-') {
    FUZZ_REQUIRE(sent.size() == 1 && sent[0][0] == 0x09);
  } else if (r.found) {
    FUZZ_REQUIRE(sent.size() == 1);
    if (r.khz < 0.01 - kHair) FUZZ_REQUIRE(sent[0][0] == 0x89);
    if (r.khz >= 0.01 + kHair) FUZZ_REQUIRE(sent[0][0] == 0x49);
  } else {
    FUZZ_REQUIRE(sent.empty());
  }
  FUZZ_REQUIRE(active == (sent.size() == 1));
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
  const Reading number = read_number(text);

  {
    CallLogView view;
    transceiver_active = send_cat_frequency(view, text) == TuneStep::sent;
    const auto sent = sent_commands();
    FUZZ_REQUIRE(sent.size() <= 1);
    for (const Command& c : sent) check_frequency(c);
    check_boxes(view);
    FUZZ_REQUIRE(view.calls.size() + sent.size() <= 1);
    expect_frequency(number, sent, !view.calls.empty(), transceiver_active);
  }
  {
    transceiver_active = send_cat_offset(text) == TuneStep::sent;
    const auto sent = sent_commands();
    FUZZ_REQUIRE(sent.size() <= 1);
    for (const Command& c : sent) check_offset(c);
    expect_offset(number, sent, transceiver_active);
  }
  {
    transceiver_active = send_cat_direction(text) == TuneStep::sent;
    const auto sent = sent_commands();
    FUZZ_REQUIRE(sent.size() <= 1);
    for (const Command& c : sent) check_direction(c);
    expect_direction(text, sent, transceiver_active);
  }
  {
    transceiver_active = send_cat_mode(text) == TuneStep::sent;
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
    tune_and_keep_transceiver(view);
    const auto sent = sent_commands();
    check_boxes(view);
    // In order: frequency, offset, direction, mode, each at most once.
    const std::uint8_t order[] = {0x01, 0xF9, 0x09, 0x07};
    std::size_t next = 0;
    bool offset_sent = false;
    for (const Command& c : sent) {
      while (next < 4 && order[next] != c[4]) ++next;
      FUZZ_REQUIRE(next < 4);
      if (c[4] == 0x01) check_frequency(c);
      if (c[4] == 0xF9) {
        check_offset(c);
        offset_sent = true;
      }
      if (c[4] == 0x09) {
        check_direction(c);
        // A direction goes only with its offset, so the radio keeps its shift whole.
        FUZZ_REQUIRE(offset_sent);
      }
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
