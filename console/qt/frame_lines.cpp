#include "console/qt/frame_lines.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

FrameLines::FrameLines(QAbstractScrollArea& box) : QWidget(&box), box_(box) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setAttribute(Qt::WA_NoSystemBackground);
  setFocusPolicy(Qt::NoFocus);
  setGeometry(box.rect());
  box.installEventFilter(this);
  raise();
}

void FrameLines::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  // Worked out on the screen's pixels: the outermost whole pixels of the box,
  // as many as the scale gives one line of the frame.
  const QTransform to_screen = painter.deviceTransform();
  const QTransform to_box = to_screen.inverted();
  const QRectF screen = to_screen.mapRect(QRectF(rect()));
  const double left = std::ceil(screen.left() - 1e-6);
  const double top = std::ceil(screen.top() - 1e-6);
  const double right = std::floor(screen.right() + 1e-6);
  const double bottom = std::floor(screen.bottom() + 1e-6);
  const double line = std::max(1.0, std::floor(devicePixelRatioF()));
  const QColor colour = palette().color(QPalette::Window).darker(140);
  for (const QRectF& edge :
       {QRectF(left, top, right - left, line), QRectF(left, bottom - line, right - left, line),
        QRectF(left, top, line, bottom - top), QRectF(right - line, top, line, bottom - top)}) {
    painter.fillRect(to_box.mapRect(edge), colour);
  }
}

bool FrameLines::eventFilter(QObject* watched, QEvent* event) {
  if (watched != &box_) return false;
  switch (event->type()) {
    case QEvent::Resize:
      setGeometry(box_.rect());
      [[fallthrough]];
    case QEvent::Show:
    case QEvent::ChildAdded:
    case QEvent::ChildPolished:
    case QEvent::LayoutRequest:
      // The box raises its scroll bars when it lays them out.
      if (box_.children().last() != this) raise();
      break;
    default:
      break;
  }
  return false;
}

std::unique_ptr<FrameLines> keep_frame_lines(QAbstractScrollArea& box) {
  if (box.frameShape() == QFrame::NoFrame) return nullptr;
  return std::make_unique<FrameLines>(box);
}
