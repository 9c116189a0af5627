#pragma once
// The typing buffer bound to the Qt window: its timer, its edit at the end
// of a box, and its flush before the operator's own input. The operator may
// be selecting a callsign to call back or reading further up: the caret, the
// selection and the view stay where the operator left them, and the view
// follows new lines only while it shows the last one.

#include <QObject>
#include <QTimer>
#include <functional>

#include "console/typing_buffer.h"

class QPlainTextEdit;

class BoxTyping final : public QObject {
 public:
  explicit BoxTyping(std::function<QPlainTextEdit*(int id)> box_of);

  // Queues one byte (a line feed for a new line) for the end of the box.
  void type(int box_id, char byte);
  // Puts everything queued into its box now.
  void flush() { buffer_.flush(); }
  // The operator's own input reaches the box only after what came first.
  void watch(QPlainTextEdit* box);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::function<QPlainTextEdit*(int id)> box_of_;
  QTimer timer_;
  TypingBuffer buffer_;
  int line_chars_ = 0;  // typed since the last line feed
};
