#include "console/console_handlers.h"

#include <chrono>
#include <string>
#include <string_view>

#include "adapter/adapter_frames.h"
#include "adapter/heard_log_writer.h"
#include "adapter/link_state.h"
#include "adapter/serial_port.h"
#include "console/message_boxes.h"
#include "console/repeater_commands.h"
#include "console/stderr_view.h"
#include "settings/operator_words.h"
#include "settings/reflector_list.h"
#include "settings/repeater_lists.h"
#include "settings/settings_files.h"
#include "settings/station_settings.h"
#include "transceiver/cat.h"
#include "transceiver/rigctld_tuning.h"
#include "transceiver/transceiver_models.h"

namespace {

// Nine characters of a port field are read: room for any COM number, with
// the spaces or sign the operator may have typed before it.
constexpr int kPortTextChars = 9;
constexpr int kMessageChars = 20;
// The longest a stop waits for a stalled disk to take the heard lines.
constexpr auto kHeardLogDrain = std::chrono::seconds(2);
// A given-up tuning lets go of the window within milliseconds, unless a box
// of its own waits for OK.
constexpr auto kTuningLetsGo = std::chrono::milliseconds(500);

void clear_list(ConsoleView& view, int id) {
  if (id == ctl::his_repeater) forget_repeater_commands();
  for (int n = view.list_count(id); n > 0; --n) view.list_remove(id, 0);
}

bool is_line_break(char c) { return c == '\r' || c == '\n'; }

// These split the adapter settings line: inside the callsign or the suffix
// they would move every later field up a place at the next start.
bool separates_settings_fields(char c) { return c == ',' || c == '\t' || is_line_break(c); }

// The characters from start to end - 1 that lie within the text, without
// the dropped ones, at most `limit` of them.
std::string selected_characters(std::string_view text, EditSelection sel, std::size_t limit,
                                bool (*dropped)(char)) {
  std::string out;
  for (int i = sel.start; i < sel.end && out.size() < limit; ++i) {
    if (i < 0 || i >= static_cast<int>(text.size())) continue;
    char c = text[static_cast<std::size_t>(i)];
    if (dropped(c)) continue;
    out.push_back(c);
  }
  return out;
}

// What is selected in a callsign edit becomes the field; plain typing,
// with nothing selected, leaves the field alone. A blank selection leaves it
// alone too where a blank is no value: the adapter would transmit without a
// callsign.
enum class Blank { taken, kept_out };

template <std::size_t Width>
void take_selected_callsign(ConsoleView& view, int id, FixedField<Width>& field, Blank blank) {
  EditSelection sel = view.get_selection(id);
  if (sel.start >= sel.end) return;
  // Read as far as the selection reaches: a callsign kept on a later line of
  // the box is taken as selected, not as eight spaces sent on the air.
  std::string text = view.get_text(id, sel.end);
  const std::string value = selected_characters(text, sel, Width, separates_settings_fields);
  if (blank == Blank::kept_out && value.find_first_not_of(' ') == std::string::npos) return;
  set_fixed(field, value);
}

// At START the edits' own text is the station on the air, selected or not:
// the window must never show one callsign while the adapter sends another.
// A blank field keeps what is there, so a blank callsign never reaches the
// air (a first run's empty window sends the compiled-in station).
template <std::size_t Width>
void take_shown_callsign(ConsoleView& view, int id, FixedField<Width>& field) {
  // Room for line breaks and separators before the characters that count.
  constexpr int kShownChars = 64;
  const std::string text = view.get_text(id, kShownChars);
  const EditSelection whole{0, static_cast<int>(text.size())};
  const std::string value = selected_characters(text, whole, Width, separates_settings_fields);
  if (value.find_first_not_of(' ') == std::string::npos) return;
  set_fixed(field, value);
}

bool tuned_through_rigctld() {
  const TransceiverModel* model = find_transceiver_model(station.transceiver_model.view());
  return model && model->tuning == TuningKind::rigctld;
}

}  // namespace

// Tunes the radio and decides from what was sent whether STOP saves the
// transceiver file: after every command went out to an open port or
// rigctld, and in simplex operation also after a refusal or to a port that
// did not open, since simplex is right on any frequency.
void tune_and_keep_transceiver(ConsoleView& view) {
  const TuningOutcome outcome = tune_transceiver(view);
  switch (outcome) {
    case TuningOutcome::sent:
      transceiver_active = transceiver_link_open() || is_simplex();
      break;
    case TuningOutcome::refused:
      transceiver_active = is_simplex();
      break;
    case TuningOutcome::not_tuned:
    case TuningOutcome::failed:
    // Through rigctld the tuning thread's outcome decides, at STOP.
    case TuningOutcome::under_way:
      transceiver_active = false;
      break;
  }
}

