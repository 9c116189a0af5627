// The console window as the operator first sees it: title, size, every
// control in its place, focus and tab order.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <cmath>
#include <vector>

#include "console/qt/console_dialog.h"
#include "support/offscreen_qt_app.h"

namespace {

bool ignore_command(ConsoleView&, int, CommandKind, const DisplayPump&) { return false; }

class ConsoleLayout : public ::testing::Test {
 protected:
  ConsoleDialog dialog{ignore_command, nullptr};

  // The Windows rule, written out here apart from the window's own code:
  // base width from the 52 letters, base height the character height;
  // four and eight units to them, rounded to the nearest pixel.
  int base_x() const {
    const int letters = QFontMetrics(dialog.font())
                            .horizontalAdvance(QStringLiteral(
                                "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return (letters / 26 + 1) / 2;
  }
  int px_x(int du) const { return static_cast<int>(std::lround(du * base_x() / 4.0)); }
  int px_y(int du) const {
    return static_cast<int>(std::lround(du * QFontMetrics(dialog.font()).height() / 8.0));
  }

  void show_active() {
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  }
};

TEST_F(ConsoleLayout, window_is_a_fixed_titled_dialog_in_the_ten_point_dialog_font) {
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Kestrel8"));
  EXPECT_EQ(dialog.font().pointSize(), 10);
  EXPECT_EQ(dialog.size(), QSize(px_x(460), px_y(270)));
  EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
  const Qt::WindowFlags flags = dialog.windowFlags();
  EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(flags & Qt::WindowContextHelpButtonHint);
  EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
}

TEST_F(ConsoleLayout, controls_are_created_in_order_with_kind_caption_and_names) {
  struct Expected {
    int id;
    const char* kind;
    const char* caption;
  };
  const std::vector<Expected> table = {
      {130, "QLabel", "DV port(1)"},     {110, "QLineEdit", ""},
      {140, "QLabel", "Response"},       {120, "QLabel", "***"},
      {340, "QLabel", "Tranceiver(15)"}, {360, "QListWidget", ""},
      {350, "QLabel", "TRX port(1)"},    {370, "QLineEdit", ""},
      {150, "QPushButton", "START"},     {160, "QPushButton", "EXIT"},
      {330, "QPushButton", "TX msg"},    {200, "QPlainTextEdit", ""},
      {202, "QLabel", "Receiving"},      {310, "QPlainTextEdit", ""},
      {320, "QLabel", "Sending(20)"},    {210, "QPlainTextEdit", ""},
      {220, "QLabel", "My callsign(8)"}, {230, "QPlainTextEdit", ""},
      {240, "QLabel", "Slash(4)"},       {250, "QListWidget", ""},
      {260, "QLabel", "Call area(7)"},   {270, "QListWidget", ""},
      {280, "QLabel", "My repeater"},    {290, "QListWidget", ""},
      {300, "QLabel", "His repeater"},   {380, "QLabel", "TRX frq[kHz]"},
      {390, "QLabel", "*******"},        {400, "QLabel", "Shift[kHz]"},
      {410, "QLabel", "*****"},          {420, "QPushButton", "Call back"},
      {430, "QLabel", "********"},
  };

  std::vector<QString> created;
  for (QObject* child : dialog.children()) {
    if (child->isWidgetType()) created.push_back(child->objectName());
  }
  std::vector<QString> expected_order;
  for (const Expected& e : table) expected_order.push_back(QStringLiteral("id%1").arg(e.id));
  EXPECT_EQ(created, expected_order);

  for (const Expected& e : table) {
    SCOPED_TRACE(e.id);
    QWidget* widget = dialog.control(e.id);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget, dialog.findChild<QWidget*>(QStringLiteral("id%1").arg(e.id)));
    EXPECT_STREQ(widget->metaObject()->className(), e.kind);
    EXPECT_FALSE(widget->accessibleName().isEmpty());
    // What a screen reader is told: the name, and a role beyond a bare widget.
    QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(widget);
    EXPECT_EQ(spoken->text(QAccessible::Name), widget->accessibleName());
    EXPECT_NE(spoken->role(), QAccessible::Client);
    EXPECT_EQ(dialog.get_text(e.id, 100), e.caption);
    if (auto* label = qobject_cast<QLabel*>(widget)) {
      // Value fields are named for what they show, captions for themselves.
      const bool value = e.id == 120 || e.id == 390 || e.id == 410 || e.id == 430;
      if (!value) {
        EXPECT_EQ(widget->accessibleName(), QString(label->text()).remove(u'&'));
      }
      const bool right = e.id == 390 || e.id == 410 || e.id == 430;
      EXPECT_EQ(bool(label->alignment() & Qt::AlignRight), right);
    }
  }
}

TEST_F(ConsoleLayout, controls_sit_where_the_dialog_units_put_them) {
  struct Place {
    int id, x, y, w, h;
  };
  const std::vector<Place> places = {
      {210, 70, 10, 45, 10},   {150, 400, 10, 40, 10},  {120, 350, 30, 40, 10},
      {270, 70, 70, 253, 20},  {290, 70, 90, 254, 30},  {390, 372, 114, 38, 10},
      {200, 70, 130, 254, 50}, {310, 70, 200, 255, 50}, {330, 328, 200, 40, 10},
  };
  for (const Place& p : places) {
    SCOPED_TRACE(p.id);
    const QRect r = dialog.control(p.id)->geometry();
    EXPECT_EQ(r.left(), px_x(p.x));
    EXPECT_EQ(r.top(), px_y(p.y));
    EXPECT_EQ(r.left() + r.width(), px_x(p.x + p.w));
    // Lists and text boxes end on a whole row, as the native list box does:
    // up to one row short of their place, never beyond it.
    const bool whole_rows = p.id == 270 || p.id == 290 || p.id == 200 || p.id == 310 || p.id == 210;
    const int row = QFontMetrics(dialog.control(p.id)->font()).lineSpacing() + 2;
    EXPECT_LE(r.top() + r.height(), px_y(p.y + p.h));
    EXPECT_GE(r.top() + r.height(), px_y(p.y + p.h) - (whole_rows ? row - 1 : 0));
  }
}

TEST_F(ConsoleLayout, edits_and_lists_have_borders_and_the_right_behaviour) {
  for (int id : {200, 210, 230, 310}) {
    SCOPED_TRACE(id);
    auto* box = qobject_cast<QPlainTextEdit*>(dialog.control(id));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_NE(box->frameShape(), QFrame::NoFrame);
    EXPECT_FALSE(box->isReadOnly());
  }
  for (int id : {250, 270, 290, 360}) {
    SCOPED_TRACE(id);
    auto* list = qobject_cast<QListWidget*>(dialog.control(id));
    ASSERT_NE(list, nullptr);
    EXPECT_NE(list->frameShape(), QFrame::NoFrame);
    EXPECT_EQ(list->count(), 0);
    EXPECT_FALSE(list->isSortingEnabled());
  }
  EXPECT_TRUE(qobject_cast<QLineEdit*>(dialog.control(110))->hasFrame());
  EXPECT_TRUE(qobject_cast<QPushButton*>(dialog.control(150))->isDefault());
  EXPECT_FALSE(qobject_cast<QPushButton*>(dialog.control(160))->isDefault());
}

TEST_F(ConsoleLayout, lists_keep_entries_in_order_with_nothing_selected) {
  dialog.list_append(290, "JP3,B");
  dialog.list_append(290, "JP1,A");
  auto* list = qobject_cast<QListWidget*>(dialog.control(290));
  EXPECT_EQ(list->item(0)->text(), QStringLiteral("JP3,B"));
  EXPECT_EQ(list->item(1)->text(), QStringLiteral("JP1,A"));
  show_active();
  list->setFocus();
  EXPECT_TRUE(list->selectedItems().isEmpty());
  EXPECT_EQ(dialog.list_selected_text(290), std::nullopt);
}

TEST_F(ConsoleLayout, dv_port_takes_digits_only_trx_port_takes_any_text) {
  show_active();
  QTest::keyClicks(dialog.control(110), "7x8");
  EXPECT_EQ(dialog.get_text(110, 9), "78");
  QTest::keyClicks(dialog.control(370), "8x");
  EXPECT_EQ(dialog.get_text(370, 9), "8x");
  // A screen reader's text interface takes what the keyboard may type, no more.
  for (const int id : {110, 370}) {
    QAccessible::queryAccessibleInterface(dialog.control(id))
        ->editableTextInterface()
        ->insertText(1, QStringLiteral("y"));
  }
  EXPECT_EQ(dialog.get_text(110, 9), "78");
  EXPECT_EQ(dialog.get_text(370, 9), "8yx");
}

TEST_F(ConsoleLayout, focus_starts_in_dv_port_and_tab_walks_the_tab_stops) {
  show_active();
  EXPECT_EQ(QApplication::focusWidget(), dialog.control(110));
  std::vector<QString> walked;
  for (int i = 0; i < 10; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    walked.push_back(QApplication::focusWidget()->objectName());
  }
  const std::vector<QString> expected = {"id370", "id150", "id160", "id330", "id200",
                                         "id310", "id210", "id230", "id420", "id110"};
  EXPECT_EQ(walked, expected);
}

TEST_F(ConsoleLayout, window_cannot_be_resized) {
  show_active();
  const QSize fixed = dialog.size();
  dialog.resize(fixed.width() + 50, fixed.height() + 50);
  EXPECT_EQ(dialog.size(), fixed);
}

}  // namespace
