// What crosses between the station logic and the real window: bytes in
// edits and labels, CR LF counting, typed characters, list entries, message
// boxes, and requests from the receive thread.

#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextCursor>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "console/qt/console_dialog.h"
#include "support/message_box_answerer.h"
#include "support/offscreen_qt_app.h"

namespace {

class ConsoleViewBinding : public ::testing::Test {
 protected:
  std::vector<int> commands;
  ConsoleDialog dialog{[this](ConsoleView&, int id, CommandKind, const DisplayPump&) {
                         commands.push_back(id);
                         return false;
                       },
                       nullptr};

  QPlainTextEdit* box(int id) { return qobject_cast<QPlainTextEdit*>(dialog.control(id)); }
  QListWidget* list(int id) { return qobject_cast<QListWidget*>(dialog.control(id)); }

  void select_in_box(int id, int from, int to) {
    QTextCursor cursor = box(id)->textCursor();
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    box(id)->setTextCursor(cursor);
  }

  void show_active() {
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  }
};

std::string high_bytes() {
  std::string bytes;
  for (int b = 0x80; b <= 0xFF; ++b) bytes.push_back(static_cast<char>(b));
  return bytes;
}

TEST_F(ConsoleViewBinding, every_byte_from_0x80_to_0xff_comes_back_unchanged) {
  const std::string bytes = "QR3WMN D" + high_bytes();
  for (int id : {210, 200, 110, 370, 120, 390}) {
    SCOPED_TRACE(id);
    dialog.set_text(id, bytes);
    EXPECT_EQ(dialog.get_text(id, 1000), bytes);
  }
  // One character per byte on screen, no multi-byte decoding.
  EXPECT_EQ(box(210)->toPlainText().size(), static_cast<qsizetype>(bytes.size()));
  EXPECT_EQ(box(210)->toPlainText().at(8), QChar(0x80));
}

TEST_F(ConsoleViewBinding, line_breaks_count_as_two_characters) {
  dialog.set_text(200, "\r\nQR3XYZ X CQCQCQ \r\nQR3ABC A");
  EXPECT_EQ(dialog.get_text(200, 100), "\r\nQR3XYZ X CQCQCQ \r\nQR3ABC A");
  EXPECT_EQ(dialog.get_text(200, 5), "\r\nQR3");
  EXPECT_EQ(dialog.get_text(200, 0), "");

  struct Case {
    int from, to;  // positions in the box, one per line break
    EditSelection expected;
  };
  const std::vector<Case> cases = {
      {1, 9, {2, 10}},     // "QR3XYZ X" on the first received line
      {18, 26, {20, 28}},  // "QR3ABC A" on the second
      {12, 21, {13, 23}},  // across a line break
      {0, 0, {0, 0}},      // caret only
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.from);
    select_in_box(200, c.from, c.to);
    const EditSelection got = dialog.get_selection(200);
    EXPECT_EQ(got.start, c.expected.start);
    EXPECT_EQ(got.end, c.expected.end);
  }
  select_in_box(200, 1, 9);
  EXPECT_EQ(dialog.get_text(200, 100).substr(2, 8), "QR3XYZ X");
}

TEST_F(ConsoleViewBinding, a_lone_line_feed_or_return_reads_back_as_cr_lf) {
  dialog.set_text(310, "A\nB\rC");
  EXPECT_EQ(dialog.get_text(310, 100), "A\r\nB\r\nC");
  EXPECT_EQ(box(310)->blockCount(), 3);
}

TEST_F(ConsoleViewBinding, one_line_edit_reports_its_selection) {
  dialog.set_text(110, "123");
  auto* edit = qobject_cast<QLineEdit*>(dialog.control(110));
  edit->setSelection(1, 2);
  EXPECT_EQ(dialog.get_selection(110).start, 1);
  EXPECT_EQ(dialog.get_selection(110).end, 3);
}

TEST_F(ConsoleViewBinding, received_text_goes_at_the_end_and_leaves_the_operators_selection) {
  show_active();
  dialog.control(110)->setFocus();
  dialog.set_text(200, "\r\nQR3OLD A CQCQCQ ");
  select_in_box(200, 1, 9);  // operator selected "QR3OLD A"
  for (char c : std::string("\nQR3NEW B")) dialog.type_char(200, c);
  EXPECT_EQ(dialog.get_text(200, 100), "\r\nQR3OLD A CQCQCQ \r\nQR3NEW B");
  EXPECT_EQ(box(200)->textCursor().selectedText(), "QR3OLD A");
  EXPECT_EQ(QApplication::focusWidget(), dialog.control(110));
  // A caret at the end stays where it was, before what arrives next.
  box(200)->moveCursor(QTextCursor::End);
  dialog.type_char(200, '!');
  EXPECT_EQ(dialog.get_text(200, 100), "\r\nQR3OLD A CQCQCQ \r\nQR3NEW B!");
  EXPECT_EQ(dialog.get_selection(200).start, 28);
  EXPECT_EQ(dialog.get_selection(200).end, 28);
}

