#include "console/win32/console_dialog.h"

#include <vector>

#include "console/stderr_view.h"
#include "console/win32/box_append.h"
#include "console/win32/dialog_template.h"

namespace {

// The one message the receive thread sends: lparam points at the request.
constexpr UINT kDisplayRequest = WM_APP + 1;
// Never posted: asking for it only takes the messages sent to the window.
constexpr UINT kNeverPosted = WM_APP + 2;
constexpr UINT_PTR kTypingTimer = 1;

Win32ConsoleDialog* dialog_of(HWND window) {
  return reinterpret_cast<Win32ConsoleDialog*>(GetWindowLongPtrA(window, DWLP_USER));
}

// Operator input that must come after what the receive loop typed first.
bool is_operator_input(UINT message) {
  switch (message) {
    case WM_KEYDOWN:
    case WM_CHAR:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_PASTE:
    case WM_CUT:
    case WM_CLEAR:
    case WM_KILLFOCUS:
      return true;
    default:
      return false;
  }
}

}  // namespace

Win32ConsoleDialog::Win32ConsoleDialog(CommandHandler handler, CreationHook on_created)
    : handler_(std::move(handler)),
      on_created_(std::move(on_created)),
      pump_(pump_display_requests) {}

void Win32ConsoleDialog::run() {
  const std::vector<WORD> layout = console_dialog_template();
  DialogBoxIndirectParamA(GetModuleHandleA(nullptr),
                          reinterpret_cast<LPCDLGTEMPLATEA>(layout.data()), nullptr, dialog_proc,
                          reinterpret_cast<LPARAM>(this));
  window_ = nullptr;
}

void Win32ConsoleDialog::pump_display_requests() {
  MSG message;
  PeekMessageA(&message, nullptr, kNeverPosted, kNeverPosted, PM_NOREMOVE);
}

INT_PTR CALLBACK Win32ConsoleDialog::dialog_proc(HWND window, UINT message, WPARAM wparam,
                                                 LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    auto* dialog = reinterpret_cast<Win32ConsoleDialog*>(lparam);
    SetWindowLongPtrA(window, DWLP_USER, lparam);
    dialog->created(window);
    return TRUE;  // the focus goes to the first tab stop, "DV port(1)"
  }
  Win32ConsoleDialog* dialog = dialog_of(window);
  return dialog ? dialog->handle(message, wparam, lparam) : FALSE;
}

void Win32ConsoleDialog::created(HWND window) {
  window_ = window;
  window_thread_ = GetCurrentThreadId();
  SendMessageA(window, DM_SETDEFID, ctl::start_stop, 0);
  HWND receiving = GetDlgItem(window, ctl::receiving);
  // The box only grows; nothing is ever removed from it.
  SendMessageA(receiving, EM_SETLIMITTEXT, 0, 0);
  SetWindowLongPtrA(receiving, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  receiving_box_proc_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(receiving, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(typed_box_proc)));
  if (on_created_) on_created_(*this);
}

LRESULT CALLBACK Win32ConsoleDialog::typed_box_proc(HWND box, UINT message, WPARAM wparam,
                                                    LPARAM lparam) {
  auto* dialog = reinterpret_cast<Win32ConsoleDialog*>(GetWindowLongPtrA(box, GWLP_USERDATA));
  if (is_operator_input(message)) dialog->flush_typing();
  return CallWindowProcA(dialog->receiving_box_proc_, box, message, wparam, lparam);
}

INT_PTR Win32ConsoleDialog::handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case kDisplayRequest:
      (*reinterpret_cast<const std::function<void()>*>(lparam))();
      return TRUE;
    case WM_TIMER:
      if (wparam != kTypingTimer) return FALSE;
      flush_typing();
      return TRUE;
    case WM_COMMAND: {
      const int id = LOWORD(wparam);
      const bool double_click =
          HIWORD(wparam) == LBN_DBLCLK && (id == ctl::call_area || id == ctl::my_repeater ||
                                           id == ctl::his_repeater || id == ctl::transceiver_model);
      route(id, double_click ? CommandKind::double_click : CommandKind::other);
      return TRUE;
    }
    case WM_HELP:
      return TRUE;  // the title bar's help button has no function
    case WM_ENDSESSION:
      // Windows is logging off or shutting down and ends the program after
      // this returns: the link ends as EXIT ends it, with no box to wait on.
      if (wparam && handler_) {
        handler_ = nullptr;
        StderrView no_window;
        on_exit(no_window, pump_);
      }
      return TRUE;
    default:
      return FALSE;
  }
}

