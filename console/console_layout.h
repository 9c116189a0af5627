#pragma once
// The console window's controls as the operator knows them: identifier,
// kind, caption, place and size in dialog units, listed in creation order.

#include <array>

#include "console/console_view.h"

enum class ControlKind {
  label,
  right_label,      // a value shown flush right (frequency, shift, call back)
  digits_edit,      // one line, digits only
  line_edit,        // one line
  multi_line_edit,  // vertical scroll bar, Return starts a new line
  button,
  default_button,  // Return outside a text box presses it
  list,            // unsorted, double-click picks
};

struct ControlSpec {
  int id;
  ControlKind kind;
  const char* caption;  // initial text; empty for edits and lists
  int x, y, w, h;       // dialog units
};

inline constexpr int console_width_du = 460;
inline constexpr int console_height_du = 270;
inline constexpr int console_left_du = 10;
inline constexpr int console_top_du = 10;
inline constexpr int console_font_points = 10;
inline constexpr const char* console_title = "Kestrel8";

// Creation order also decides which control is drawn over which.
inline constexpr std::array<ControlSpec, 31> console_controls = {{
    {ctl::adapter_port_label, ControlKind::label, "DV port(1)", 300, 10, 49, 10},
    {ctl::adapter_port, ControlKind::digits_edit, "", 350, 10, 40, 10},
    {ctl::response_label, ControlKind::label, "Response", 301, 28, 39, 10},
    {ctl::response, ControlKind::label, "***", 350, 30, 40, 10},
    // "Tranceiver" as operators know it from the window and its settings file.
    {ctl::transceiver_label, ControlKind::label, "Tranceiver(15)", 323, 70, 49, 10},
    {ctl::transceiver_model, ControlKind::list, "", 372, 70, 70, 10},
    {ctl::transceiver_port_label, ControlKind::label, "TRX port(1)", 326, 90, 47, 10},
    {ctl::transceiver_port, ControlKind::line_edit, "", 372, 90, 40, 10},
    {ctl::start_stop, ControlKind::default_button, "START", 400, 10, 40, 10},
    {ctl::exit_button, ControlKind::button, "EXIT", 400, 30, 40, 10},
    {ctl::tx_msg, ControlKind::button, "TX msg", 328, 200, 40, 10},
    {ctl::receiving, ControlKind::multi_line_edit, "", 70, 130, 254, 50},
    {ctl::receiving_label, ControlKind::label, "Receiving", 20, 130, 40, 10},
    {ctl::sending, ControlKind::multi_line_edit, "", 70, 200, 255, 50},
    {ctl::sending_label, ControlKind::label, "Sending(20)", 20, 200, 40, 10},
    {ctl::my_callsign, ControlKind::multi_line_edit, "", 70, 10, 45, 10},
    {ctl::my_callsign_label, ControlKind::label, "My callsign(8)", 20, 10, 50, 10},
    {ctl::my_suffix, ControlKind::multi_line_edit, "", 150, 10, 30, 10},
    {ctl::my_suffix_label, ControlKind::label, "Slash(4)", 120, 10, 30, 10},
    {ctl::call_area, ControlKind::list, "", 70, 50, 60, 10},
    {ctl::call_area_label, ControlKind::label, "Call area(7)", 20, 50, 50, 10},
    {ctl::my_repeater, ControlKind::list, "", 70, 70, 253, 20},
    {ctl::my_repeater_label, ControlKind::label, "My repeater", 20, 70, 50, 10},
    {ctl::his_repeater, ControlKind::list, "", 70, 90, 254, 30},
    {ctl::his_repeater_label, ControlKind::label, "His repeater", 20, 90, 50, 10},
    {ctl::frequency_label, ControlKind::label, "TRX frq[kHz]", 326, 115, 45, 10},
    {ctl::frequency, ControlKind::right_label, "*******", 372, 114, 38, 10},
    {ctl::shift_label, ControlKind::label, "Shift[kHz]", 327, 135, 45, 10},
    {ctl::shift, ControlKind::right_label, "*****", 373, 135, 37, 10},
    {ctl::call_back, ControlKind::button, "Call back", 327, 153, 42, 10},
    {ctl::callback_callsign, ControlKind::right_label, "********", 372, 154, 45, 10},
}};

// Tab walks the edits and buttons in this order; labels and lists are skipped.
inline constexpr std::array<int, 10> console_tab_order = {
    ctl::adapter_port, ctl::transceiver_port, ctl::start_stop,  ctl::exit_button, ctl::tx_msg,
    ctl::receiving,    ctl::sending,          ctl::my_callsign, ctl::my_suffix,   ctl::call_back,
};

inline constexpr int console_initial_focus = ctl::adapter_port;
