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

CaretRest::CaretRest() {
  quiet_.setSingleShot(true);
  quiet_.setTimerType(Qt::VeryCoarseTimer);
  quiet_.setInterval(kBlinkForMs);
  connect(&quiet_, &QTimer::timeout, this, &CaretRest::rest);
  qApp->installEventFilter(this);
  quiet_.start();
}

CaretRest::~CaretRest() {
  qApp->removeEventFilter(this);
  if (resting_) QApplication::setCursorFlashTime(flash_ms_);
}

void CaretRest::rest() {
  if (resting_) return;
  flash_ms_ = QApplication::cursorFlashTime();
  resting_ = true;
  QApplication::setCursorFlashTime(0);  // every caret stops, shown
}

bool CaretRest::eventFilter(QObject* watched, QEvent* event) {
  if (is_operator_input(event->type())) {
    if (resting_) {
      resting_ = false;
      QApplication::setCursorFlashTime(flash_ms_);
    }
    quiet_.start();
  }
  return QObject::eventFilter(watched, event);
}
