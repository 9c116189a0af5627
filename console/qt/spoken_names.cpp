#include "console/qt/spoken_names.h"

#include <QAbstractButton>
#include <QLabel>
#include <QWidget>
#include <array>

#include "console/console_layout.h"
#include "console/console_view.h"

namespace {

struct Captioned {
  int control;
  int caption;  // a label, or for the call-back callsign its button
  bool value;   // a label showing a value: named with its value
};

constexpr std::array<Captioned, 14> captioned = {{
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

// Text as shown, without the marker of a key.
QString shown_text(const QWidget* widget) {
  QString text;
  if (const auto* label = qobject_cast<const QLabel*>(widget)) text = label->text();
  if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) text = button->text();
  const qsizetype marker = text.indexOf(u'&');
  if (marker >= 0) text.remove(marker, 1);
  return text;
}

QString spoken_name(const ControlLookup& control, int id) {
  for (const Captioned& c : captioned) {
    if (c.control != id) continue;
    const QString caption = shown_text(control(c.caption));
    return c.value ? caption + u' ' + shown_text(control(id)) : caption;
  }
  return shown_text(control(id));
}

}  // namespace

bool is_value_field(int id) {
  for (const Captioned& c : captioned) {
    if (c.control == id) return c.value;
  }
  return false;
}

void name_controls_by_captions(const ControlLookup& control) {
  for (const Captioned& c : captioned) {
    // A label's buddy is what a screen reader pairs it with.
    if (auto* label = qobject_cast<QLabel*>(control(c.caption)))
      label->setBuddy(control(c.control));
  }
  for (const ControlSpec& placed : console_controls) rename_after_text_change(control, placed.id);
}

void rename_after_text_change(const ControlLookup& control, int id) {
  QWidget* widget = control(id);
  if (!widget) return;
  const QString name = spoken_name(control, id);
  if (widget->accessibleName() == name) return;
  widget->setAccessibleName(name);
  // The value field's caption names it too.
  for (const Captioned& c : captioned) {
    if (c.caption == id) rename_after_text_change(control, c.control);
  }
}
