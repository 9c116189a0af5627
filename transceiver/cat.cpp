#include "transceiver/cat.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>

#include "adapter/link_state.h"
#include "adapter/pacing.h"
#include "settings/station_settings.h"

namespace {

namespace cat_byte {
constexpr std::uint8_t set_frequency = 0x01;    // operating frequency
constexpr std::uint8_t repeater_offset = 0xF9;  // repeater offset
constexpr std::uint8_t shift_direction = 0x09;  // repeater shift direction
constexpr std::uint8_t set_mode = 0x07;         // operating mode
constexpr std::uint8_t shift_minus = 0x09;      // transmit below the receive frequency
constexpr std::uint8_t shift_plus = 0x49;       // transmit above the receive frequency
constexpr std::uint8_t shift_simplex = 0x89;    // transmit on the receive frequency
constexpr std::uint8_t mode_fm = 0x08;
constexpr std::uint8_t mode_pkt = 0x0C;         // packet: the DV adapter's audio path
constexpr std::uint8_t mode_filler = 0x6D;      // "m": the radio ignores these places
constexpr std::uint8_t unused = 0x00;
}  // namespace cat_byte

// The radio needs time to take each command before the next one.
constexpr std::int64_t kAfterCommand = 100000000;
// The shift direction is taken only after the offset has settled.
constexpr std::int64_t kBeforeDirection = 1000000000;

// The FT-817/FT-897 cover nothing from 460 MHz up, and offsets of at most 5 MHz.
constexpr double kHighestFrequencyKhz = 460000;
constexpr double kLargestOffsetKhz = 5000;

// Writes the command, then gives the radio time to act on it.
void send_command(const CatCommand& command) {
  std::uint8_t bytes[5] = {command.parameters[0], command.parameters[1], command.parameters[2],
                           command.parameters[3], command.opcode};
  write_bytes(transceiver_port_handle, bytes, sizeof bytes);
  spin_wait(kAfterCommand);
}

bool is_white_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::string_view skip_white_space(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && is_white_space(text[i])) ++i;
  return text.substr(i);
}

// The kHz number at the start of a frequency or shift text: white space, a
// sign, digits with a fraction and exponent, as strtod reads them but always
// with "." as the decimal point, whatever the operator's locale says. "inf",
// "nan" and hex are not frequencies and count as no number. A value beyond a
// double reads as infinite (so the range checks refuse it) or, with a large
// negative exponent, as zero.
std::optional<double> read_khz(std::string_view text) {
  text = skip_white_space(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty() || !((text.front() >= '0' && text.front() <= '9') || text.front() == '.')) {
    return std::nullopt;
  }
  double value = 0;
  auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value,
                                      std::chars_format::general);
  if (error == std::errc::invalid_argument) return std::nullopt;
  if (error == std::errc::result_out_of_range) {
    std::string_view number(text.data(), static_cast<std::size_t>(end - text.data()));
    const std::size_t exponent = number.find_first_of("eE");
    const bool tiny = exponent != std::string_view::npos && exponent + 1 < number.size() &&
                      number[exponent + 1] == '-';
    value = tiny ? 0.0 : HUGE_VAL;
  }
  return negative ? -value : value;
}

}  // namespace

std::uint8_t to_bcd(int v) {
  // A BCD place holds two digits; callers stay within 0..99.
  if (v < 0) v = 0;
  v %= 100;
  return static_cast<std::uint8_t>(((v / 10) << 4) | (v % 10));
}

void send_cat_frequency(ConsoleView& view, std::string_view text) {
  std::optional<double> khz = read_khz(text);
  // A negative frequency has no BCD form; refuse it like text without a number.
  if (!khz || *khz < 0) {
    transceiver_active = false;
    return;
  }
  if (*khz >= kHighestFrequencyKhz) {
    view.message_box("More than 460MHz can not handle by the Tranceiver.", "Error : ",
                     BoxOwner::window);
    transceiver_active = false;
    return;
  }
  // Only whole kHz reach the radio.
  const long whole = static_cast<long>(std::floor(*khz));
  CatCommand command;
  command.parameters = {to_bcd(static_cast<int>(whole / 10000)),
                        to_bcd(static_cast<int>(whole % 10000 / 100)),
                        to_bcd(static_cast<int>(whole % 100)), cat_byte::unused};
  command.opcode = cat_byte::set_frequency;
  send_command(command);
}

void send_cat_offset(std::string_view text) {
  std::optional<double> khz = read_khz(text);
  if (!khz) {
    transceiver_active = false;
    return;
  }
  const double magnitude = std::trunc(std::fabs(*khz));
  if (magnitude > kLargestOffsetKhz) {
    transceiver_active = false;
    return;
  }
  // The radio takes the offset in 100 kHz steps; tens and units of kHz are dropped.
  const int whole = static_cast<int>(magnitude);
  CatCommand command;
  command.parameters = {to_bcd(whole / 10000), to_bcd(whole % 10000 / 100), cat_byte::unused,
                        cat_byte::unused};
  command.opcode = cat_byte::repeater_offset;
  send_command(command);
}

void send_cat_direction(std::string_view text) {
  spin_wait(kBeforeDirection);
  // The offset was read past leading white space, so the sign is read there too.
  text = skip_white_space(text);
  std::uint8_t direction = 0;
  const unsigned first = text.empty() ? 0 : static_cast<unsigned char>(text.front());
  if (text.substr(0, 7) == "SIMPLEX") {
    direction = cat_byte::shift_simplex;
  } else if (first <= '+') {
    direction = cat_byte::shift_plus;
  } else if (first == ',' || first == '-') {
    direction = cat_byte::shift_minus;
  } else {
    // An unsigned shift leaves the radio's direction as it was.
    return;
  }
  CatCommand command;
  command.parameters = {direction, cat_byte::unused, cat_byte::unused, cat_byte::unused};
  command.opcode = cat_byte::shift_direction;
  send_command(command);
}

void send_cat_mode(std::string_view text) {
  std::uint8_t mode = 0;
  if (text == "FM") {
    mode = cat_byte::mode_fm;
  } else if (text == "PKT") {
    mode = cat_byte::mode_pkt;
  } else {
    transceiver_active = false;
    return;
  }
  CatCommand command;
  command.parameters = {mode, cat_byte::mode_filler, cat_byte::mode_filler, cat_byte::mode_filler};
  command.opcode = cat_byte::set_mode;
  send_command(command);
}

void tune_transceiver(ConsoleView& view) {
  const std::string_view model = station.transceiver_model.view();
  if (model != "FT-817" && model != "FT-897") {
    transceiver_active = false;
    return;
  }
  // Every step runs even after a refusal, so the radio gets whatever it can take.
  if (!is_simplex()) {
    send_cat_frequency(view, station.frequency_khz.view());
    send_cat_offset(station.shift_khz.view());
    send_cat_direction(station.shift_khz.view());
    send_cat_mode("PKT");
    return;
  }
  send_cat_frequency(view, station.frequency_khz.view());
  send_cat_offset("000000");
  send_cat_direction("SIMPLEX");
  send_cat_mode("PKT");
  transceiver_active = true;
}
