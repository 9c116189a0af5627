#pragma once
// What a screen reader is told about each control: the caption the operator
// sees beside it, so that a sighted helper and the screen reader use the same
// words. A value field is named by its caption and its value ("Response
// RPT?"), a button by what it shows ("START" or "STOP").

#include <functional>

class QWidget;

using ControlLookup = std::function<QWidget*(int id)>;

// Makes each caption the label of its control and names every control.
void name_controls_by_captions(const ControlLookup& control);
// A label that shows a value (Response, TRX frq, Shift, the call-back
// callsign): read by its text, named by caption and value.
bool is_value_field(int id);
// After a control's text changed: names it again.
void rename_after_text_change(const ControlLookup& control, int id);
