#include "cat_radio.h"

#include <cstdio>

#include "text_format.h"

namespace cat {

namespace {

// Two BCD digits, or none when a nibble is not a digit.
std::optional<long> from_bcd(std::uint8_t b) {
  const int high = b >> 4;
  const int low = b & 0x0F;
  if (high > 9 || low > 9) return std::nullopt;
  return high * 10 + low;
}

// P1..P4 as a frequency in 10 Hz steps: P1 holds the 100 and 10 MHz digits.
std::optional<long> bcd_10hz(const Command& c) {
  long value = 0;
  for (int i = 0; i < 4; ++i) {
    const auto pair = from_bcd(c[static_cast<std::size_t>(i)]);
    if (!pair) return std::nullopt;
    value = value * 100 + *pair;
  }
  return value;
}

std::string mhz(long ten_hz) {
  char text[32];
  if (ten_hz % 100 == 0) {
    std::snprintf(text, sizeof text, "%ld.%03ld MHz", ten_hz / 100000, (ten_hz / 100) % 1000);
  } else {
    std::snprintf(text, sizeof text, "%ld.%05ld MHz", ten_hz / 100000, ten_hz % 100000);
  }
  return text;
}

std::optional<std::string> mode_name(std::uint8_t p1) {
  switch (p1) {
    case 0x00:
      return "LSB";
    case 0x01:
      return "USB";
    case 0x02:
      return "CW";
    case 0x03:
      return "CWR";
    case 0x04:
      return "AM";
    case 0x08:
      return "FM";
    case 0x0A:
      return "DIG";
    case 0x0C:
      return "PKT";
    default:
      return std::nullopt;
  }
}

const char* shift_name(Shift s) {
  switch (s) {
    case Shift::minus:
      return "minus";
    case Shift::plus:
      return "plus";
    case Shift::simplex:
      return "simplex";
  }
  return "?";
}

std::string raw(const Command& c) {
  std::string text = "[";
  text += hex_bytes({c.begin(), c.end()});
  text += ']';
  return text;
}

}  // namespace

Fed feed(Assembler& a, std::uint8_t b, long now_ms) {
  Fed fed;
  fed.dropped = expire(a, now_ms);
  a.bytes[a.count++] = b;
  a.last_byte_ms = now_ms;
  if (a.count == a.bytes.size()) {
    fed.command = a.bytes;
    a.count = 0;
  }
  return fed;
}

std::vector<std::uint8_t> expire(Assembler& a, long now_ms) {
  if (a.count == 0 || now_ms - a.last_byte_ms <= kCommandGapMs) return {};
  std::vector<std::uint8_t> stale(a.bytes.begin(), a.bytes.begin() + static_cast<long>(a.count));
  a.count = 0;
  return stale;
}

std::string apply(RadioState& radio, const Command& c) {
  switch (c[4]) {
    case kSetFrequency: {
      const auto f = bcd_10hz(c);
      if (!f) return "frequency not BCD " + raw(c);
      radio.frequency_10hz = *f;
      return "frequency " + mhz(*f);
    }
    case kSetOffset: {
      const auto f = bcd_10hz(c);
      if (!f) return "offset not BCD " + raw(c);
      radio.offset_10hz = *f;
      return "offset " + mhz(*f);
    }
    case kSetShift:
      switch (c[0]) {
        case kShiftMinus:
          radio.shift = Shift::minus;
          break;
        case kShiftPlus:
          radio.shift = Shift::plus;
          break;
        case kShiftSimplex:
          radio.shift = Shift::simplex;
          break;
        default:
          return "shift unknown " + raw(c);
      }
      return std::string("shift ") + shift_name(*radio.shift);
    case kSetMode: {
      const auto name = mode_name(c[0]);
      if (!name) return "mode unknown " + raw(c);
      radio.mode = *name;
      return "mode " + *name;
    }
    default:
      return "unknown command " + raw(c);
  }
}

std::string summary(const RadioState& radio) {
  std::string line =
      "radio " + (radio.frequency_10hz ? mhz(*radio.frequency_10hz) : std::string("?"));
  line += ", shift ";
  if (!radio.shift) {
    line += '?';
  } else if (*radio.shift == Shift::simplex) {
    line += "simplex";
  } else {
    line += shift_name(*radio.shift);
    line += ' ' + (radio.offset_10hz ? mhz(*radio.offset_10hz) : std::string("?"));
    if (radio.frequency_10hz && radio.offset_10hz) {
      const long sign = *radio.shift == Shift::minus ? -1 : 1;
      const long tx = *radio.frequency_10hz + sign * *radio.offset_10hz;
      if (tx >= 0) line += " (TX " + mhz(tx) + ")";
    }
  }
  line += ", mode " + radio.mode.value_or("?");
  return line;
}

}  // namespace cat
