#include "console/qt/whole_rows.h"

#include <QListWidget>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <algorithm>
#include <cmath>
#include <memory>

namespace {

// Frame lines, margins and anything else around the rows.
int chrome_of(const QWidget& box) { return box.height() - box.contentsRect().height(); }

int whole_rows_height(int height, int chrome, int row) {
  if (row <= 0) return height;
  const int rows = std::max(1, (height - chrome) / row);
  return chrome + rows * row;
}

}  // namespace

void fit_to_whole_rows(QListWidget& list) {
  // Rows are as tall as the first one, so a name in a taller fallback font
  // (a Japanese repeater name) cannot make the rows uneven.
  list.setUniformItemSizes(true);
  list.ensurePolished();
  list.addItem(QStringLiteral("Xg"));
  const int row = list.sizeHintForRow(0);
  std::unique_ptr<QListWidgetItem> probe(list.takeItem(0));
  list.resize(list.width(), whole_rows_height(list.height(), chrome_of(list), row));
}

void fit_to_whole_lines(QPlainTextEdit& box) {
  box.ensurePolished();
  const int line = static_cast<int>(std::ceil(QFontMetricsF(box.font()).lineSpacing()));
  const int chrome =
      chrome_of(box) + 2 * static_cast<int>(std::ceil(box.document()->documentMargin()));
  box.resize(box.width(), whole_rows_height(box.height(), chrome, line));
}
