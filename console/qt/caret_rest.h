#pragma once
// A blinking caret wakes the program twice a second for as long as the
// window is open, which keeps a laptop in the field from its deep sleep. As
// in most desktops, the caret stops blinking (and stays shown) once the
// operator has left the keyboard and mouse alone for a while; the next key,
// click or focus change starts it again.

#include <QObject>
#include <QTimer>

class IdleCaretBlinkStop final : public QObject {
 public:
  IdleCaretBlinkStop();
  ~IdleCaretBlinkStop() override;
  IdleCaretBlinkStop(const IdleCaretBlinkStop&) = delete;
  IdleCaretBlinkStop& operator=(const IdleCaretBlinkStop&) = delete;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void stop_blinking();

  QTimer idle_timer_;
  int flash_ms_ = 0;  // the blink the desktop asked for, while resting
  bool resting_ = false;
};
