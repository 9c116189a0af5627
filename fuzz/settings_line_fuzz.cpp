// Any line a user may have typed into a settings or repeater file: the
// tokenizer must cut it into the fields it holds, and each kind of settings
// line must fill the station record by place, keeping every fixed-width
// field at its width and every text within its capacity, and show in the
// window exactly what it stored.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "settings/settings_files.h"
#include "settings/station_settings.h"
#include "support/recording_view.h"

namespace {

bool is_delimiter(char c) { return c == ',' || c == '\t' || c == '\n'; }

// The fields as a reader of the file sees them: the text ends at a NUL byte,
// runs of delimiters separate fields, and empty fields do not exist.
std::vector<std::string> fields_of(std::string_view line) {
  std::vector<std::string> fields;
  std::string field;
  for (char c : line) {
    if (c == '\0') break;
    if (is_delimiter(c)) {
      if (!field.empty()) fields.push_back(field);
      field.clear();
    } else {
      field += c;
    }
  }
  if (!field.empty()) fields.push_back(field);
  return fields;
}

std::string padded(const std::string& text, std::size_t width) {
  std::string out = text.substr(0, width);
  out.resize(width, ' ');
  return out;
}

std::string cut(const std::string& text, std::size_t capacity) { return text.substr(0, capacity); }

// The station's fields as plain strings, to compare whole records.
struct Snapshot {
  std::string my_callsign, my_suffix, call_area, my_repeater, his_repeater, adapter_port,
      transceiver_model, transceiver_port, frequency_khz, shift_khz, mode, gateway;
  bool operator==(const Snapshot&) const = default;
};

Snapshot snapshot() {
  const StationSettings& s = station;
  return {std::string(s.my_callsign.view()),
          std::string(s.my_suffix.view()),
          std::string(s.call_area.view()),
          std::string(s.my_repeater.view()),
          std::string(s.his_repeater.view()),
          std::string(s.adapter_port.view()),
          std::string(s.transceiver_model.view()),
          std::string(s.transceiver_port.view()),
          std::string(s.frequency_khz.view()),
          std::string(s.shift_khz.view()),
          std::string(s.mode.view()),
          std::string(s.gateway.view())};
}

struct Shown {
  ViewCall::Kind kind;
  int id;
  std::string text;
};

// What each kind of line must do, field by field: the first field, then
// i = 0..5 for the fields after it.
void expect(SettingsKind kind, const std::vector<std::string>& f, Snapshot& s,
            std::vector<Shown>& shown) {
  if (f.empty()) return;
  const auto has = [&](int i) { return static_cast<std::size_t>(i) + 1 < f.size() && i <= 5; };
  const auto at = [&](int i) { return f[static_cast<std::size_t>(i) + 1]; };
  // A field the window shows as well as stores.
  const auto show = [&](std::string& field, const std::string& value, ViewCall::Kind how, int id) {
    field = value;
    shown.push_back({how, id, value});
  };
  switch (kind) {
    case SettingsKind::adapter:
      show(s.my_callsign, padded(f[0], 8), ViewCall::set_text, 210);
      if (has(0)) show(s.my_suffix, padded(at(0), 4), ViewCall::set_text, 230);
      if (has(1)) show(s.call_area, cut(at(1), 7), ViewCall::list_append, 250);
      if (has(2)) s.my_repeater = padded(at(2), 8);
      if (has(3)) s.his_repeater = padded(at(3), 8);
      if (has(4)) show(s.adapter_port, cut(at(4), 3), ViewCall::set_text, 110);
      break;
    case SettingsKind::transceiver:
      show(s.transceiver_model, cut(f[0], 15), ViewCall::list_append, 360);
      if (has(0)) show(s.transceiver_port, cut(at(0), 3), ViewCall::set_text, 370);
      if (has(1)) show(s.frequency_khz, cut(at(1), 11), ViewCall::set_text, 390);
      if (has(2)) show(s.shift_khz, cut(at(2), 7), ViewCall::set_text, 410);
      if (has(3)) s.mode = cut(at(3), 3);
      break;
    case SettingsKind::my_repeater:
      if (has(1)) show(s.frequency_khz, cut(at(1), 11), ViewCall::set_text, 390);
      if (has(2)) show(s.shift_khz, cut(at(2), 7), ViewCall::set_text, 410);
      if (has(3)) s.my_repeater = padded(at(3), 8);
      if (has(4)) s.gateway = padded(at(4), 8);
      break;
    case SettingsKind::his_repeater:
      if (has(3)) s.his_repeater = padded(at(3), 8);
      break;
  }
}

bool within(const Snapshot& s) {
  return s.my_callsign.size() == 8 && s.my_suffix.size() == 4 && s.my_repeater.size() == 8 &&
         s.his_repeater.size() == 8 && s.gateway.size() == 8 && s.call_area.size() <= 7 &&
         s.adapter_port.size() <= 3 && s.transceiver_model.size() <= 15 &&
         s.transceiver_port.size() <= 3 && s.frequency_khz.size() <= 11 &&
         s.shift_khz.size() <= 7 && s.mode.size() <= 3;
}

bool holds_nul(const Snapshot& s) {
  for (const std::string* t :
       {&s.my_callsign, &s.my_suffix, &s.call_area, &s.my_repeater, &s.his_repeater,
        &s.adapter_port, &s.transceiver_model, &s.transceiver_port, &s.frequency_khz, &s.shift_khz,
        &s.mode, &s.gateway}) {
    if (t->find('\0') != std::string::npos) return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view line(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> expected_fields = fields_of(line);

  const std::vector<std::string_view> fields = split_fields(line);
  FUZZ_REQUIRE(fields.size() == expected_fields.size());
  for (std::size_t i = 0; i < fields.size(); ++i) {
    FUZZ_REQUIRE(fields[i] == expected_fields[i]);
    // Each field lies inside the line, so nothing is read beyond it.
    FUZZ_REQUIRE(fields[i].data() >= line.data() &&
                 fields[i].data() + fields[i].size() <= line.data() + line.size());
  }

  for (SettingsKind kind : {SettingsKind::adapter, SettingsKind::transceiver,
                            SettingsKind::my_repeater, SettingsKind::his_repeater}) {
    reset_station_settings();
    Snapshot want = snapshot();
    std::vector<Shown> shown;
    expect(kind, expected_fields, want, shown);

    CallLogView view;
    parse_settings_line(view, line, kind);
    const Snapshot got = snapshot();
    FUZZ_REQUIRE(within(got));
    FUZZ_REQUIRE(!holds_nul(got));
    FUZZ_REQUIRE(got == want);

    FUZZ_REQUIRE(view.calls.size() == shown.size());
    for (std::size_t i = 0; i < shown.size(); ++i) {
      FUZZ_REQUIRE(view.calls[i].kind == shown[i].kind);
      FUZZ_REQUIRE(view.calls[i].id == shown[i].id);
      FUZZ_REQUIRE(view.calls[i].text == shown[i].text);
    }
  }
  return 0;
}
