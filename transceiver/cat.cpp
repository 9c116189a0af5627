#include "transceiver/cat.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>

#include "adapter/link_state.h"
#include "adapter/pacing.h"
#include "console/message_boxes.h"
#include "console/stderr_view.h"
#include "settings/station_settings.h"
#include "transceiver/rigctld_link.h"
#include "transceiver/rigctld_tuning.h"
#include "transceiver/transceiver_models.h"

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

// The FT-817 family tunes in 10 Hz steps.
constexpr std::int64_t kCatStepHz = 10;

// Numbers far beyond any radio stop growing here, so no text overflows.
constexpr std::int64_t kBeyondAnyRadioHz = 1000000000000000;  // 1e12 kHz
constexpr int kBeyondAnyExponent = 100000;

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

enum class Shift { minus, plus, simplex };
enum class Mode { fm, pkt };

// How one kind of radio takes the four settings, already in whole Hz.
struct RadioCommands {
  std::int64_t step_hz;  // the finest step it tunes in
  TuneStep (*frequency)(ConsoleView&, std::int64_t hz);
  TuneStep (*offset)(ConsoleView&, std::int64_t hz);
  void (*before_direction)();
  TuneStep (*direction)(ConsoleView&, Shift);
  TuneStep (*mode)(ConsoleView&, Mode);
};

// Writes the command, then gives the radio time to act on it.
TuneStep send_command(const CatCommand& command) {
  std::uint8_t bytes[5] = {command.parameters[0], command.parameters[1], command.parameters[2],
                           command.parameters[3], command.opcode};
  write_bytes(transceiver_port_handle, bytes, sizeof bytes);
  spin_wait(kAfterCommand);
  return TuneStep::sent;
}

TuneStep cat_frequency(ConsoleView&, std::int64_t hz) {
  return send_command({bcd_places(hz / kCatStepHz), cat_byte::set_frequency});
}

TuneStep cat_offset(ConsoleView&, std::int64_t hz) {
  return send_command({bcd_places(hz / kCatStepHz), cat_byte::repeater_offset});
}

void cat_before_direction() { spin_wait(kBeforeDirection); }

TuneStep cat_direction(ConsoleView&, Shift shift) {
  const std::uint8_t p1 = shift == Shift::minus  ? cat_byte::shift_minus
                          : shift == Shift::plus ? cat_byte::shift_plus
                                                 : cat_byte::shift_simplex;
  return send_command(
      {{p1, cat_byte::unused, cat_byte::unused, cat_byte::unused}, cat_byte::shift_direction});
}

TuneStep cat_mode(ConsoleView&, Mode mode) {
  const std::uint8_t p1 = mode == Mode::fm ? cat_byte::mode_fm : cat_byte::mode_pkt;
  return send_command({{p1, cat_byte::mode_filler, cat_byte::mode_filler, cat_byte::mode_filler},
                       cat_byte::set_mode});
}

// rigctld answers once its radio has taken a command: the answer is the pause.
TuneStep rig_frequency(ConsoleView& view, std::int64_t hz) {
  const TuneStep step = rigctld_command(view, "F " + std::to_string(hz));
  if (step == TuneStep::sent) note_channel_so_far(ChannelSoFar::new_frequency_old_shift);
  return step;
}

TuneStep rig_offset(ConsoleView& view, std::int64_t hz) {
  return rigctld_command(view, "O " + std::to_string(hz));
}

void rig_before_direction() {}

TuneStep rig_direction(ConsoleView& view, Shift shift) {
  const TuneStep step = rigctld_command(view, shift == Shift::minus  ? "R -"
                                              : shift == Shift::plus ? "R +"
                                                                     : "R 0");
  if (step == TuneStep::sent) note_channel_so_far(ChannelSoFar::new_channel);
  return step;
}

TuneStep rig_mode(ConsoleView& view, Mode mode) {
  // Passband 0: the radio's own width for the mode. Radios without packet
  // FM (hamlib's TM-D710 and TM-V71 backends refuse it) carry 9600-baud
  // data through their data jack in FM.
  if (mode == Mode::pkt) {
    const TuneStep packet = rigctld_command(view, "M PKTFM 0", RefusalBox::none);
    if (packet != TuneStep::refused) return packet;
  }
  return rigctld_command(view, "M FM 0");
}

constexpr RadioCommands kCatCommands{kCatStepHz,           cat_frequency, cat_offset,
                                     cat_before_direction, cat_direction, cat_mode};
constexpr RadioCommands kRigctldCommands{
    1, rig_frequency, rig_offset, rig_before_direction, rig_direction, rig_mode};

const RadioCommands& commands_for(const TransceiverModel& model) {
  return model.tuning == TuningKind::rigctld ? kRigctldCommands : kCatCommands;
}

const TransceiverModel& ft817() { return *find_transceiver_model("FT-817"); }

TuneStep tune_frequency(ConsoleView& view, const TransceiverModel& model, std::string_view text) {
  const std::optional<KhzText> khz = read_khz(text);
  // A negative frequency has no BCD form; refuse it like text without a number.
  if (!khz || (khz->negative && khz->nonzero)) return TuneStep::refused;
  const RadioCommands& radio = commands_for(model);
  // Rounded to the radio's step, a half step up. The limit is checked on the
  // rounded value, so 459999.995 is refused rather than sent as 460.000 MHz.
  const std::int64_t hz = (khz->hz + radio.step_hz / 2) / radio.step_hz * radio.step_hz;
  if (model.frequency_limit_hz > 0 && hz >= model.frequency_limit_hz) {
    show_box(view, box::above_460_mhz, {}, BoxOwner::window);
    return TuneStep::refused;
  }
  return radio.frequency(view, hz);
}

