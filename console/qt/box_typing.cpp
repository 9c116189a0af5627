#include "console/qt/box_typing.h"

#include <QEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <string>
#include <utility>

#include "console/qt/byte_text.h"
#include "settings/received_header.h"

namespace {

// A heard line, MY, UR, RPT1 and RPT2 of 8 characters with a space between,
// goes into the box as soon as it is whole: a screen reader then hears it
// as one insertion, never "4KLM CQCQCQ" after a cut. Anything else typed
// goes in once no character has come for this long.
constexpr int kHeardLineChars = static_cast<int>(kHeaderCallsignBytes) + 3;
constexpr int kFlushAfterMs = 100;

bool is_operator_input(QEvent::Type type) {
  switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::InputMethod:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::ContextMenu:
    case QEvent::Drop:
    case QEvent::FocusOut:
      return true;
    default:
      return false;
  }
}

void append_at_end(QPlainTextEdit& box, const QString& text) {
  QScrollBar* bar = box.verticalScrollBar();
  const bool follows = bar->value() >= bar->maximum();
  const int scrolled_to = bar->value();
  const QTextCursor operators = box.textCursor();
  const int anchor = operators.anchor();
  const int caret = operators.position();

  QTextCursor end(box.document());
  end.movePosition(QTextCursor::End);
  end.insertText(text);

  // A caret at the end would have been pushed along by the new text.
  if (box.textCursor().anchor() != anchor || box.textCursor().position() != caret) {
    QTextCursor kept = box.textCursor();
    kept.setPosition(anchor);
    kept.setPosition(caret, QTextCursor::KeepAnchor);
    box.setTextCursor(kept);
  }
  bar->setValue(follows ? bar->maximum() : scrolled_to);
}

}  // namespace

BoxTyping::BoxTyping(std::function<QPlainTextEdit*(int id)> box_of)
    : box_of_(std::move(box_of)),
      buffer_({[this](int id, std::string_view text) {
                 if (QPlainTextEdit* box = box_of_(id))
                   append_at_end(*box, latin1_text(std::string(text)));
               },
               [this] { timer_.start(); }, [this] { timer_.stop(); }}) {
  timer_.setSingleShot(true);
  timer_.setTimerType(Qt::PreciseTimer);
  timer_.setInterval(kFlushAfterMs);
  connect(&timer_, &QTimer::timeout, this, [this] { buffer_.flush(); });
}

void BoxTyping::type(int box_id, char byte) {
  buffer_.type(box_id, std::string_view(&byte, 1));
  line_chars_ = byte == '\n' ? 0 : line_chars_ + 1;
  if (line_chars_ == kHeardLineChars) {
    buffer_.flush();
  } else {
    timer_.start();  // from the last character on
  }
}

void BoxTyping::watch(QPlainTextEdit* box) {
  box->installEventFilter(this);
  box->viewport()->installEventFilter(this);
}

bool BoxTyping::eventFilter(QObject* watched, QEvent* event) {
  if (is_operator_input(event->type())) flush();
  return QObject::eventFilter(watched, event);
}
