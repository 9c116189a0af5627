#include "console/qt/caret_rest.h"

#include <QApplication>
#include <QEvent>

namespace {

// The same spell as the desktops that stop the blink.
constexpr int kBlinkForMs = 10000;

bool is_operator_input(QEvent::Type type) {
  switch (type) {
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::Wheel:
    case QEvent::InputMethod:
    case QEvent::FocusIn:
      return true;
    default:
      return false;
  }
}

}  // namespace

IdleCaretBlinkStop::IdleCaretBlinkStop() {
  idle_timer_.setSingleShot(true);
  idle_timer_.setTimerType(Qt::VeryCoarseTimer);
  idle_timer_.setInterval(kBlinkForMs);
  connect(&idle_timer_, &QTimer::timeout, this, &IdleCaretBlinkStop::stop_blinking);
  qApp->installEventFilter(this);
  idle_timer_.start();
}

IdleCaretBlinkStop::~IdleCaretBlinkStop() {
  qApp->removeEventFilter(this);
  if (resting_) QApplication::setCursorFlashTime(flash_ms_);
}

void IdleCaretBlinkStop::stop_blinking() {
  if (resting_) return;
  flash_ms_ = QApplication::cursorFlashTime();
  resting_ = true;
  QApplication::setCursorFlashTime(0);  // every caret stops, shown
}

bool IdleCaretBlinkStop::eventFilter(QObject* watched, QEvent* event) {
  if (is_operator_input(event->type())) {
    if (resting_) {
      resting_ = false;
      QApplication::setCursorFlashTime(flash_ms_);
    }
    idle_timer_.start();
  }
  return QObject::eventFilter(watched, event);
}