TEST_F(ConsoleViewBinding, the_receiving_box_follows_new_lines_only_while_it_shows_the_last_one) {
  show_active();
  std::string heard;
  for (int i = 0; i < 40; ++i) heard += "\r\nQR3AAA A CQCQCQ   QR3KTA A QR3KTG G";
  dialog.set_text(200, heard);
  QScrollBar* bar = box(200)->verticalScrollBar();
  auto hear_a_line = [&] {
    for (char c : std::string("\nQR3NEW B CQCQCQ   QR3KTA A QR3KTG G")) dialog.type_char(200, c);
    dialog.get_text(200, 0);  // whatever is waiting is in the box now
  };
  for (const bool at_last_line : {true, false}) {  // false: scrolled up to read, it stays
    SCOPED_TRACE(at_last_line);
    bar->setValue(at_last_line ? bar->maximum() : 3);
    const int before = bar->maximum();
    hear_a_line();
    ASSERT_GT(bar->maximum(), before);
    EXPECT_EQ(bar->value(), at_last_line ? bar->maximum() : 3);
  }
}

TEST_F(ConsoleViewBinding, control_bytes_typed_by_the_adapter_neither_delete_nor_paste) {
  dialog.set_text(200, "AB");
  box(200)->moveCursor(QTextCursor::End);
  for (char c : {'\x08', '\x16', '\x18', '\x1a', '\x00', 'C', '\t', '\r', 'D'})
    dialog.type_char(200, c);
  EXPECT_EQ(dialog.get_text(200, 100), "AB.....C.\r\nD");
}

TEST_F(ConsoleViewBinding, list_entries_show_decoded_and_read_back_as_their_bytes) {
  struct Case {
    std::string bytes;
    QString shown;
  };
  const std::vector<Case> cases = {
      {"JP1,Hilltop430(NI43),439310,-5000,QR3KTA A,QR3KTG G",
       QStringLiteral("JP1,Hilltop430(NI43),439310,-5000,QR3KTA A,QR3KTG G")},
      // Shift-JIS "東京" (Tokyo), as an older list file would hold it.
      {"JP1,\x93\x8c\x8b\x9e,439310", QString::fromUtf8("JP1,\xE6\x9D\xB1\xE4\xBA\xAC,439310")},
      // The same in UTF-8.
      {"JP1,\xE6\x9D\xB1\xE4\xBA\xAC,439310",
       QString::fromUtf8("JP1,\xE6\x9D\xB1\xE4\xBA\xAC,439310")},
      // Half-width katakana "ｱ" in Shift-JIS.
      {"JP2,\xB1", QString::fromUtf8("JP2,\xEF\xBD\xB1")},
      // Neither reads 0x80 or 0xFF: shown as replacement characters.
      {"JP3,\x80\xFF", QString::fromUtf8("JP3,\xEF\xBF\xBD\xEF\xBF\xBD")},
  };
  for (const Case& c : cases) dialog.list_append(270, c.bytes);
  ASSERT_EQ(dialog.list_count(270), static_cast<int>(cases.size()));
  for (int i = 0; i < static_cast<int>(cases.size()); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(list(270)->item(i)->text(), cases[static_cast<std::size_t>(i)].shown);
    list(270)->setCurrentRow(i);
    EXPECT_EQ(dialog.list_selected_text(270), cases[static_cast<std::size_t>(i)].bytes);
  }
}

TEST_F(ConsoleViewBinding, removing_the_selected_entry_leaves_nothing_selected) {
  for (const char* area : {"Simplex", "JP1", "JP2"}) dialog.list_append(250, area);
  list(250)->setCurrentRow(1);
  dialog.list_remove(250, 0);
  EXPECT_EQ(dialog.list_selected_text(250), "JP1");
  dialog.list_remove(250, 0);
  EXPECT_EQ(dialog.list_selected_text(250), std::nullopt);
  EXPECT_EQ(dialog.list_count(250), 1);
  dialog.list_remove(250, 5);  // no such entry
  EXPECT_EQ(dialog.list_count(250), 1);
}

