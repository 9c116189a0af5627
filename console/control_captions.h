#pragma once
// Which caption belongs to which control: what a screen reader pairs, so
// that it names each control by the words a sighted helper sees beside it.

#include <array>

#include "console/console_view.h"

struct CaptionedControl {
  int control;
  int caption;  // a label, or for the call-back callsign its button
  bool value;   // a label showing a value: named with its value
};

inline constexpr std::array<CaptionedControl, 14> kCaptionedControls = {{
    {ctl::adapter_port, ctl::adapter_port_label, false},
    {ctl::response, ctl::response_label, true},
    {ctl::transceiver_model, ctl::transceiver_label, false},
    {ctl::transceiver_port, ctl::transceiver_port_label, false},
    {ctl::receiving, ctl::receiving_label, false},
    {ctl::sending, ctl::sending_label, false},
    {ctl::my_callsign, ctl::my_callsign_label, false},
    {ctl::my_suffix, ctl::my_suffix_label, false},
    {ctl::call_area, ctl::call_area_label, false},
    {ctl::my_repeater, ctl::my_repeater_label, false},
    {ctl::his_repeater, ctl::his_repeater_label, false},
    {ctl::frequency, ctl::frequency_label, true},
    {ctl::shift, ctl::shift_label, true},
    {ctl::callback_callsign, ctl::call_back, true},
}};
