// Which operator actions reach the station logic, with which identifier, and
// in what order: clicks, double-clicks, Return, Esc, the close box and the
// callsign edits' notifications.

#include <gtest/gtest.h>

#include <QListWidget>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>
#include <QTextCursor>
#include <utility>
#include <vector>

#include "console/qt/console_dialog.h"
#include "support/offscreen_qt_app.h"

namespace {

struct Command {
  int id;
  CommandKind kind;
  EditSelection callsign_selection;   // what box 210 held selected at that moment
  std::optional<std::string> chosen;  // the list's selected entry, for list events
};

class ConsoleEvents : public ::testing::Test {
 protected:
  // Before the dialog: its creation hook already writes them.
  std::vector<Command> commands;
  bool ends_dialog = false;
  int created = 0;
  ConsoleDialog dialog{
      [this](ConsoleView& view, int id, CommandKind kind, const DisplayPump& pump) {
        EXPECT_TRUE(pump);
        std::optional<std::string> chosen;
        if (id == 250 || id == 270 || id == 290 || id == 360) chosen = view.list_selected_text(id);
        commands.push_back({id, kind, view.get_selection(210), chosen});
        return ends_dialog;
      },
      [this](ConsoleView& view) {
        ++created;
        view.set_text(150, "START");
      }};

  void SetUp() override {
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    commands.clear();
  }

  std::vector<int> ids() const {
    std::vector<int> out;
    for (const Command& c : commands) out.push_back(c.id);
    return out;
  }
  std::vector<int> ids_other_than(int skipped) const {
    std::vector<int> out;
    for (const Command& c : commands) {
      if (c.id != skipped) out.push_back(c.id);
    }
    return out;
  }
  QListWidget* list(int id) { return qobject_cast<QListWidget*>(dialog.control(id)); }
  QPlainTextEdit* box(int id) { return qobject_cast<QPlainTextEdit*>(dialog.control(id)); }

  void double_click_entry(int id, int row) {
    QListWidget* l = list(id);
    const QPoint at = l->visualItemRect(l->item(row)).center();
    QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(l->viewport(), Qt::LeftButton, {}, at);
  }
};

TEST_F(ConsoleEvents, creation_hook_runs_once_before_the_window_is_shown) {
  EXPECT_EQ(created, 1);
  EXPECT_EQ(dialog.get_text(150, 10), "START");
}

TEST_F(ConsoleEvents, each_button_click_reaches_the_logic_under_its_identifier) {
  for (int id : {150, 160, 420, 330}) QTest::mouseClick(dialog.control(id), Qt::LeftButton);
  EXPECT_EQ(ids_other_than(210), (std::vector<int>{150, 160, 420, 330}));
  for (const Command& c : commands) EXPECT_EQ(c.kind, CommandKind::other);
  EXPECT_TRUE(dialog.isVisible());
}

TEST_F(ConsoleEvents, esc_and_the_close_box_send_cancel_and_close_only_when_the_logic_says) {
  QTest::keyClick(dialog.control(110), Qt::Key_Escape);
  dialog.close();
  EXPECT_EQ(ids(), (std::vector<int>{2, 2}));
  EXPECT_TRUE(dialog.isVisible());

  ends_dialog = true;
  QTest::mouseClick(dialog.control(160), Qt::LeftButton);
  EXPECT_FALSE(dialog.isVisible());
}

TEST_F(ConsoleEvents, lists_report_double_clicks_only_with_the_entry_still_selected) {
  for (const char* area : {"Simplex", "JP1", "JP2"}) dialog.list_append(250, area);
  for (const char* model : {"None", "FT-817"}) dialog.list_append(360, model);
  dialog.list_append(270, "JP1,Hilltop430(NI43),439310,-5000,QR3KTA A,QR3KTG G");
  dialog.list_append(290, "JP1,Hilltop430(NI43),439310,-5000,QR3KTA A,QR3KTG G");

  QTest::mouseClick(list(250)->viewport(), Qt::LeftButton, {},
                    list(250)->visualItemRect(list(250)->item(0)).center());
  EXPECT_TRUE(ids_other_than(210).empty());  // a single click picks nothing

  double_click_entry(250, 0);
  double_click_entry(360, 0);
  double_click_entry(270, 0);
  double_click_entry(290, 0);
  std::vector<Command> list_commands;
  for (const Command& c : commands) {
    if (c.id != 210) list_commands.push_back(c);
  }
  ASSERT_EQ(list_commands.size(), 4u);
  EXPECT_EQ(list_commands[0].id, 250);
  EXPECT_EQ(list_commands[0].chosen, "Simplex");
  EXPECT_EQ(list_commands[1].id, 360);
  EXPECT_EQ(list_commands[1].chosen, "None");
  EXPECT_EQ(list_commands[2].id, 270);
  EXPECT_EQ(list_commands[3].id, 290);
  EXPECT_EQ(list_commands[3].chosen, "JP1,Hilltop430(NI43),439310,-5000,QR3KTA A,QR3KTG G");
  for (const Command& c : list_commands) EXPECT_EQ(c.kind, CommandKind::double_click);
}

TEST_F(ConsoleEvents,
       alt_and_the_underlined_letter_reach_a_list_and_space_chooses_as_a_double_click) {
  for (const auto& [key, id] :
       {std::pair{Qt::Key_A, 250}, {Qt::Key_M, 270}, {Qt::Key_H, 290}, {Qt::Key_T, 360}}) {
    for (const char* entry : {"first", "second", "third"}) dialog.list_append(id, entry);
    commands.clear();
    QTest::keyClick(dialog.control(110), key, Qt::AltModifier);
    ASSERT_EQ(QApplication::focusWidget(), dialog.control(id)) << id;
    for (Qt::Key press : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Up, Qt::Key_Space})
      QTest::keyClick(list(id), press);
    ASSERT_EQ(ids_other_than(210), std::vector<int>{id}) << "the arrows pick nothing, Space once";
    EXPECT_EQ(commands.back().kind, CommandKind::double_click);
    EXPECT_EQ(commands.back().chosen, "second");
  }
}

