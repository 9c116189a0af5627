#include "console/qt/typing_buffer.h"

#include <QEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <utility>

namespace {

// Short enough that the line looks instant, long enough to take a whole
// header line in one go.
constexpr int kFlushAfterMs = 1;

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

}  // namespace

TypingBuffer::TypingBuffer() {
  timer_.setSingleShot(true);
  timer_.setTimerType(Qt::PreciseTimer);
  timer_.setInterval(kFlushAfterMs);
  connect(&timer_, &QTimer::timeout, this, &TypingBuffer::flush);
}

void TypingBuffer::type(QPlainTextEdit* box, QChar c) {
  if (box != box_) flush();
  box_ = box;
  pending_.append(c);
  if (!timer_.isActive()) timer_.start();
}

void TypingBuffer::flush() {
  timer_.stop();
  if (pending_.isEmpty()) return;
  const QString text = std::exchange(pending_, QString());
  if (!box_) return;
  QScrollBar* bar = box_->verticalScrollBar();
  const bool follows = bar->value() >= bar->maximum();
  const int scrolled_to = bar->value();
  const QTextCursor operators = box_->textCursor();
  const int anchor = operators.anchor();
  const int caret = operators.position();

  QTextCursor end(box_->document());
  end.movePosition(QTextCursor::End);
  end.insertText(text);

  // A caret at the end would have been pushed along by the new text.
  if (box_->textCursor().anchor() != anchor || box_->textCursor().position() != caret) {
    QTextCursor kept = box_->textCursor();
    kept.setPosition(anchor);
    kept.setPosition(caret, QTextCursor::KeepAnchor);
    box_->setTextCursor(kept);
  }
  bar->setValue(follows ? bar->maximum() : scrolled_to);
}

void TypingBuffer::watch(QPlainTextEdit* box) {
  box->installEventFilter(this);
  box->viewport()->installEventFilter(this);
}

bool TypingBuffer::eventFilter(QObject* watched, QEvent* event) {
  if (is_operator_input(event->type())) flush();
  return QObject::eventFilter(watched, event);
}
