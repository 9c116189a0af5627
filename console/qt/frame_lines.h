#pragma once
// At a fractional scale (125 %, 150 %) a box's right and bottom frame lines
// fall on the screen pixels its scroll bar and rows paint over, so list and
// text boxes lost their frame there. The frame is drawn once more on top of
// them by a see-through layer that takes no clicks and no focus.

#include <QWidget>
#include <memory>

class QAbstractScrollArea;

class FrameLines final : public QWidget {
 public:
  explicit FrameLines(QAbstractScrollArea& box);

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QAbstractScrollArea& box_;
};

// The layer for `box`, kept above the box's own parts and sized with it.
std::unique_ptr<FrameLines> keep_frame_lines(QAbstractScrollArea& box);
