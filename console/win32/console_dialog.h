#pragma once
// The console window on Windows: a modal dialog from the shared layout
// table whose controls carry the identifiers the station logic uses. It only
// shows and routes; what an event means is decided by the handler.
//
// The receive thread's display requests are SendMessage calls to the dialog:
// the thread waits until the window's thread has carried them out, and the
// window's thread carries them out whenever it takes messages, also inside
// the pump it runs while STOP waits for the loop.

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "adapter/receive_loop.h"
#include "console/console_handlers.h"
#include "console/console_view.h"
#include "console/typing_buffer.h"
#include "console/win32/fitting_fonts.h"

class Win32ConsoleDialog final : public ConsoleView {
 public:
  Win32ConsoleDialog(CommandHandler handler, CreationHook on_created);
  Win32ConsoleDialog(const Win32ConsoleDialog&) = delete;
  Win32ConsoleDialog& operator=(const Win32ConsoleDialog&) = delete;

  // Shows the dialog modally with no owner; returns when it has ended:
  // false when the window could not be made.
  bool run();
  HWND window() const { return window_; }

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

  // Carries out the display requests sent to the window and nothing else, so
  // no click or key can start another STOP or EXIT meanwhile.
  static void pump_display_requests();

 private:
  static INT_PTR CALLBACK dialog_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  // The keys the dialog manager leaves to the controls: Ctrl+A in an edit,
  // Space in a list, a list caption's letter; and the Receiving box's
  // typing put in before the operator's own input.
  static LRESULT CALLBACK control_proc(HWND control, UINT message, WPARAM wparam, LPARAM lparam,
                                       UINT_PTR id, DWORD_PTR self);
  INT_PTR handle(UINT message, WPARAM wparam, LPARAM lparam);
  void created(HWND window);
  void route(int control_id, CommandKind kind);
  // Fonts measured on the window as it stands: at creation and after a
  // change of DPI.
  void fit_fonts();
  // A list takes the Japanese font when its own lacks the entry's letters.
  void show_letters_of(HWND list, const std::wstring& entry);
  // Runs the work on the window's thread, after any typing still queued.
  void on_window_thread(const std::function<void()>& work, bool flush_first = true);

  CommandHandler handler_;
  CreationHook on_created_;
  DisplayPump pump_;
  HWND window_ = nullptr;
  DWORD window_thread_ = 0;
  // Characters typed by the receive loop, put in as one edit per line.
  TypingBuffer typing_;
  // Each list entry's bytes as read from its file, in the list's order.
  std::map<int, std::vector<std::string>> list_entries_;
  FontHandle fixed_font_;
  FontHandle caption_font_;
  std::vector<FontHandle> clear_caption_fonts_;
  FontHandle list_font_;
  FontHandle japanese_font_;
};
