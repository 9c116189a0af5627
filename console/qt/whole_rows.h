#pragma once
// A list box or text box whose height is not a whole number of rows shows its
// last row cut in half. Like the native list box, these shorten a box to the
// whole rows that fit in its place, and never below one row.

class QListWidget;
class QPlainTextEdit;

void fit_to_whole_rows(QListWidget& list);
void fit_to_whole_lines(QPlainTextEdit& box);
