#pragma once
// The console window: one fixed dialog whose controls carry the identifiers
// the station logic uses. It only shows and routes; what an event means is
// decided by the handler it is given.

#include <QDialog>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "adapter/receive_loop.h"
#include "console/console_handlers.h"
#include "console/console_layout.h"
#include "console/console_view.h"
#include "console/qt/box_typing.h"
#include "console/qt/caret_rest.h"
#include "console/qt/window_thread_bridge.h"

class FrameLines;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QValidator;

class ConsoleDialog final : public QDialog, public ConsoleView {
  Q_OBJECT

 public:
  // Builds the controls, then runs on_created (which may raise message boxes)
  // before the window is shown.
  ConsoleDialog(CommandHandler handler, const CreationHook& on_created);
  ~ConsoleDialog() override;

  // Callable from any thread; from another thread the caller waits until the
  // window's thread has done it.
  void set_text(int id, const std::string& text) override;
  std::string get_text(int id, int max_chars) override;
  EditSelection get_selection(int id) override;
  void type_char(int id, char c) override;
  void list_append(int id, const std::string& entry) override;
  void list_remove(int id, int index) override;
  int list_count(int id) override;
  std::optional<std::string> list_selected_text(int id) override;
  std::optional<int> list_selected_index(int id) override;
  void message_box(const std::string& text, const std::string& caption, BoxOwner owner) override;

  // Run by the window's thread while it waits for the receive loop: carries
  // out the loop's pending display requests and nothing else, so no click or
  // key can start another STOP or EXIT meanwhile.
  void pump_display_requests();
  // The window's thread will never carry out display requests again: the
  // receive thread's waiting request is released and later ones do nothing.
  void close_display_requests();

  QWidget* control(int id) const;

 protected:
  // Esc and the close box: the dialog's cancel command.
  void reject() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* create_control(const ControlSpec& placed);
  void route(int control_id, CommandKind kind);
  // Runs the work on the window's thread, after any typing still queued.
  template <typename Work>
  void on_window_thread(Work&& work);

  QPlainTextEdit* box(int id) const;
  QLineEdit* line(int id) const;
  QListWidget* list(int id) const;

  CommandHandler handler_;
  BoxTyping typing_{[this](int id) { return box(id); }};
  IdleCaretBlinkStop caret_rest_;
  WindowThreadBridge bridge_;
  DisplayPump pump_;
  std::unique_ptr<QValidator> digits_only_;
  std::map<int, QWidget*> controls_;
  // Declared last so the controls go first, while the handler is known to be
  // switched off (a box losing the focus would otherwise still report).
  std::vector<std::unique_ptr<QWidget>> owned_controls_;
  // Children of the list and text boxes, so they go before them.
  std::vector<std::unique_ptr<FrameLines>> frame_lines_;
};