void on_window_created(ConsoleView& view) {
  view.set_text(ctl::start_stop, "START");
  std::string line = read_first_line(view, kAdapterSettingsFile);
  bool his_list_of_repeaters = false;
  if (!line.empty()) {
    parse_settings_line(view, line, SettingsKind::adapter);
    for (const char* area : kCallAreas) view.list_append(ctl::call_area, area);
    append_call_areas_of_list(view, kCallAreas, station.call_area.view());
    fill_my_repeater_list(view, kMyRepeaterFile, station.call_area.view());
    if (is_simplex()) {
      clear_list(view, ctl::his_repeater);
      // In simplex the "My repeater" list gets the area's lines a second
      // time, so each simplex line is offered twice.
      fill_my_repeater_list(view, kMyRepeaterFile, station.call_area.view());
    } else if (names_no_gateway(station.his_repeater.view())) {
      clear_list(view, ctl::his_repeater);
      view.list_append(ctl::his_repeater, std::string(station.my_repeater.view()));
    } else {
      fill_his_repeater_list(view);
      his_list_of_repeaters = true;
    }
    std::string trx_line = read_first_line(view, kTransceiverSettingsFile);
    parse_settings_line(view, trx_line, SettingsKind::transceiver);
    for (const TransceiverModel& model : transceiver_models()) {
      view.list_append(ctl::transceiver_model, model.name);
    }
  }
  restore_chosen_repeater_lines();
  survey_port_holders();
  read_reflector_list(view);
  forget_repeater_commands();
  // Once the stored repeater's gateway is known.
  if (his_list_of_repeaters) offer_repeater_commands(view);
  adapter_open = false;
  transceiver_active = false;
}

bool on_command(ConsoleView& view, int control_id, CommandKind kind, const DisplayPump& pump) {
  const bool double_click = kind == CommandKind::double_click;
  switch (control_id) {
    case ctl::start_stop:
      on_start_stop(view, pump);
      break;
    case ctl::exit_button:
    case ctl::cancel:
      on_exit(view, pump);
      return true;
    case ctl::call_area:
      if (double_click) on_call_area_chosen(view);
      break;
    case ctl::my_repeater:
      if (double_click) on_my_repeater_chosen(view);
      break;
    case ctl::his_repeater:
      if (double_click) on_his_repeater_chosen(view);
      break;
    case ctl::transceiver_model:
      if (double_click) on_transceiver_chosen(view);
      break;
    case ctl::my_callsign:
      on_callsign_edit(view);
      break;
    case ctl::my_suffix:
      on_suffix_edit(view);
      break;
    case ctl::call_back:
      on_call_back(view);
      break;
    case ctl::tx_msg:
      on_tx_message(view);
      break;
    default:
      break;
  }
  return false;
}

void stop_adapter_side(ConsoleView& view, const DisplayPump& pump) {
  // Saved only for a link that ran, the adapter unplugged or not: during a
  // failed START's box the flag is set but no port was opened. Cleared
  // before the save, so a stop that comes while a save's box waits for OK
  // does not save a second time.
  if (adapter_open && adapter_port_opened) {
    adapter_open = false;
    save_adapter_settings(view);
  }
  // The loop must have ended before its port is closed: a closed descriptor
  // number may by then belong to another file.
  stop_receive_loop(pump);
  // The stations heard up to here reach the disk before anything ends.
  heard_log_drain(kHeardLogDrain);
  close_adapter_link();
}

void stop_transceiver_side(ConsoleView& view) {
  // A tuning through rigctld still under way ends here; the last one that
  // ended decides, and its channel is what the radio was last tuned to.
  if (const std::optional<RigctldTuned> tuned = end_rigctld_tunings()) {
    if (tuned->reached) save_transceiver_settings(view, tuned->frequency_khz, tuned->shift_khz);
    transceiver_active = false;
  }
  if (transceiver_active) {
    transceiver_active = false;
    save_transceiver_settings(view);
  }
  close_transceiver_link();
}

