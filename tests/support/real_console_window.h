#pragma once
// The real console window with the station logic behind it, worked as an
// operator works it: mouse clicks on buttons, double-clicks on list entries
// (scrolled into view first, as the lists show one to three rows), keys in
// the text boxes, and patience while the receive loop shows what it heard.
// Header only: the shared test support library has no Qt.

#include <gtest/gtest.h>

#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "adapter/link_state.h"
#include "adapter/receive_loop.h"
#include "console/console_handlers.h"
#include "console/qt/console_dialog.h"

class RealConsoleWindow {
 public:
  RealConsoleWindow() = default;
  RealConsoleWindow(const RealConsoleWindow&) = delete;
  RealConsoleWindow& operator=(const RealConsoleWindow&) = delete;

  ~RealConsoleWindow() {
    // A test that failed half-way may leave the link running: the receive
    // loop must end before the window it writes to goes.
    if (dialog_) {
      adapter_open = false;
      stop_receive_loop([this] { dialog_->pump_display_requests(); });
    }
  }

  // Creation runs first (its message boxes included), then the window shows.
  ::testing::AssertionResult open() {
    dialog_ = std::make_unique<ConsoleDialog>(on_command, on_window_created);
    dialog_->show();
    dialog_->activateWindow();
    if (!QTest::qWaitForWindowActive(dialog_.get()))
      return ::testing::AssertionFailure() << "window not active";
    return ::testing::AssertionSuccess();
  }

  ConsoleDialog& dialog() { return *dialog_; }
  QWidget* control(int id) { return dialog_->control(id); }
  QPlainTextEdit* box(int id) { return qobject_cast<QPlainTextEdit*>(dialog_->control(id)); }
  QListWidget* list(int id) { return qobject_cast<QListWidget*>(dialog_->control(id)); }
  std::string text(int id) { return dialog_->get_text(id, 10000); }

  void click(int id) { QTest::mouseClick(control(id), Qt::LeftButton); }

  // The entries as the operator reads them in the list.
  std::vector<std::string> entries(int id) {
    std::vector<std::string> out;
    QListWidget* l = list(id);
    for (int row = 0; row < l->count(); ++row) out.push_back(l->item(row)->text().toStdString());
    return out;
  }

  // Scrolls the entry into view, clicks it, then double-clicks it.
  ::testing::AssertionResult double_click_entry(int id, const std::string& shown) {
    QListWidget* l = list(id);
    const QList<QListWidgetItem*> found =
        l->findItems(QString::fromStdString(shown), Qt::MatchExactly);
    if (found.isEmpty())
      return ::testing::AssertionFailure() << "no entry \"" << shown << "\" in list " << id;
    l->scrollToItem(found.first(), QAbstractItemView::PositionAtTop);
    const QPoint at = l->visualItemRect(found.first()).center();
    if (!l->viewport()->rect().contains(at)) {
      return ::testing::AssertionFailure()
             << "entry \"" << shown << "\" not visible in list " << id;
    }
    QTest::mouseClick(l->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(l->viewport(), Qt::LeftButton, {}, at);
    return ::testing::AssertionSuccess();
  }

  // Clicks into the box, then selects `count` characters from the start of
  // its last line with the keyboard.
  void select_start_of_last_line(int id, int count) {
    QPlainTextEdit* edit = box(id);
    QTest::mouseClick(edit->viewport(), Qt::LeftButton, {}, QPoint(4, 4));
    QTest::keyClick(edit, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Home);
    for (int i = 0; i < count; ++i) QTest::keyClick(edit, Qt::Key_Right, Qt::ShiftModifier);
  }

  // Clicks into the edit, selects all and types `keys` over it.
  void retype(int id, const QString& keys) {
    QWidget* edit = control(id);
    QPlainTextEdit* text_box = box(id);
    QTest::mouseClick(text_box ? text_box->viewport() : edit, Qt::LeftButton);
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, keys);
  }

  // Lets the window's event loop run until `done` holds or `limit` passes.
  bool wait_until(const std::function<bool()>& done,
                  std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    const auto give_up = std::chrono::steady_clock::now() + limit;
    while (!done()) {
      if (std::chrono::steady_clock::now() >= give_up) return false;
      QTest::qWait(5);
    }
    return true;
  }

  ::testing::AssertionResult wait_for_text(
      int id, const std::string& expected,
      std::chrono::milliseconds limit = std::chrono::seconds(5)) {
    if (wait_until([&] { return text(id) == expected; }, limit))
      return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "control " << id << " shows \"" << text(id) << "\", not \"" << expected << "\"";
  }

 private:
  std::unique_ptr<ConsoleDialog> dialog_;
};
