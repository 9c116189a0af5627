#include "console/qt/dialog_units.h"

namespace {

// value * numerator / denominator, rounded half up (non-negative values).
int scale_rounded(int value, int numerator, int denominator) {
  return (2 * value * numerator + denominator) / (2 * denominator);
}

}  // namespace

DialogUnits dialog_units_for(const QFontMetrics& metrics) {
  // Windows takes the average over the 52 letters, not the font's own
  // average-width figure; captions are mostly letters, so they fit.
  const int letters = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  return {(letters / 26 + 1) / 2, metrics.height()};
}

int du_to_px_x(const DialogUnits& units, int du) { return scale_rounded(du, units.base_x, 4); }

int du_to_px_y(const DialogUnits& units, int du) { return scale_rounded(du, units.base_y, 8); }

QRect du_rect(const DialogUnits& units, int x, int y, int w, int h) {
  const int left = du_to_px_x(units, x);
  const int top = du_to_px_y(units, y);
  return QRect(left, top, du_to_px_x(units, x + w) - left, du_to_px_y(units, y + h) - top);
}
