#include "bench/linked_window.h"

#include <QApplication>
#include <QTextDocument>
#include <QTimer>
#include <cstdio>

#include "adapter/link_state.h"
#include "adapter/receive_loop.h"

void use_offscreen_platform() { qputenv("QT_QPA_PLATFORM", "offscreen"); }

LinkedWindow::LinkedWindow() : dialog_(on_command, {}) {
  dialog_.show();
  QApplication::processEvents();
  open_adapter_port(dialog_, "7");
  if (adapter_open) start_receive_loop(dialog_);
}

LinkedWindow::~LinkedWindow() {
  stop_receive_loop([this] { dialog_.pump_display_requests(); });
  close_adapter_link();
}

bool LinkedWindow::link_open() const { return adapter_open && receive_loop_running(); }

QPlainTextEdit& LinkedWindow::receiving() {
  return *qobject_cast<QPlainTextEdit*>(dialog_.control(ctl::receiving));
}

int LinkedWindow::box_chars() { return receiving().document()->characterCount(); }

double LinkedWindow::time_report(const ReportBytes& report, int chars_added,
                                 std::chrono::milliseconds limit) {
  using Clock = std::chrono::steady_clock;
  QTextDocument* document = receiving().document();
  const int target = document->characterCount() + chars_added;
  Clock::time_point landed{};
  bool done = false;
  // Stamped the moment the last character is in the box's document.
  const QMetaObject::Connection watch =
      QObject::connect(document, &QTextDocument::contentsChanged, [&] {
        if (!done && document->characterCount() >= target) {
          landed = Clock::now();
          done = true;
        }
      });
  // Keeps the wait from sleeping past the limit when nothing comes.
  QTimer wake;
  wake.start(50);
  const Clock::time_point written = Clock::now();
  adapter_.write(report);
  const Clock::time_point give_up = written + limit;
  while (!done && Clock::now() < give_up) {
    QApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
  }
  QObject::disconnect(watch);
  // Whatever the line asked of the screen is done before the next report.
  QApplication::processEvents();
  if (!done) return -1;
  return std::chrono::duration<double, std::milli>(landed - written).count();
}

int run_with_linked_window(char** argv, const std::function<int(LinkedWindow&)>& bench) {
  use_offscreen_platform();
  int qt_argc = 1;
  QApplication app(qt_argc, argv);
  LinkedWindow window;
  if (!window.link_open()) {
    std::fprintf(stderr, "the adapter link on COM7 did not open\n");
    return 1;
  }
  return bench(window);
}
