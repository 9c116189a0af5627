#pragma once
// Plays the operator in front of message boxes: while it lives, every modal
// QMessageBox that opens is noted (text, title, owner, buttons) and answered
// with OK, so the code that raised it goes on.

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <string>
#include <vector>

struct AnsweredBox {
  std::string text;
  std::string title;
  const QWidget* owner;
  int button_count;
};

class MessageBoxAnswerer {
 public:
  MessageBoxAnswerer() {
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] { answer(); });
    timer_.start();
  }

  const std::vector<AnsweredBox>& boxes() const { return boxes_; }
  void clear() { boxes_.clear(); }

 private:
  void answer() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box || !box->isVisible()) return;
    boxes_.push_back({box->text().toStdString(), box->windowTitle().toStdString(),
                      box->parentWidget(), static_cast<int>(box->buttons().size())});
    if (QAbstractButton* ok = box->button(QMessageBox::Ok)) {
      ok->click();
    } else {
      box->reject();
    }
  }

  QTimer timer_;
  std::vector<AnsweredBox> boxes_;
};