TuneStep tune_offset(ConsoleView& view, const TransceiverModel& model, std::string_view text) {
  const std::optional<KhzText> khz = read_khz(text);
  if (!khz) return TuneStep::refused;
  const RadioCommands& radio = commands_for(model);
  // Finer digits than the radio's step are cut off.
  const std::int64_t hz = khz->hz / radio.step_hz * radio.step_hz;
  if (model.largest_offset_hz > 0 && hz > model.largest_offset_hz) return TuneStep::refused;
  return radio.offset(view, hz);
}

TuneStep tune_direction(ConsoleView& view, const TransceiverModel& model, std::string_view text) {
  const RadioCommands& radio = commands_for(model);
  radio.before_direction();
  // The offset was read past leading white space, so the sign is read there too.
  text = skip_white_space(text);
  const unsigned first = text.empty() ? 0 : static_cast<unsigned char>(text.front());
  Shift shift = Shift::plus;
  if (text.substr(0, 7) == "SIMPLEX") {
    shift = Shift::simplex;
  } else if (first <= '+') {
    // Also an empty shift and any mark below "+": a plus shift.
    shift = Shift::plus;
  } else if (first == ',' || first == '-') {
    shift = Shift::minus;
  } else if (const std::optional<KhzText> khz = read_khz(text)) {
    // An unsigned shift is a plus shift; an offset too small for the radio's
    // step is simplex.
    shift = khz->hz / radio.step_hz == 0 ? Shift::simplex : Shift::plus;
  } else {
    // No shift at all: the radio would keep whatever direction it had.
    return TuneStep::refused;
  }
  return radio.direction(view, shift);
}

TuneStep tune_mode(ConsoleView& view, const TransceiverModel& model, std::string_view text) {
  if (text != "FM" && text != "PKT") return TuneStep::refused;
  return commands_for(model).mode(view, text == "FM" ? Mode::fm : Mode::pkt);
}

// The worst step decides the whole tuning.
struct TuningSteps {
  TuningOutcome outcome = TuningOutcome::sent;
  TuneStep add(TuneStep step) {
    if (step == TuneStep::failed) outcome = TuningOutcome::failed;
    if (step == TuneStep::refused && outcome == TuningOutcome::sent) {
      outcome = TuningOutcome::refused;
    }
    return step;
  }
};

}  // namespace

std::uint8_t to_bcd(int v) {
  // A BCD place holds two digits; callers stay within 0..99.
  if (v < 0) v = 0;
  v %= 100;
  return static_cast<std::uint8_t>(((v / 10) << 4) | (v % 10));
}

std::array<std::uint8_t, 4> bcd_places(std::int64_t steps) {
  return {to_bcd(static_cast<int>(steps / 1000000 % 100)),
          to_bcd(static_cast<int>(steps / 10000 % 100)),
          to_bcd(static_cast<int>(steps / 100 % 100)), to_bcd(static_cast<int>(steps % 100))};
}

TuneStep send_cat_frequency(ConsoleView& view, std::string_view text) {
  return tune_frequency(view, ft817(), text);
}

TuneStep send_cat_offset(std::string_view text) {
  StderrView no_window;  // the FT-817 family shows no box for these
  return tune_offset(no_window, ft817(), text);
}

TuneStep send_cat_direction(std::string_view text) {
  StderrView no_window;  // the FT-817 family shows no box for these
  return tune_direction(no_window, ft817(), text);
}

TuneStep send_cat_mode(std::string_view text) {
  StderrView no_window;  // the FT-817 family shows no box for these
  return tune_mode(no_window, ft817(), text);
}

TuningOutcome tune_transceiver(ConsoleView& view) {
  const TransceiverModel* model = find_transceiver_model(station.transceiver_model.view());
  // Any other model tunes without rigctld: a rigctld tuning still under way
  // from an earlier pick is given up.
  if (!model || model->tuning != TuningKind::rigctld) end_rigctld_tunings();
  if (!model || model->tuning == TuningKind::none) return TuningOutcome::not_tuned;
  ChannelToTune channel{std::string(station.frequency_khz.view()),
                        std::string(station.shift_khz.view()), is_simplex()};
  if (model->tuning == TuningKind::rigctld) {
    order_rigctld_tuning(view, {rigctld_address(), std::move(channel)});
    return TuningOutcome::under_way;
  }
  return tune_channel(view, *model, channel);
}

TuningOutcome tune_channel(ConsoleView& view, const TransceiverModel& model,
                           const ChannelToTune& channel) {
  TuningSteps steps;
  if (!channel.simplex) {
    // A shift goes only with the frequency it belongs to, and a direction only
    // with its offset: otherwise the radio would transmit off its repeater's
    // input. After a refusal it keeps its whole previous repeater setting.
    if (steps.add(tune_frequency(view, model, channel.frequency_khz)) == TuneStep::sent &&
        steps.add(tune_offset(view, model, channel.shift_khz)) == TuneStep::sent) {
      steps.add(tune_direction(view, model, channel.shift_khz));
    }
    steps.add(tune_mode(view, model, "PKT"));
    return steps.outcome;
  }
  // Offset 0 and simplex are right on any frequency, so each step runs.
  steps.add(tune_frequency(view, model, channel.frequency_khz));
  steps.add(tune_offset(view, model, "000000"));
  steps.add(tune_direction(view, model, "SIMPLEX"));
  steps.add(tune_mode(view, model, "PKT"));
  return steps.outcome;
}

bool transceiver_link_open() { return transceiver_port_handle.is_open(); }
