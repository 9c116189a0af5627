// The window as drawn at each QT_SCALE_FACTOR ctest runs it under (1, 1.25, 1.5, 2).

#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <cmath>
#include <set>
#include <utility>
#include <vector>

#include "console/qt/console_dialog.h"
#include "support/offscreen_qt_app.h"

namespace {

bool ignore_command(ConsoleView&, int, CommandKind, const DisplayPump&) { return false; }

// Labels right beside their own control, which may touch it by a dialog unit.
const std::set<std::pair<int, int>> label_beside_control = {
    {220, 210}, {240, 230}, {130, 110}, {140, 120}, {260, 250}, {280, 270}, {340, 360},
    {300, 290}, {350, 370}, {380, 390}, {400, 410}, {202, 200}, {320, 310},
};

class ConsoleRendering : public ::testing::Test {
 protected:
  ConsoleDialog dialog{ignore_command, nullptr};

  void SetUp() override {
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
  }

  std::vector<int> ids() const {
    std::vector<int> out;
    for (QObject* child : dialog.children()) {
      if (auto* widget = qobject_cast<QWidget*>(child))
        out.push_back(widget->objectName().mid(2).toInt());
    }
    return out;
  }
};

TEST_F(ConsoleRendering, every_control_lies_inside_the_window_and_none_covers_another) {
  const std::vector<int> all = ids();
  for (std::size_t i = 0; i < all.size(); ++i) {
    const QRect a = dialog.control(all[i])->geometry();
    EXPECT_TRUE(dialog.rect().contains(a)) << "control " << all[i] << " outside";
    for (std::size_t j = i + 1; j < all.size(); ++j) {
      if (label_beside_control.count({all[i], all[j]}) ||
          label_beside_control.count({all[j], all[i]}))
        continue;
      EXPECT_FALSE(a.intersects(dialog.control(all[j])->geometry()))
          << "controls " << all[i] << " and " << all[j] << " overlap";
    }
  }
}

// On the drawn pixels: more than a dialog unit between a caption's letters and any box or button in
// the same rows, on either side ("Tranceiver(15)" between two lists); a cut caption fails too.
TEST_F(ConsoleRendering, a_label_leaves_room_between_its_text_and_any_other_control) {
  const QImage drawn = dialog.grab().toImage();
  auto px = [&](double v) { return static_cast<int>(std::lround(v * drawn.devicePixelRatio())); };
  const int unit = px(dialog.width() / 460.0);
  for (int id : ids()) {
    auto* label = qobject_cast<QLabel*>(dialog.control(id));
    if (!label || (label->alignment() & Qt::AlignRight)) continue;
    const QRect at = label->geometry();
    int ink_left = px(at.right() + 1), ink_right = 0;
    for (int x = px(at.left()); x < px(at.right() + 1); ++x) {
      for (int y = px(at.top()); y < px(at.bottom() + 1); ++y) {
        if (qGray(drawn.pixel(x, y)) < 160) ink_left = std::min(ink_left, x), ink_right = x;
      }
    }
    for (int other : ids()) {
      const QRect r = dialog.control(other)->geometry();
      const bool same_rows = r.top() < at.bottom() && r.bottom() > at.top();
      if (qobject_cast<QLabel*>(dialog.control(other)) || !same_rows) continue;
      if (r.right() < at.left() + unit) {
        EXPECT_GT(ink_left - px(r.right() + 1), unit) << id;
      }
      if (r.left() > at.right() - unit) {
        EXPECT_GT(px(r.left()) - ink_right - 1, unit) << id;
      }
    }
  }
}

TEST_F(ConsoleRendering, every_list_shows_whole_rows_and_a_one_row_list_exactly_one) {
  for (const auto& [id, rows] : {std::pair{250, 1}, {360, 1}, {270, 2}, {290, 3}}) {
    SCOPED_TRACE(id);
    auto* list = qobject_cast<QListWidget*>(dialog.control(id));
    ASSERT_NE(list, nullptr);
    for (int i = 0; i < 5; ++i)
      list->addItem(QStringLiteral("JP%1,Hilltop430,439310,-5000,QR3KTA A,QR3KTG G").arg(i));
    list->scrollToTop();
    QCoreApplication::processEvents();
    const int row = list->visualItemRect(list->item(0)).height();
    ASSERT_GT(row, 0);
    EXPECT_EQ(list->viewport()->height(), rows * row);
    // The scroll bar fills the box between its frame lines, arrows included.
    EXPECT_EQ(list->verticalScrollBar()->height(), list->viewport()->height()) << "arrows clipped";
  }
}

// On the drawn pixels: a frame-coloured pixel among the two outermost rows or columns of each side.
TEST_F(ConsoleRendering, lists_and_text_boxes_keep_all_four_frame_lines) {
  for (int id : {250, 360, 270, 290})
    qobject_cast<QListWidget*>(dialog.control(id))->addItem(QStringLiteral("JP1"));
  const QImage drawn = dialog.grab().toImage();
  const double ratio = drawn.devicePixelRatio();
  auto frame_pixel_near = [&](QPoint a, QPoint inward) {
    for (int step = 0; step < 2; ++step) {
      const QPoint p = a + step * inward;
      if (drawn.valid(p) && qGray(drawn.pixel(p)) < 215) return true;
    }
    return false;
  };
  for (int id : {250, 360, 270, 290, 200, 310, 210, 230}) {
    SCOPED_TRACE(id);
    const QRect r = dialog.control(id)->geometry();
    auto px = [&](int v) { return static_cast<int>(std::lround(v * ratio)); };
    const int left = px(r.left()), top = px(r.top());
    const int right = px(r.right() + 1) - 1, bottom = px(r.bottom() + 1) - 1;
    const int x = (left + right) / 2, y = (top + bottom) / 2;
    EXPECT_TRUE(frame_pixel_near({x, top}, {0, 1})) << "top line missing";
    EXPECT_TRUE(frame_pixel_near({x, bottom}, {0, -1})) << "bottom line missing";
    EXPECT_TRUE(frame_pixel_near({left, y}, {1, 0})) << "left line missing";
    EXPECT_TRUE(frame_pixel_near({right, y}, {-1, 0})) << "right line missing";
  }
}

// A callsign or suffix box also keeps its whole text on one line, the module letter in view.
TEST_F(ConsoleRendering, text_boxes_show_whole_lines_and_callsign_and_suffix_one_line) {
  for (const auto& [id, one_line] :
       {std::pair{200, ""}, {310, ""}, {210, "QR3WMN D"}, {230, "F817"}}) {
    SCOPED_TRACE(id);
    auto* box = qobject_cast<QPlainTextEdit*>(dialog.control(id));
    box->setPlainText(
        QStringLiteral("QR1ABC   CQCQCQ   QR3KTA A QR3KTG G\nQR2XYZ\nQR7STU\nQR8NCP\nQR9RVS"));
    QCoreApplication::processEvents();
    const QTextLayout* layout = box->document()->firstBlock().layout();
    ASSERT_GT(layout->lineCount(), 0);
    const double margins = 2 * box->document()->documentMargin();
    const double lines = (box->viewport()->height() - margins) / layout->lineAt(0).height();
    EXPECT_GE(lines, 1.0);
    EXPECT_LT(lines - std::floor(lines), 0.35) << lines << " lines: the last one is cut";
    if (!*one_line) continue;
    dialog.set_text(id, one_line);
    QCoreApplication::processEvents();
    EXPECT_EQ(box->document()->firstBlock().layout()->lineCount(), 1);
    const int text_width = box->fontMetrics().horizontalAdvance(QString::fromLatin1(one_line));
    EXPECT_LE(text_width + margins, box->viewport()->width());
  }
}

}  // namespace
