#include "transceiver/cat.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "adapter/link_state.h"
#include "adapter/pacing.h"
#include "settings/station_settings.h"

namespace {

namespace cat_byte {
// Frequency and offset: P1..P4 are BCD digit pairs from 100 MHz down to
// 10 Hz (430.43750 MHz is 43 04 37 50).
constexpr std::uint8_t set_frequency = 0x01;    // operating frequency
constexpr std::uint8_t repeater_offset = 0xF9;  // repeater offset, in 10 Hz steps
constexpr std::uint8_t shift_direction = 0x09;  // repeater shift direction
constexpr std::uint8_t set_mode = 0x07;         // operating mode
constexpr std::uint8_t shift_minus = 0x09;      // transmit below the receive frequency
constexpr std::uint8_t shift_plus = 0x49;       // transmit above the receive frequency
constexpr std::uint8_t shift_simplex = 0x89;    // transmit on the receive frequency
constexpr std::uint8_t mode_fm = 0x08;
constexpr std::uint8_t mode_pkt = 0x0C;     // packet: the DV adapter's audio path
constexpr std::uint8_t mode_filler = 0x6D;  // "m": the radio ignores these places
constexpr std::uint8_t unused = 0x00;
}  // namespace cat_byte

// The radio needs time to take each command before the next one.
constexpr std::int64_t kAfterCommand = 100000000;
// The shift direction is taken only after the offset has settled.
constexpr std::int64_t kBeforeDirection = 1000000000;

// The FT-817/FT-897 cover nothing from 460 MHz up. The offset command carries
// up to 99999.99 kHz, enough for the 7.6 MHz and 9 MHz shifts of 70 cm abroad.
constexpr std::int64_t kHighestFrequency10Hz = 46000000;  // 460.000 MHz
constexpr std::int64_t kLargestOffset10Hz = 9999999;      // 99999.99 kHz

// Numbers far beyond any radio stop growing here, so no text overflows.
constexpr std::int64_t kBeyondAnyRadioHz = 1000000000000000;  // 1e12 kHz
constexpr int kBeyondAnyExponent = 100000;

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

bool is_digit(char c) { return c >= '0' && c <= '9'; }

std::string_view skip_white_space(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && is_white_space(text[i])) ++i;
  return text.substr(i);
}

// A kHz number as the text writes it, cut to whole Hz: the radio steps in
// 10 Hz, so the digits below 1 Hz can never decide a rounding.
struct KhzText {
  bool negative = false;
  bool nonzero = false;  // any digit other than 0, even below 1 Hz
  std::int64_t hz = 0;   // magnitude, at most kBeyondAnyRadioHz
};

// The kHz number at the start of a frequency or shift text: white space, a
// sign, digits with a fraction and exponent, as strtod reads them but always
// with "." as the decimal point, whatever the operator's locale says. It is
// read digit by digit, so "430437.5" is exactly 430437500 Hz. "inf", "nan"
// and hex are not frequencies and count as no number.
std::optional<KhzText> read_khz(std::string_view text) {
  text = skip_white_space(text);
  KhzText number;
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) number.negative = text[i++] == '-';
  const std::size_t digits_from = i;
  std::size_t whole_digits = 0;
  while (i < text.size() && is_digit(text[i])) ++i, ++whole_digits;
  const std::size_t whole_end = i;
  std::size_t fraction_digits = 0;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && is_digit(text[i])) ++i, ++fraction_digits;
  }
  if (whole_digits + fraction_digits == 0) return std::nullopt;
  const std::size_t mantissa_end = i;
  // An exponent counts only when at least one digit follows its sign.
  int exponent = 0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    std::size_t j = i + 1;
    const bool exponent_negative = j < text.size() && text[j] == '-';
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    if (j < text.size() && is_digit(text[j])) {
      for (; j < text.size() && is_digit(text[j]); ++j) {
        exponent = std::min(exponent * 10 + (text[j] - '0'), kBeyondAnyExponent);
      }
      if (exponent_negative) exponent = -exponent;
    }
  }
  // Digits that land at or above the 1 Hz place: the whole kHz digits, the
  // exponent's shift, and three more for kHz to Hz.
  const std::int64_t hz_places = static_cast<std::int64_t>(whole_digits) + exponent + 3;
  std::int64_t place = 0;
  for (std::size_t k = digits_from; k < mantissa_end; ++k) {
    if (k == whole_end) continue;  // the decimal point
    const int digit = text[k] - '0';
    if (digit != 0) number.nonzero = true;
    if (place++ < hz_places) number.hz = std::min(number.hz * 10 + digit, kBeyondAnyRadioHz);
  }
  for (; place < hz_places && number.hz != 0 && number.hz < kBeyondAnyRadioHz; ++place) {
    number.hz = std::min(number.hz * 10, kBeyondAnyRadioHz);
  }
  return number;
}