void on_start_stop(ConsoleView& view, const DisplayPump& pump) {
  if (adapter_open) {
    stop_adapter_side(view, pump);
    // The port is given back even when the tuning was refused, so the next
    // START can open it again; the file is still saved only after a good run.
    stop_transceiver_side(view);
    view.set_text(ctl::start_stop, "START");
    return;
  }
  take_shown_callsign(view, ctl::my_callsign, station.my_callsign);
  take_shown_callsign(view, ctl::my_suffix, station.my_suffix);
  // rigctld holds the radio's port itself: only a serial tuning can clash.
  const std::string adapter_text = view.get_text(ctl::adapter_port, kPortTextChars);
  if (!tuned_through_rigctld() &&
      ports_lead_to_one_device(view, adapter_text,
                               view.get_text(ctl::transceiver_port, kPortTextChars))) {
    return;
  }
  open_adapter_port(view, adapter_text);
  if (adapter_open) start_receive_loop(view);
  // A port still held from an earlier START would refuse this one.
  close_transceiver_link();
  end_rigctld_tunings();
  // rigctld holds the radio's port itself; the tuning connects to it.
  if (!tuned_through_rigctld()) {
    open_transceiver_port(view, view.get_text(ctl::transceiver_port, kPortTextChars));
  }
  // "STOP" whether or not the adapter opened: with adapter_open false the
  // next press runs START again.
  view.set_text(ctl::start_stop, "STOP");
  configure_adapter(view);
  tune_and_keep_transceiver(view);
}

void on_exit(ConsoleView& view, const DisplayPump& pump) {
  stop_adapter_side(view, pump);
  stop_transceiver_side(view);
  // The window goes next: the tuning thread lets go of it first.
  await_rigctld_tunings(pump, kTuningLetsGo);
}

void end_link_unattended() {
  StderrView no_window;
  on_exit(no_window, {});
}

void on_call_area_chosen(ConsoleView& view) {
  std::optional<std::string> entry = view.list_selected_text(ctl::call_area);
  if (!entry) return;
  fill_my_repeater_list(view, kRepeaterListFile, *entry);
  set_text(station.call_area, *entry);
  if (names_simplex(*entry)) {
    clear_list(view, ctl::my_repeater);
    clear_list(view, ctl::his_repeater);
    fill_my_repeater_list(view, kRepeaterListFile, *entry);
    set_fixed(station.his_repeater, kCallEveryone);
  } else {
    clear_list(view, ctl::his_repeater);
    fill_his_repeater_list(view);
    offer_repeater_commands(view);
  }
}

void on_my_repeater_chosen(ConsoleView& view) {
  std::optional<std::string> entry = view.list_selected_text(ctl::my_repeater);
  if (!entry) return;
  set_text(station.my_repeater_line, *entry);
  parse_settings_line(view, *entry, SettingsKind::my_repeater);
  if (has_no_gateway()) {
    // A repeater without gateway reaches only itself.
    set_text(station.his_repeater_line, station.my_repeater_line.view());
    station.his_repeater = station.my_repeater;
    clear_list(view, ctl::his_repeater);
    view.list_append(ctl::his_repeater, std::string(station.his_repeater_line.view()));
  } else {
    clear_list(view, ctl::his_repeater);
    fill_his_repeater_list(view);
    offer_repeater_commands(view);
  }
  if (adapter_open) {
    send_route();
    // The radio follows to the repeater's channel, as START would tune it.
    tune_and_keep_transceiver(view);
  }
}

void on_his_repeater_chosen(ConsoleView& view) {
  if (choose_repeater_command(view)) return;
  std::optional<std::string> entry = view.list_selected_text(ctl::his_repeater);
  if (!entry) return;
  parse_settings_line(view, *entry, SettingsKind::his_repeater);
  set_text(station.his_repeater_line, *entry);
  if (adapter_open) send_route();
}

void on_transceiver_chosen(ConsoleView& view) {
  std::optional<std::string> entry = view.list_selected_text(ctl::transceiver_model);
  if (!entry) return;
  set_text(station.transceiver_model, *entry);
}

void on_callsign_edit(ConsoleView& view) {
  take_selected_callsign(view, ctl::my_callsign, station.my_callsign, Blank::kept_out);
}

void on_suffix_edit(ConsoleView& view) {
  // Many stations have no suffix: a blank one is a value.
  take_selected_callsign(view, ctl::my_suffix, station.my_suffix, Blank::taken);
}

void on_call_back(ConsoleView& view) {
  EditSelection sel = view.get_selection(ctl::receiving);
  if (sel.start >= sel.end) return;
  // Read as far as the selection reaches, however many lines came before it.
  std::string text = view.get_text(ctl::receiving, sel.end);
  set_fixed(station.callback_callsign, selected_characters(text, sel, 8, is_line_break));
  view.set_text(ctl::callback_callsign, std::string(station.callback_callsign.view()));
  if (adapter_open) {
    send_callback_route();
  } else {
    show_box(view, box::adapter_closed, {}, BoxOwner::window);
  }
}

void on_tx_message(ConsoleView& view) {
  std::string text = view.get_text(ctl::sending, kMessageChars);
  station.tx_message.fill('\0');
  for (std::size_t i = 0; i < text.size() && i < station.tx_message.size(); ++i) {
    station.tx_message[i] = text[i];
  }
  send_tx_message(station.tx_message);
}