void Win32ConsoleDialog::route(int control_id, CommandKind kind) {
  if (!handler_ || !window_) return;
  if (handler_(*this, control_id, kind, pump_)) {
    flush_typing();
    EndDialog(window_, 0);
  }
}

void Win32ConsoleDialog::on_window_thread(const std::function<void()>& work, bool flush_first) {
  if (!window_) return;
  if (GetCurrentThreadId() == window_thread_) {
    if (flush_first) flush_typing();
    work();
    return;
  }
  const std::function<void()> in_order = [&] {
    if (flush_first) flush_typing();
    work();
  };
  SendMessageA(window_, kDisplayRequest, 0, reinterpret_cast<LPARAM>(&in_order));
}

void Win32ConsoleDialog::flush_typing() {
  KillTimer(window_, kTypingTimer);
  if (typing_.empty()) return;
  append_at_end(GetDlgItem(window_, typing_box_), typing_);
  typing_.clear();
}

void Win32ConsoleDialog::set_text(int id, const std::string& text) {
  on_window_thread([&] { SetDlgItemTextA(window_, id, text.c_str()); });
}

std::string Win32ConsoleDialog::get_text(int id, int max_chars) {
  std::string text;
  on_window_thread([&] {
    HWND control = GetDlgItem(window_, id);
    if (!control) return;
    text.resize(static_cast<std::size_t>(GetWindowTextLengthA(control)) + 1);
    text.resize(static_cast<std::size_t>(
        GetWindowTextA(control, text.data(), static_cast<int>(text.size()))));
  });
  if (max_chars < 0) max_chars = 0;
  if (text.size() > static_cast<std::size_t>(max_chars))
    text.resize(static_cast<std::size_t>(max_chars));
  return text;
}

EditSelection Win32ConsoleDialog::get_selection(int id) {
  EditSelection selection;
  on_window_thread([&] {
    DWORD start = 0;
    DWORD end = 0;
    SendDlgItemMessageA(window_, id, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                        reinterpret_cast<LPARAM>(&end));
    selection = {static_cast<int>(start), static_cast<int>(end)};
  });
  return selection;
}

void Win32ConsoleDialog::type_char(int id, char c) {
  on_window_thread(
      [&] {
        const std::string_view typed = typed_text(c);
        if (typed.empty()) return;
        if (id != typing_box_) flush_typing();
        // A new line: what came before it shows now, not after the timer.
        if (typed == "\r\n") flush_typing();
        typing_box_ = id;
        if (typing_.empty()) SetTimer(window_, kTypingTimer, USER_TIMER_MINIMUM, nullptr);
        typing_.append(typed);
      },
      false);
}

void Win32ConsoleDialog::list_append(int id, const std::string& entry) {
  on_window_thread([&] {
    SendDlgItemMessageA(window_, id, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.c_str()));
  });
}

void Win32ConsoleDialog::list_remove(int id, int index) {
  on_window_thread(
      [&] { SendDlgItemMessageA(window_, id, LB_DELETESTRING, static_cast<WPARAM>(index), 0); });
}

int Win32ConsoleDialog::list_count(int id) {
  int count = 0;
  on_window_thread([&] {
    const LRESULT n = SendDlgItemMessageA(window_, id, LB_GETCOUNT, 0, 0);
    count = n == LB_ERR ? 0 : static_cast<int>(n);
  });
  return count;
}

std::optional<std::string> Win32ConsoleDialog::list_selected_text(int id) {
  std::optional<std::string> text;
  on_window_thread([&] {
    const LRESULT index = SendDlgItemMessageA(window_, id, LB_GETCURSEL, 0, 0);
    if (index == LB_ERR) return;
    const LRESULT length =
        SendDlgItemMessageA(window_, id, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR) return;
    std::string entry(static_cast<std::size_t>(length) + 1, '\0');
    const LRESULT got = SendDlgItemMessageA(window_, id, LB_GETTEXT, static_cast<WPARAM>(index),
                                            reinterpret_cast<LPARAM>(entry.data()));
    if (got == LB_ERR) return;
    entry.resize(static_cast<std::size_t>(got));
    text = std::move(entry);
  });
  return text;
}

void Win32ConsoleDialog::message_box(const std::string& text, const std::string& caption,
                                     BoxOwner owner) {
  on_window_thread([&] {
    MessageBoxA(owner == BoxOwner::window ? window_ : nullptr, text.c_str(), caption.c_str(),
                MB_OK);
  });
}
