#include "console/qt/spoken_names.h"

#include <QAbstractButton>
#include <QLabel>
#include <QWidget>
#include <array>

#include "console/console_layout.h"
#include "console/console_view.h"
#include "console/control_captions.h"

namespace {

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
  for (const CaptionedControl& c : kCaptionedControls) {
    if (c.control != id) continue;
    const QString caption = shown_text(control(c.caption));
    return c.value ? caption + u' ' + shown_text(control(id)) : caption;
  }
  return shown_text(control(id));
}

}  // namespace

bool is_value_field(int id) {
  for (const CaptionedControl& c : kCaptionedControls) {
    if (c.control == id) return c.value;
  }
  return false;
}

void name_controls_by_captions(const ControlLookup& control) {
  for (const CaptionedControl& c : kCaptionedControls) {
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
  for (const CaptionedControl& c : kCaptionedControls) {
    if (c.caption == id) rename_after_text_change(control, c.control);
  }
}