// The offset in the radio's 10 Hz steps, finer digits cut off.
std::int64_t offset_steps(const KhzText& khz) { return khz.hz / 10; }

}  // namespace

std::uint8_t to_bcd(int v) {
  // A BCD place holds two digits; callers stay within 0..99.
  if (v < 0) v = 0;
  v %= 100;
  return static_cast<std::uint8_t>(((v / 10) << 4) | (v % 10));
}

bool send_cat_frequency(ConsoleView& view, std::string_view text) {
  const std::optional<KhzText> khz = read_khz(text);
  // A negative frequency has no BCD form; refuse it like text without a number.
  if (!khz || (khz->negative && khz->nonzero)) {
    transceiver_active = false;
    return false;
  }
  // The radio tunes in 10 Hz steps; a half step goes up. The limit is checked
  // on the rounded value, so 459999.995 is refused rather than sent as 460.000 MHz.
  const std::int64_t steps = (khz->hz + 5) / 10;
  if (steps >= kHighestFrequency10Hz) {
    // The radio's limit in the box's fixed words, "Tranceiver" spelling included.
    view.message_box("More than 460MHz can not handle by the Tranceiver.",
                     "Error : ", BoxOwner::window);
    transceiver_active = false;
    return false;
  }
  CatCommand command;
  command.parameters = {
      to_bcd(static_cast<int>(steps / 1000000)), to_bcd(static_cast<int>(steps / 10000 % 100)),
      to_bcd(static_cast<int>(steps / 100 % 100)), to_bcd(static_cast<int>(steps % 100))};
  command.opcode = cat_byte::set_frequency;
  send_command(command);
  return true;
}

bool send_cat_offset(std::string_view text) {
  const std::optional<KhzText> khz = read_khz(text);
  if (!khz || offset_steps(*khz) > kLargestOffset10Hz) {
    transceiver_active = false;
    return false;
  }
  const int steps = static_cast<int>(offset_steps(*khz));
  CatCommand command;
  command.parameters = {to_bcd(steps / 1000000), to_bcd(steps / 10000 % 100),
                        to_bcd(steps / 100 % 100), to_bcd(steps % 100)};
  command.opcode = cat_byte::repeater_offset;
  send_command(command);
  return true;
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
    // Also an empty shift and any mark below "+": a plus shift.
    direction = cat_byte::shift_plus;
  } else if (first == ',' || first == '-') {
    direction = cat_byte::shift_minus;
  } else if (const std::optional<KhzText> khz = read_khz(text)) {
    // An unsigned shift is a plus shift; an offset of zero is simplex.
    direction = offset_steps(*khz) == 0 ? cat_byte::shift_simplex : cat_byte::shift_plus;
  } else {
    // No shift at all: the radio would keep whatever direction it had.
    transceiver_active = false;
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
  if (!is_simplex()) {
    // A shift goes only with the frequency it belongs to, and a direction only
    // with its offset: otherwise the radio would transmit off its repeater's
    // input. After a refusal it keeps its whole previous repeater setting.
    if (send_cat_frequency(view, station.frequency_khz.view()) &&
        send_cat_offset(station.shift_khz.view())) {
      send_cat_direction(station.shift_khz.view());
    }
    send_cat_mode("PKT");
    return;
  }
  // Offset 0 and simplex are right on any frequency, so each step runs.
  send_cat_frequency(view, station.frequency_khz.view());
  send_cat_offset("000000");
  send_cat_direction("SIMPLEX");
  send_cat_mode("PKT");
  transceiver_active = true;
}
