#pragma once
// The one record of everything the operator has chosen. Callsign fields are
// fixed-width and space-padded because the adapter frames copy them byte for
// byte; text fields are bounded and cut at their capacity.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "settings/operator_words.h"
#include "settings/received_header.h"

// Text ends at a NUL byte, as a C string would: whatever follows could not be
// told apart from the end of the field anyway.
constexpr std::string_view up_to_nul(std::string_view text) {
  return text.substr(0, text.find('\0'));
}

// Exactly Width bytes, right-padded with spaces. No path can store fewer.
template <std::size_t Width>
class FixedField {
 public:
  FixedField() { bytes_.fill(' '); }
  explicit FixedField(std::string_view text) { assign(text); }

  // Copies at most Width bytes (stopping at a NUL, as the text ends there),
  // then pads with spaces.
  void assign(std::string_view text) {
    text = up_to_nul(text);
    std::size_t n = 0;
    for (; n < Width && n < text.size(); ++n) bytes_[n] = text[n];
    for (; n < Width; ++n) bytes_[n] = ' ';
  }
  std::string_view view() const { return {bytes_.data(), Width}; }
  const char* data() const { return bytes_.data(); }
  char operator[](std::size_t i) const { return bytes_[i]; }
  static constexpr std::size_t width() { return Width; }
  bool operator==(const FixedField&) const = default;

 private:
  std::array<char, Width> bytes_;
};

// Up to Capacity bytes of text; longer values are cut.
template <std::size_t Capacity>
class BoundedText {
 public:
  BoundedText() = default;
  explicit BoundedText(std::string_view text) { assign(text); }

  // Copies up to the capacity, stopping at a NUL as the text ends there.
  void assign(std::string_view text) {
    text = up_to_nul(text);
    std::size_t n = 0;
    for (; n < Capacity && n < text.size(); ++n) bytes_[n] = text[n];
    size_ = n;
  }
  std::string_view view() const { return {bytes_.data(), size_}; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  static constexpr std::size_t capacity() { return Capacity; }

 private:
  std::array<char, Capacity> bytes_{};
  std::size_t size_ = 0;
};

// The longest repeater line the console keeps: the "My repeater" list reads
// lines this long, the importer writes none longer, and the two chosen lines
// hold one whole, so a stored line keeps its gateway and shift.
inline constexpr std::size_t kMaxMyRepeaterLine = 100;

// The largest repeater offset the console tunes: the radios' offset command
// carries up to 99,999.99 kHz, so the importer writes no larger shift and
// tuning refuses one.
inline constexpr std::int64_t kLargestRepeaterOffsetHz = 99999990;

struct StationSettings {
  FixedField<8> my_callsign{"QR3WMN D"};
  FixedField<4> my_suffix{"F817"};
  BoundedText<kCallAreaLength> call_area{"JP1"};
  FixedField<8> my_repeater{"QR3KTA A"};
  FixedField<8> his_repeater{"QR3KTA B"};
  BoundedText<3> adapter_port{"7"};
  BoundedText<15> transceiver_model{"FT-817"};
  BoundedText<3> transceiver_port{"8"};
  BoundedText<11> frequency_khz{"439310"};
  BoundedText<7> shift_khz{"-5000"};
  BoundedText<3> mode{"PKT"};
  // The transceiver line's sixth place: rigctld's HOST:PORT for model
  // "rigctld"; every other model keeps the "Dummy " older lines hold there.
  BoundedText<48> transceiver_address{"Dummy "};
  BoundedText<kMaxMyRepeaterLine> my_repeater_line{
      "JP1,Hilltop430(NI43),439310,-5000,QR3KTA A,QR3KTG G"};
  BoundedText<kMaxMyRepeaterLine> his_repeater_line{
      "JP1,Hilltop1200(NI12),1291570,-20000,QR3KTA B,QR3KTG G"};
  FixedField<8> gateway{"QR3KTG G"};
  FixedField<8> callback_callsign{"QR3WMN B"};
  // Payload of the last header report; only the receive loop touches it.
  ReceivedHeader received_header = blank_received_header();
  // The short message last sent, zero-filled.
  std::array<char, 20> tx_message{};
};

// The station's record, alive for the whole run.
extern StationSettings station;

template <std::size_t Width>
void set_fixed(FixedField<Width>& field, std::string_view text) {
  field.assign(text);
}

template <std::size_t Capacity>
void set_text(BoundedText<Capacity>& field, std::string_view text) {
  field.assign(text);
}

// The call area names simplex operation (see names_simplex).
bool is_simplex();

// A gateway that starts with "None": the repeater has no gateway.
bool has_no_gateway();

// Back to the compiled-in values, as at program start.
void reset_station_settings();
