#include "console/qt/heard_log_box.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMessageBox>
#include <algorithm>

void show_heard_log_failure_later(const std::string& text, const std::string& caption) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return;
  // The reason comes from the system in the operator's language.
  const QString shown_text =
      QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
  const QString shown_caption =
      QString::fromLocal8Bit(caption.data(), static_cast<qsizetype>(caption.size()));
  QMetaObject::invokeMethod(
      app,
      [shown_text, shown_caption] {
        QMessageBox box(QMessageBox::NoIcon, shown_caption, shown_text, QMessageBox::Ok, nullptr);
        box.setTextFormat(Qt::PlainText);
        // Each line of the notice stays one line, so the reason ("Is a
        // directory.") is read whole and not broken after the file name.
        if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
          int widest = 0;
          for (const QString& line : shown_text.split(u'\n')) {
            widest = std::max(widest, label->fontMetrics().horizontalAdvance(line));
          }
          label->setMinimumWidth(widest + label->fontMetrics().averageCharWidth());
        }
        box.exec();
      },
      Qt::QueuedConnection);
}
