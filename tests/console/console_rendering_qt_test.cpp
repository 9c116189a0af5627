// The window as it is drawn, at whatever QT_SCALE_FACTOR the test runs under
// (ctest runs it at 1, 1.25, 1.5 and 2): every control inside the window, none
// over another, lists and boxes showing whole rows, callsigns on one line.

#include <gtest/gtest.h>

#include <QAbstractScrollArea>
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

// Labels that sit right beside their own control and may touch or overlap it
// by a dialog unit.
const std::set<std::pair<int, int>> label_beside_control = {
    {220, 210}, {240, 230}, {130, 110}, {140, 120}, {260, 250}, {280, 270}, {340, 360},
    {300, 290}, {350, 370}, {380, 390}, {400, 410}, {202, 200}, {320, 310},
};

class ConsoleRendering : public ::testing::Test {
 protected:
  ConsoleDialog dialog{ignore_command, nullptr};

  void SetUp() override {
    SCOPED_TRACE(qgetenv("QT_SCALE_FACTOR").toStdString());
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

TEST_F(ConsoleRendering, every_control_lies_inside_the_window) {
  for (int id : ids()) {
    SCOPED_TRACE(id);
    EXPECT_TRUE(dialog.rect().contains(dialog.control(id)->geometry()))
        << "control at " << dialog.control(id)->geometry().x() << ","
        << dialog.control(id)->geometry().y();
  }
}

TEST_F(ConsoleRendering, no_control_covers_another_except_a_label_beside_its_own) {
  const std::vector<int> all = ids();
  for (std::size_t i = 0; i < all.size(); ++i) {
    for (std::size_t j = i + 1; j < all.size(); ++j) {
      const int a = all[i];
      const int b = all[j];
      if (label_beside_control.count({a, b}) || label_beside_control.count({b, a})) continue;
      EXPECT_FALSE(dialog.control(a)->geometry().intersects(dialog.control(b)->geometry()))
          << "controls " << a << " and " << b << " overlap";
    }
  }
}

TEST_F(ConsoleRendering, a_label_leaves_room_between_its_text_and_any_other_control) {
  for (int id : ids()) {
    auto* label = qobject_cast<QLabel*>(dialog.control(id));
    if (!label || (label->alignment() & Qt::AlignRight)) continue;
    SCOPED_TRACE(label->text().toStdString());
    const int text_left = label->x() + label->contentsRect().left() + std::max(0, label->indent());
    const int text_right = text_left + label->fontMetrics().boundingRect(label->text()).right() + 1;
    EXPECT_LE(text_right, label->geometry().right() + 1) << "the caption is cut";
    for (int other : ids()) {
      if (other == id) continue;
      const QRect r = dialog.control(other)->geometry();
      const bool same_rows =
          r.top() < label->geometry().bottom() && r.bottom() > label->geometry().top();
      if (same_rows && r.right() < label->x() + 1) {
        EXPECT_GT(text_left, r.right() + 1) << "the caption touches control " << other;
      }
    }
  }
}

TEST_F(ConsoleRendering, every_list_shows_whole_rows_and_a_one_row_list_exactly_one) {
  const struct {
    int id;
    int rows;
  } lists[] = {{250, 1}, {360, 1}, {270, 2}, {290, 3}};
  for (const auto& expected : lists) {
    SCOPED_TRACE(expected.id);
    auto* list = qobject_cast<QListWidget*>(dialog.control(expected.id));
    ASSERT_NE(list, nullptr);
    for (int i = 0; i < 5; ++i)
      list->addItem(QStringLiteral("JP%1,Hilltop430,439310,-5000,QR3KTA A,QR3KTG G").arg(i));
    list->scrollToTop();
    QCoreApplication::processEvents();
    const int row = list->visualItemRect(list->item(0)).height();
    ASSERT_GT(row, 0);
    EXPECT_EQ(list->viewport()->height(), expected.rows * row);
    // The scroll bar fills the box between its frame lines, arrows included.
    const QScrollBar* bar = list->verticalScrollBar();
    EXPECT_EQ(bar->height(), list->viewport()->height()) << "arrows clipped";
  }
}

// Looks at the window as drawn on the screen's pixels: each side of each list
// and text box has a frame-coloured pixel among its two outermost rows or
// columns, halfway along the side.
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
    const int left = static_cast<int>(std::lround(r.left() * ratio));
    const int top = static_cast<int>(std::lround(r.top() * ratio));
    const int right = static_cast<int>(std::lround((r.right() + 1) * ratio)) - 1;
    const int bottom = static_cast<int>(std::lround((r.bottom() + 1) * ratio)) - 1;
    const int mid_x = (left + right) / 2;
    const int mid_y = (top + bottom) / 2;
    EXPECT_TRUE(frame_pixel_near({mid_x, top}, {0, 1})) << "top line missing";
    EXPECT_TRUE(frame_pixel_near({mid_x, bottom}, {0, -1})) << "bottom line missing";
    EXPECT_TRUE(frame_pixel_near({left, mid_y}, {1, 0})) << "left line missing";
    EXPECT_TRUE(frame_pixel_near({right, mid_y}, {-1, 0})) << "right line missing";
  }
}

TEST_F(ConsoleRendering, text_boxes_show_whole_lines) {
  for (int id : {200, 310, 210, 230}) {
    SCOPED_TRACE(id);
    auto* box = qobject_cast<QPlainTextEdit*>(dialog.control(id));
    box->setPlainText(
        QStringLiteral("QR1ABC   CQCQCQ   QR3KTA A QR3KTG G\nQR2XYZ\nQR7STU\nQR8NCP\nQR9RVS"));
    QCoreApplication::processEvents();
    const QTextLayout* layout = box->document()->firstBlock().layout();
    ASSERT_GT(layout->lineCount(), 0);
    const double line = layout->lineAt(0).height();
    const double room = box->viewport()->height() - 2 * box->document()->documentMargin();
    const double lines = room / line;
    EXPECT_GE(lines, 1.0);
    EXPECT_LT(lines - std::floor(lines), 0.35) << lines << " lines: the last one is cut";
  }
}

TEST_F(ConsoleRendering, callsign_and_suffix_stay_on_one_line_with_the_module_letter_in_view) {
  for (const auto& [id, text] : {std::pair{210, "QR3WMN D"}, std::pair{230, "F817"}}) {
    SCOPED_TRACE(id);
    dialog.set_text(id, text);
    QCoreApplication::processEvents();
    auto* box = qobject_cast<QPlainTextEdit*>(dialog.control(id));
    EXPECT_EQ(box->document()->firstBlock().layout()->lineCount(), 1);
    const int text_width = box->fontMetrics().horizontalAdvance(QString::fromLatin1(text));
    EXPECT_LE(text_width + 2 * box->document()->documentMargin(), box->viewport()->width());
  }
}

}  // namespace
