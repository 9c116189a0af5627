// The real window with the station logic behind it, worked the way an
// operator would: start-up from the files, a callsign typed and selected
// before START, a header heard while the link runs, Call back, EXIT.

#include <gtest/gtest.h>

#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextCursor>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>

#include "adapter/link_state.h"
#include "adapter/receive_loop.h"
#include "console/qt/console_dialog.h"
#include "support/console_fixture.h"
#include "support/message_box_answerer.h"
#include "support/offscreen_qt_app.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

class ConsoleWindow : public ConsoleTest {
 protected:
  void open_real_window() {
    dialog = std::make_unique<ConsoleDialog>(on_command, on_window_created);
    dialog->show();
    dialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.get()));
  }

  void TearDown() override {
    // The receive loop must be gone before the window it writes to.
    if (dialog) {
      adapter_open = false;
      stop_receive_loop([this] { dialog->pump_display_requests(); });
    }
  }

  void click(int id) { QTest::mouseClick(dialog->control(id), Qt::LeftButton); }
  QPlainTextEdit* box(int id) { return qobject_cast<QPlainTextEdit*>(dialog->control(id)); }

  void select_in_box(int id, int from, int to) {
    QTextCursor cursor = box(id)->textCursor();
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    box(id)->setTextCursor(cursor);
  }

  // Lets the window's event loop run until the box shows the text.
  bool wait_for_text(int id, const std::string& text) {
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < give_up) {
      if (dialog->get_text(id, 200) == text) return true;
      QTest::qWait(5);
    }
    return false;
  }

  MessageBoxAnswerer answerer;
  std::unique_ptr<ConsoleDialog> dialog;
};

TEST_F(ConsoleWindow, without_settings_the_operator_is_told_and_sees_empty_lists) {
  open_real_window();
  ASSERT_GE(answerer.boxes().size(), 1u);
  EXPECT_EQ(answerer.boxes()[0].text, "D-STAR_DV_config.txt");
  EXPECT_EQ(answerer.boxes()[0].title, "Error! the file could not open");
  EXPECT_EQ(answerer.boxes()[0].owner, nullptr);
  for (int id : {ctl::call_area, ctl::my_repeater, ctl::his_repeater, ctl::transceiver_model})
    EXPECT_EQ(dialog->list_count(id), 0);
  EXPECT_EQ(dialog->get_text(ctl::start_stop, 10), "START");
  EXPECT_EQ(dialog->get_text(ctl::my_callsign, 10), "");
}

TEST_F(ConsoleWindow, saved_settings_fill_the_fields_and_lists) {
  write_station_files();
  open_real_window();
  EXPECT_TRUE(answerer.boxes().empty());
  EXPECT_EQ(dialog->get_text(ctl::my_callsign, 10), "QR3WMN D");
  EXPECT_EQ(dialog->get_text(ctl::adapter_port, 10), "7");
  EXPECT_EQ(dialog->list_count(ctl::call_area), 13);
  EXPECT_EQ(dialog->list_count(ctl::transceiver_model), 7);  // the stored model, then the six
  EXPECT_EQ(dialog->get_text(ctl::frequency, 10), "439310");
}

TEST_F(ConsoleWindow, selected_callsign_goes_out_at_start_and_a_heard_station_is_called_back) {
  write_station_files();
  open_real_window();
  dialog->set_text(ctl::transceiver_port, "8");

  // Type a new callsign and select it, then press START with the mouse.
  box(ctl::my_callsign)->setFocus();
  box(ctl::my_callsign)->selectAll();
  QTest::keyClicks(box(ctl::my_callsign), "QR3XYZ Y");
  box(ctl::my_callsign)->selectAll();
  click(ctl::start_stop);
  EXPECT_EQ(dialog->get_text(ctl::start_stop, 10), "STOP");
  EXPECT_TRUE(adapter_open);
  const Bytes my_call =
      Bytes{0xFE, 0xFE, 0x01, 0x7F, 0x1D, 0x03} + bytes_of("QR3XYZ Y  ") + Bytes{0xFD};
  const Bytes sent = adapter.read_all();
  EXPECT_NE(std::search(sent.begin(), sent.end(), my_call.begin(), my_call.end()), sent.end());

  // A station is heard: its header report lands as a new line in the box.
  adapter.write(Bytes{0xFE, 0xFE, 0x7F, 0x01, 0x1D, 0x04} +
                bytes_of("QR3KTG GQR3KTA ACQCQCQ  QR3ABC Z") + Bytes{0x00, 0xFD});
  ASSERT_TRUE(wait_for_text(ctl::receiving, "\r\nQR3ABC Z CQCQCQ   QR3KTA A QR3KTG G"));

  // The operator selects the heard MY callsign and presses Call back.
  select_in_box(ctl::receiving, 1, 9);
  click(ctl::call_back);
  EXPECT_EQ(dialog->get_text(ctl::callback_callsign, 10), "QR3ABC Z");
  EXPECT_EQ(adapter.read_all(), route_frame("QR3KTG G", "QR3KTA A", "QR3ABC Z"));

  // STOP waits for the receive loop while carrying out its display requests.
  click(ctl::start_stop);
  EXPECT_EQ(dialog->get_text(ctl::start_stop, 10), "START");
  EXPECT_FALSE(adapter_open);
  EXPECT_FALSE(receive_loop_running());
  EXPECT_EQ(dir.read_file("D-STAR_DV_config.txt"), "QR3XYZ Y,F817,JP1,QR3KTA A,QR3KTA B,7");
}

TEST_F(ConsoleWindow, exit_closes_the_window_and_writes_nothing_when_never_started) {
  write_station_files();
  open_real_window();
  click(ctl::exit_button);
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_FALSE(dir.exists("D-STAR_his_rpt.txt"));
}

TEST_F(ConsoleWindow, close_box_while_running_saves_and_ends_the_program) {
  write_station_files();
  open_real_window();
  dialog->set_text(ctl::transceiver_port, "8");
  click(ctl::start_stop);
  ASSERT_TRUE(adapter_open);
  std::remove("D-STAR_DV_config.txt");
  dialog->close();
  EXPECT_FALSE(dialog->isVisible());
  EXPECT_FALSE(adapter_open);
  EXPECT_EQ(dir.read_file("D-STAR_DV_config.txt"), "QR3WMN D,F817,JP1,QR3KTA A,QR3KTA B,7");
}

}  // namespace
