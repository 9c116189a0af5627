#include "console/qt/typing_buffer.h"

#include <QEvent>
#include <QPlainTextEdit>
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
  // The box's own caret, not the focus: the operator may be elsewhere.
  QTextCursor cursor = box_->textCursor();
  cursor.insertText(text);
  box_->setTextCursor(cursor);
}

void TypingBuffer::watch(QPlainTextEdit* box) {
  box->installEventFilter(this);
  box->viewport()->installEventFilter(this);
}

bool TypingBuffer::eventFilter(QObject* watched, QEvent* event) {
  if (is_operator_input(event->type())) flush();
  return QObject::eventFilter(watched, event);
}
