#include "console/qt/one_line_text.h"

#include <QAccessibleWidget>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QValidator>

#include "console/qt/spoken_names.h"

namespace {

class OneLineText final : public QAccessibleWidget,
                          public QAccessibleTextInterface,
                          public QAccessibleEditableTextInterface {
 public:
  OneLineText(QWidget* widget, QAccessible::Role role) : QAccessibleWidget(widget, role) {}

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    if (type == QAccessible::EditableTextInterface && edit()) {
      return static_cast<QAccessibleEditableTextInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(type);
  }

  QAccessible::State state() const override {
    QAccessible::State state = QAccessibleWidget::state();
    if (edit()) {
      state.editable = !edit()->isReadOnly();
      state.selectableText = true;
    }
    return state;
  }

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value && edit()) return edit()->text();
    return QAccessibleWidget::text(t);
  }

  void selection(int index, int* start, int* end) const override {
    *start = *end = 0;
    if (index == 0 && edit() && edit()->hasSelectedText()) {
      *start = edit()->selectionStart();
      *end = edit()->selectionEnd();
    }
  }
  int selectionCount() const override { return edit() && edit()->hasSelectedText() ? 1 : 0; }
  void addSelection(int start, int end) override { setSelection(0, start, end); }
  void removeSelection(int) override {
    if (edit()) edit()->deselect();
  }
  void setSelection(int, int start, int end) override {
    if (edit()) edit()->setSelection(start, end - start);
  }
  int cursorPosition() const override { return edit() ? edit()->cursorPosition() : 0; }
  void setCursorPosition(int position) override {
    if (edit()) edit()->setCursorPosition(position);
  }
  QString text(int start, int end) const override { return whole().mid(start, end - start); }
  int characterCount() const override { return static_cast<int>(whole().size()); }

  // Where the characters stand on the screen, for flat review.
  QRect characterRect(int offset) const override {
    const QString shown = whole();
    if (offset < 0 || offset >= shown.size()) return {};
    const QFontMetrics metrics(widget()->font());
    const QRect inside = text_area();
    int left = inside.left();
    if (alignment() & Qt::AlignRight) left = inside.right() + 1 - metrics.horizontalAdvance(shown);
    left += metrics.horizontalAdvance(shown.left(offset));
    const QRect glyph(left, inside.top(), metrics.horizontalAdvance(shown.at(offset)),
                      metrics.height());
    return QRect(widget()->mapToGlobal(glyph.topLeft()), glyph.size());
  }
  int offsetAtPoint(const QPoint& point) const override {
    for (int i = 0; i < characterCount(); ++i) {
      if (characterRect(i).contains(point)) return i;
    }
    return -1;
  }
  void scrollToSubstring(int, int) override {}
  // One run of the widget's font over the whole text.
  QString attributes(int offset, int* start, int* end) const override {
    *start = 0;
    *end = characterCount();
    if (offset < 0 || offset > *end) *start = *end = -1;
    return {};
  }

  void deleteText(int start, int end) override { replaceText(start, end, {}); }
  void insertText(int offset, const QString& text) override { replaceText(offset, offset, text); }
  void replaceText(int start, int end, const QString& text) override {
    if (!edit() || edit()->isReadOnly()) return;
    QString changed = edit()->text();
    if (start < 0 || end < start || end > changed.size()) return;
    changed.replace(start, end - start, text);
    // What the keyboard may not type, a screen reader may not put in either
    // (letters in "DV port(1)").
    int position = start;
    if (const QValidator* rule = edit()->validator();
        rule && rule->validate(changed, position) == QValidator::Invalid) {
      return;
    }
    edit()->setText(changed);
  }

 private:
  QLineEdit* edit() const { return qobject_cast<QLineEdit*>(widget()); }
  QLabel* label() const { return qobject_cast<QLabel*>(widget()); }
  QString whole() const {
    if (edit()) return edit()->text();
    return label() ? label()->text() : QString();
  }
  Qt::Alignment alignment() const {
    if (edit()) return edit()->alignment();
    return label() ? label()->alignment() : Qt::AlignLeft;
  }
  QRect text_area() const {
    if (label()) return label()->contentsRect();
    const QMargins margins = edit()->textMargins();
    const int frame = edit()->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) + 2;
    return edit()->rect().marginsRemoved(margins).adjusted(frame, frame, -frame, -frame);
  }
};

}  // namespace

// Qt's accessibility cache owns what a factory returns.
QAccessibleInterface* one_line_text_factory(const QString& class_name, QObject* object) {
  if (!object || !object->objectName().startsWith(u"id")) return nullptr;
  const int id = object->objectName().mid(2).toInt();
  if (class_name == u"QLineEdit") {
    return new OneLineText(static_cast<QWidget*>(object), QAccessible::EditableText);
  }
  if (class_name == u"QLabel" && is_value_field(id)) {
    return new OneLineText(static_cast<QWidget*>(object), QAccessible::StaticText);
  }
  return nullptr;
}
