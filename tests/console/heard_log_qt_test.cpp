// A folder that cannot take the heard log: the operator is told once, by a
// box without owner captioned "Heard log", and stations heard go on
// appearing in the Receiving box, even while that box waits for OK.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "adapter/link_state.h"
#include "adapter/receive_loop.h"
#include "console/qt/console_dialog.h"
#include "console/qt/heard_log_box.h"
#include "support/heard_log_cases.h"
#include "support/offscreen_qt_app.h"
#include "support/pty_device.h"
#include "support/station_fixture.h"

namespace {

using namespace std::chrono;
using namespace std::chrono_literals;

HeardTime in_december() { return sys_days{2026y / December / 8} + 14h; }

class HeardLogWindow : public StationTest {
 protected:
  HeardLogWindow() {
    set_heard_log_clock(in_december);
    set_heard_log_notice(show_heard_log_failure_later);
    forget_heard_log_failure();
  }
  ~HeardLogWindow() override {
    stop_receive_loop([this] { dialog.pump_display_requests(); });
    close_adapter_link();
    heard_log_drain(5s);
    chmod(dir.path().c_str(), 0755);
    set_heard_log_notice(nullptr);
    set_heard_log_clock(nullptr);
  }

  int receiving_lines() {
    auto* box = qobject_cast<QPlainTextEdit*>(dialog.control(ctl::receiving));
    return box->document()->blockCount() - 1;
  }

  PtyDevice adapter{7};
  ConsoleDialog dialog{on_command, CreationHook{}};
};

TEST_F(HeardLogWindow, a_folder_that_refuses_the_log_is_told_once_and_stations_still_show) {
  dialog.show();
  open_adapter_port(dialog, "7");
  ASSERT_TRUE(adapter_open);
  start_receive_loop(dialog);

  // Root writes into a read-only folder, so for root the month's file name is a folder instead.
  std::string refused = std::strerror(EACCES);
  if (geteuid() == 0) {
    ASSERT_EQ(mkdir("D-STAR_heard_2026-12.csv", 0755), 0);
    refused = "it is not a regular file";
  } else {
    ASSERT_EQ(chmod(dir.path().c_str(), 0555), 0);
  }

  // Plays the operator: notes each box, and while the first is open lets two
  // more stations be heard before pressing OK.
  int boxes = 0, lines_while_open = 0;
  const QMessageBox* last = nullptr;
  std::string text, caption;
  const QWidget* owner = nullptr;
  steady_clock::time_point opened;
  QTimer operator_;
  QObject::connect(&operator_, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible()) return;
    if (box != last && ++boxes == 1) {
      text = box->text().toStdString();
      caption = box->windowTitle().toStdString();
      owner = box->parentWidget();
      opened = steady_clock::now();
      adapter.write(header_report("QR2BBB  ") + header_report("QR3CCC  "));
    }
    last = box;
    lines_while_open = receiving_lines();
    const bool waited_long = steady_clock::now() - opened > 3s;  // never hang the test
    if (lines_while_open >= 3 || boxes > 1 || waited_long) box->button(QMessageBox::Ok)->click();
  });
  operator_.start(5);

  adapter.write(header_report("QR1AAA  "));
  const auto give_up = steady_clock::now() + 5s;
  while ((boxes == 0 || QApplication::activeModalWidget()) && steady_clock::now() < give_up) {
    QTest::qWait(5);
  }
  adapter.write(header_report("QR4DDD  "));
  while (receiving_lines() < 4 && steady_clock::now() < give_up) QTest::qWait(5);
  QTest::qWait(200);  // room for a second box, which must not come

  EXPECT_EQ(boxes, 1);
  EXPECT_EQ(caption, "Heard log");
  EXPECT_EQ(owner, nullptr);
  EXPECT_NE(text.find("D-STAR_heard_2026-12.csv"), std::string::npos) << text;
  EXPECT_NE(text.find(refused), std::string::npos) << text;
  EXPECT_EQ(lines_while_open, 3) << "the receive loop waited for OK";
  EXPECT_EQ(receiving_lines(), 4);
}

}  // namespace