TEST_F(ConsoleEvents, return_outside_a_text_box_presses_start) {
  dialog.list_append(250, "JP1");
  for (int id : {110, 370, 250}) {
    dialog.control(id)->setFocus();
    QTest::keyClick(dialog.control(id), Qt::Key_Return);
  }
  EXPECT_EQ(ids_other_than(210), (std::vector<int>{150, 150, 150}));

  commands.clear();
  box(310)->setFocus();
  QTest::keyClicks(box(310), "CQ");
  QTest::keyClick(box(310), Qt::Key_Return);
  EXPECT_TRUE(ids_other_than(210).empty());
  EXPECT_EQ(dialog.get_text(310, 20), "CQ\r\n");
}

TEST_F(ConsoleEvents, callsign_and_suffix_edits_report_focus_text_and_scrolling) {
  for (int id : {210, 230}) {
    SCOPED_TRACE(id);
    commands.clear();
    dialog.control(id)->setFocus();
    ASSERT_FALSE(commands.empty());  // focus in
    commands.clear();
    QTest::keyClicks(dialog.control(id), "Q");
    EXPECT_FALSE(commands.empty());  // text changed
    commands.clear();
    dialog.set_text(id, "A\r\nB\r\nC\r\nD\r\nE\r\nF");
    commands.clear();
    box(id)->verticalScrollBar()->setValue(box(id)->verticalScrollBar()->maximum());
    EXPECT_FALSE(commands.empty());  // scrolled
    commands.clear();
    dialog.control(110)->setFocus();
    EXPECT_FALSE(commands.empty());  // focus out
    for (const Command& c : commands) {
      EXPECT_EQ(c.id, id);
      EXPECT_EQ(c.kind, CommandKind::other);
    }
  }
  // Other boxes are not watched.
  commands.clear();
  box(200)->setFocus();
  QTest::keyClicks(box(200), "x");
  box(310)->setFocus();
  QTest::keyClicks(box(310), "x");
  EXPECT_TRUE(commands.empty());
}

TEST_F(ConsoleEvents, a_selected_callsign_is_reported_before_start_takes_the_focus) {
  box(210)->setFocus();
  QTest::keyClicks(box(210), "QR3XYZ X");
  box(210)->selectAll();
  commands.clear();
  QTest::mouseClick(dialog.control(150), Qt::LeftButton);

  ASSERT_GE(commands.size(), 2u);
  EXPECT_EQ(commands.back().id, 150);
  const Command& before_start = commands[commands.size() - 2];
  EXPECT_EQ(before_start.id, 210);  // the focus leaving the edit
  EXPECT_EQ(before_start.callsign_selection.start, 0);
  EXPECT_EQ(before_start.callsign_selection.end, 8);
  EXPECT_EQ(dialog.get_text(210, 9), "QR3XYZ X");
}

}  // namespace
