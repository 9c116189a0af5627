#include "settings/settings_files.h"

#include <cstddef>
#include <initializer_list>

#include "console/message_boxes.h"
#include "settings/atomic_save.h"
#include "settings/station_settings.h"
#include "settings/text_file_reader.h"
#include "transceiver/rigctld_link.h"

namespace {

// A settings line is at most this long; the rest of a longer line is not read.
constexpr std::size_t kFirstLineLimit = 99;

bool is_delimiter(char c) { return c == ',' || c == '\t' || c == '\n'; }

std::string as_string(std::string_view text) { return std::string(text); }

void apply_adapter_field(ConsoleView& view, int i, std::string_view field) {
  switch (i) {
    case 0:
      set_fixed(station.my_suffix, field);
      view.set_text(ctl::my_suffix, as_string(station.my_suffix.view()));
      break;
    case 1:
      set_text(station.call_area, field);
      view.list_append(ctl::call_area, as_string(station.call_area.view()));
      break;
    case 2:
      set_fixed(station.my_repeater, field);
      break;
    case 3:
      set_fixed(station.his_repeater, field);
      break;
    case 4:
      set_text(station.adapter_port, field);
      view.set_text(ctl::adapter_port, as_string(station.adapter_port.view()));
      break;
    default:
      break;
  }
}

// The repeater's tuning, shown in the TRX frequency and shift fields.
void store_frequency(ConsoleView& view, std::string_view field) {
  set_text(station.frequency_khz, field);
  view.set_text(ctl::frequency, as_string(station.frequency_khz.view()));
}

void store_shift(ConsoleView& view, std::string_view field) {
  set_text(station.shift_khz, field);
  view.set_text(ctl::shift, as_string(station.shift_khz.view()));
}

// The second and third fields after the first, in a transceiver line and a
// repeater line alike: the frequency and the shift.
bool apply_tuning_field(ConsoleView& view, int i, std::string_view field) {
  if (i == 1) {
    store_frequency(view, field);
  } else if (i == 2) {
    store_shift(view, field);
  } else {
    return false;
  }
  return true;
}

void apply_transceiver_field(ConsoleView& view, int i, std::string_view field) {
  if (apply_tuning_field(view, i, field)) return;
  switch (i) {
    case 0:
      set_text(station.transceiver_port, field);
      view.set_text(ctl::transceiver_port, as_string(station.transceiver_port.view()));
      break;
    case 3:
      set_text(station.mode, field);
      break;
    case 4:
      set_text(station.transceiver_address, field);
      break;
    default:  // anything after the address
      break;
  }
}

void apply_my_repeater_field(ConsoleView& view, int i, std::string_view field) {
  if (apply_tuning_field(view, i, field)) return;
  switch (i) {
    case 3:
      set_fixed(station.my_repeater, field);
      break;
    case 4:
      set_fixed(station.gateway, field);
      break;
    default:  // the repeater's name is for the operator's eyes only
      break;
  }
}

void apply_first_field(ConsoleView& view, SettingsKind kind, std::string_view field) {
  switch (kind) {
    case SettingsKind::adapter:
      set_fixed(station.my_callsign, field);
      view.set_text(ctl::my_callsign, as_string(station.my_callsign.view()));
      break;
    case SettingsKind::transceiver:
      set_text(station.transceiver_model, field);
      view.list_append(ctl::transceiver_model, as_string(station.transceiver_model.view()));
      break;
    case SettingsKind::my_repeater:
    case SettingsKind::his_repeater:  // the area is only for filtering the lists
      break;
  }
}

void apply_field(ConsoleView& view, SettingsKind kind, int i, std::string_view field) {
  switch (kind) {
    case SettingsKind::adapter:
      apply_adapter_field(view, i, field);
      break;
    case SettingsKind::transceiver:
      apply_transceiver_field(view, i, field);
      break;
    case SettingsKind::my_repeater:
      apply_my_repeater_field(view, i, field);
      break;
    case SettingsKind::his_repeater:
      if (i == 3) set_fixed(station.his_repeater, field);
      break;
  }
}

std::string joined(std::initializer_list<std::string_view> fields) {
  std::string line;
  bool first = true;
  for (std::string_view f : fields) {
    if (!first) line += ',';
    line += f;
    first = false;
  }
  return line;
}

}  // namespace

std::string read_first_line(ConsoleView& view, const std::string& file_name) {
  TextFileReader file(file_name.c_str());
  if (!file.is_open()) {
    show_box(view, box::settings_file_unread, file_name);
    return {};
  }
  std::string line;
  while (line.size() < kFirstLineLimit) {
    int c = file.get();
    if (c == TextFileReader::end_of_file) break;
    line += static_cast<char>(c);
    if (c == '\n') break;  // kept: the tokenizer drops it
  }
  return as_string(up_to_nul(line));
}

std::vector<std::string_view> split_fields(std::string_view line) {
  line = up_to_nul(line);
  std::vector<std::string_view> fields;
  std::size_t pos = 0;
  while (pos < line.size()) {
    while (pos < line.size() && is_delimiter(line[pos])) ++pos;
    std::size_t start = pos;
    while (pos < line.size() && !is_delimiter(line[pos])) ++pos;
    if (pos > start) fields.push_back(line.substr(start, pos - start));
  }
  return fields;
}

void parse_settings_line(ConsoleView& view, std::string_view line, SettingsKind kind) {
  const std::vector<std::string_view> fields = split_fields(line);
  if (fields.empty()) return;
  apply_first_field(view, kind, fields[0]);
  // Fields are taken by place; the ones a short line lacks keep their values.
  for (int i = 0; i <= 5 && static_cast<std::size_t>(i) + 1 < fields.size(); ++i) {
    apply_field(view, kind, i, fields[static_cast<std::size_t>(i) + 1]);
  }
}

void save_adapter_settings(ConsoleView& view) {
  const std::string line = joined({station.my_callsign.view(), station.my_suffix.view(),
                                   station.call_area.view(), station.my_repeater.view(),
                                   station.his_repeater.view(), station.adapter_port.view()});
  if (!save_file_whole(kAdapterSettingsFile, line)) {
    show_box(view, box::adapter_file_unsaved, kAdapterSettingsFile);
    return;  // the repeater lines wait for a settings file that can be written
  }
  if (!save_file_whole(kMyRepeaterFile, station.my_repeater_line.view())) {
    show_box(view, box::adapter_file_unsaved, kMyRepeaterFile);
    return;
  }
  if (!save_file_whole(kHisRepeaterFile, station.his_repeater_line.view())) {
    show_box(view, box::adapter_file_unsaved, kHisRepeaterFile);
  }
}

namespace {

// rigctld's address as it was used; the placeholder for every other model.
std::string transceiver_address_to_save() {
  if (station.transceiver_model.view() != "rigctld") return "Dummy ";
  return rigctld_address();
}

}  // namespace

void save_transceiver_settings(ConsoleView& view) {
  save_transceiver_settings(view, station.frequency_khz.view(), station.shift_khz.view());
}

void save_transceiver_settings(ConsoleView& view, std::string_view frequency_khz,
                               std::string_view shift_khz) {
  const std::string line =
      joined({station.transceiver_model.view(), station.transceiver_port.view(), frequency_khz,
              shift_khz, station.mode.view(), transceiver_address_to_save()});
  if (!save_file_whole(kTransceiverSettingsFile, line)) {
    show_box(view, box::transceiver_file_unsaved, kTransceiverSettingsFile);
  }
}
