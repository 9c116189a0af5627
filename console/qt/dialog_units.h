#pragma once
// Dialog units as Windows maps them: the window keeps its proportions with
// any font and screen resolution.

#include <QFontMetrics>
#include <QRect>

struct DialogUnits {
  int base_x;  // average width of the letters A-Z, a-z: 4 horizontal units
  int base_y;  // font's character height: 8 vertical units
};

DialogUnits dialog_units_for(const QFontMetrics& metrics);

int du_to_px_x(const DialogUnits& units, int du);
int du_to_px_y(const DialogUnits& units, int du);

// Both corners are mapped, as Windows does, so neighbours stay flush.
QRect du_rect(const DialogUnits& units, int x, int y, int w, int h);
