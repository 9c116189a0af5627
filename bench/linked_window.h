#pragma once
// The real console window on the offscreen platform, shown, with its adapter
// link open on a pseudo-terminal as COM7 and the receive loop running, as
// after a START. The bench writes the adapter's reports to the far end.

#include <QPlainTextEdit>
#include <chrono>
#include <functional>

#include "bench/adapter_reports.h"
#include "console/qt/console_dialog.h"
#include "support/pty_device.h"
#include "support/temp_workdir.h"

// Before the QApplication is made: no display needed.
void use_offscreen_platform();

class LinkedWindow {
 public:
  LinkedWindow();
  ~LinkedWindow();
  LinkedWindow(const LinkedWindow&) = delete;
  LinkedWindow& operator=(const LinkedWindow&) = delete;

  QPlainTextEdit& receiving();
  // Characters in the Receiving box, line breaks as one.
  int box_chars();

  // Writes the report to the adapter's far end and runs the window until the
  // box holds `chars_added` more characters; the time from write to the last
  // of them landing, in ms, or a negative value when `limit` passed first.
  double time_report(const ReportBytes& report, int chars_added,
                     std::chrono::milliseconds limit = std::chrono::seconds(5));

  bool link_open() const;
  // The window as the station logic sees it; for use on the window's thread.
  ConsoleView& view() { return dialog_; }

 private:
  TempWorkdir dir_;
  PtyDevice adapter_{7};
  ConsoleDialog dialog_;
};

// Runs `bench` with the window shown on the offscreen platform and its link
// open; 1 and why when the link did not open, else what `bench` returns.
int run_with_linked_window(char** argv, const std::function<int(LinkedWindow&)>& bench);