TEST_F(ConsoleViewBinding, message_boxes_carry_text_caption_owner_and_only_ok) {
  MessageBoxAnswerer answerer;
  dialog.message_box("DV adapter port has been closed", "ERROR", BoxOwner::window);
  dialog.message_box("COM7", "TRX COM port error", BoxOwner::none);
  dialog.message_box("File could not open, ", "D-STAR_repeaters.txt", BoxOwner::none);
  ASSERT_EQ(answerer.boxes().size(), 3u);
  EXPECT_EQ(answerer.boxes()[0].text, "DV adapter port has been closed");
  EXPECT_EQ(answerer.boxes()[0].title, "ERROR");
  EXPECT_EQ(answerer.boxes()[0].owner, &dialog);
  EXPECT_EQ(answerer.boxes()[1].text, "COM7");
  EXPECT_EQ(answerer.boxes()[1].title, "TRX COM port error");
  EXPECT_EQ(answerer.boxes()[1].owner, nullptr);
  EXPECT_EQ(answerer.boxes()[2].text, "File could not open, ");
  EXPECT_EQ(answerer.boxes()[2].title, "D-STAR_repeaters.txt");
  for (const AnsweredBox& b : answerer.boxes()) EXPECT_EQ(b.button_count, 1);
}

// Runs the window's side until the other thread is done, the way STOP waits
// for the receive loop.
void pump_until(ConsoleDialog& dialog, const std::atomic<bool>& done) {
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!done && std::chrono::steady_clock::now() < give_up) {
    dialog.pump_display_requests();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

TEST_F(ConsoleViewBinding, receive_thread_request_waits_until_the_window_thread_has_done_it) {
  std::atomic<bool> done{false};
  std::thread receiver([&] {
    dialog.set_text(120, "RPT?");
    done = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(done);  // held until the window's thread takes the request
  EXPECT_EQ(dialog.get_text(120, 10), "***");
  pump_until(dialog, done);
  receiver.join();
  EXPECT_TRUE(done);
  EXPECT_EQ(dialog.get_text(120, 10), "RPT?");
}

TEST_F(ConsoleViewBinding, header_line_typed_from_the_receive_thread_lands_in_order) {
  const std::string line = "\nQR3XYZ X CQCQCQ   QR3KTA A QR3KTG G";
  std::atomic<bool> done{false};
  std::thread receiver([&] {
    for (char c : line) dialog.type_char(200, c);
    done = true;
  });
  pump_until(dialog, done);
  receiver.join();
  EXPECT_EQ(dialog.get_text(200, 100), "\r\nQR3XYZ X CQCQCQ   QR3KTA A QR3KTG G");
}

TEST_F(ConsoleViewBinding, pump_carries_out_display_requests_but_no_operator_input) {
  show_active();
  // Operator input waiting in the queue: a key for the port field, a click on
  // START and the close box.
  QCoreApplication::postEvent(dialog.control(110),
                              new QKeyEvent(QEvent::KeyPress, Qt::Key_5, Qt::NoModifier, "5"));
  QMetaObject::invokeMethod(dialog.control(150), "click", Qt::QueuedConnection);
  QCoreApplication::postEvent(&dialog, new QCloseEvent);

  std::atomic<bool> done{false};
  std::thread receiver([&] {
    dialog.set_text(120, "UR?");
    done = true;
  });
  pump_until(dialog, done);
  receiver.join();
  EXPECT_EQ(dialog.get_text(120, 10), "UR?");
  EXPECT_TRUE(commands.empty());
  EXPECT_EQ(dialog.get_text(110, 9), "");

  // Once the window's thread is back in its event loop the input is handled.
  QCoreApplication::processEvents();
  EXPECT_EQ(dialog.get_text(110, 9), "5");
  EXPECT_EQ(commands, (std::vector<int>{150, 2}));
}

TEST_F(ConsoleViewBinding, message_box_from_the_receive_thread_holds_it_until_ok) {
  MessageBoxAnswerer answerer;
  std::atomic<bool> done{false};
  std::thread receiver([&] {
    dialog.message_box("COM7", "TRX COM port error", BoxOwner::none);
    done = true;
  });
  pump_until(dialog, done);
  receiver.join();
  ASSERT_EQ(answerer.boxes().size(), 1u);
  EXPECT_EQ(answerer.boxes()[0].title, "TRX COM port error");
}

}  // namespace
