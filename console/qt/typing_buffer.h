#pragma once
// Characters typed into a box by the receive loop arrive one request at a
// time, 36 for a header line. Laying out and painting the box for each of
// them made a heard station take milliseconds to appear, so they are
// collected here and added at the end of the box in one edit, within a
// millisecond, and always before anything else reads or touches the box.
// The operator may be selecting a callsign to call back or reading further
// up: the caret, the selection and the view stay where the operator left
// them, and the view follows new lines only while it shows the last one.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

class QPlainTextEdit;

class TypingBuffer final : public QObject {
 public:
  TypingBuffer();

  // Queues one character for the end of the box.
  void type(QPlainTextEdit* box, QChar c);
  // Puts everything queued into its box now.
  void flush();
  // The operator's own input reaches the box only after what came first.
  void watch(QPlainTextEdit* box);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPointer<QPlainTextEdit> box_;
  QString pending_;
  QTimer timer_;
};
