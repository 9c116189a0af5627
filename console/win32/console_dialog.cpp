#include "console/win32/console_dialog.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "console/console_layout.h"
#include "console/control_captions.h"
#include "console/list_keys.h"
#include "console/stderr_view.h"
#include "console/win32/box_append.h"
#include "console/win32/dialog_template.h"
#include "console/win32/list_entry_text.h"

namespace {

// The one message the receive thread sends: lparam points at the request.
constexpr UINT kDisplayRequest = WM_APP + 1;
// Never posted: asking for it only takes the messages sent to the window.
constexpr UINT kNeverPosted = WM_APP + 2;
constexpr UINT_PTR kTypingTimer = 1;
// Posted after a change of DPI, once Windows has scaled the dialog.
constexpr UINT kFitFonts = WM_APP + 3;
// A list's row in the layout: a list 20 units high shows two entries.
constexpr int kListRowDu = 10;

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

bool is_list(int id) {
  for (const ListKey& key : list_keys) {
    if (key.list == id) return true;
  }
  return false;
}

// A screen reader names an edit or a list by the nearest caption before it
// among the dialog's children, so each caption that the layout creates after
// its control is put just before it. Captions take no keys and overlap
// nothing they pass, so the Tab order and the painting stay as they were.
void put_captions_before_their_controls(HWND window) {
  for (const CaptionedControl& c : kCaptionedControls) {
    HWND control = GetDlgItem(window, c.control);
    HWND caption = GetDlgItem(window, c.caption);
    if (!control || !caption || (GetWindowLongA(caption, GWL_STYLE) & WS_TABSTOP)) continue;
    bool after = false;
    for (HWND w = control; w; w = GetWindow(w, GW_HWNDNEXT)) after = after || w == caption;
    if (!after) continue;
    HWND before_control = GetWindow(control, GW_HWNDPREV);
    SetWindowPos(caption, before_control ? before_control : HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
  }
}

}  // namespace

Win32ConsoleDialog::Win32ConsoleDialog(CommandHandler handler, CreationHook on_created)
    : handler_(std::move(handler)),
      on_created_(std::move(on_created)),
      pump_(pump_display_requests),
      typing_(
          {[this](int id, std::string_view text) { append_at_end(GetDlgItem(window_, id), text); },
           [this] { SetTimer(window_, kTypingTimer, USER_TIMER_MINIMUM, nullptr); },
           [this] { KillTimer(window_, kTypingTimer); }}) {}

bool Win32ConsoleDialog::run() {
  const std::vector<WORD> layout = console_dialog_template();
  // Wide controls, so that list entries show in any code page; the edits and
  // labels still take and give their text in the ANSI code page.
  const INT_PTR ended = DialogBoxIndirectParamW(
      GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(layout.data()), nullptr,
      dialog_proc, reinterpret_cast<LPARAM>(this));
  const DWORD error = GetLastError();
  const bool shown = window_thread_ != 0;
  window_ = nullptr;
  window_thread_ = 0;
  fixed_font_.reset();
  caption_font_.reset();
  clear_caption_fonts_.clear();
  list_font_.reset();
  japanese_font_.reset();
  SetLastError(error);  // why the window could not be made
  return ended != -1 && shown;
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

void Win32ConsoleDialog::fit_fonts() {
  const OneLineEdit callsigns[] = {{GetDlgItem(window_, ctl::my_callsign), 8},
                                   {GetDlgItem(window_, ctl::my_suffix), 4}};
  fixed_font_ = set_fixed_font(callsigns, GetDlgItem(window_, ctl::receiving));
  caption_font_ = set_caption_font(window_, console_controls);
  RECT unit{0, 0, 1, 0};
  MapDialogRect(window_, &unit);
  const std::vector<FontHandle> old_clear = std::move(clear_caption_fonts_);
  clear_caption_fonts_.clear();
  std::vector<ListRows> lists;
  for (const ControlSpec& placed : console_controls) {
    if (starts_where_another_ends(placed))
      clear_caption_fonts_.push_back(
          set_clear_caption_font(GetDlgItem(window_, placed.id), placed.caption, unit.right));
    if (placed.kind == ControlKind::list)
      lists.push_back({GetDlgItem(window_, placed.id), std::max(1, placed.h / kListRowDu)});
  }
  // The lists start again from their own font; the old Japanese font goes
  // once no list shows it.
  const FontHandle old_japanese = std::move(japanese_font_);
  list_font_ = set_list_font(lists);
  for (const auto& [id, entries] : list_entries_) {
    for (const std::string& entry : entries)
      show_letters_of(GetDlgItem(window_, id), list_entry_display_text(entry));
  }
}

void Win32ConsoleDialog::created(HWND window) {
  window_ = window;
  window_thread_ = GetCurrentThreadId();
  list_entries_.clear();
  SendMessageA(window, DM_SETDEFID, ctl::start_stop, 0);
  // The box only grows; nothing is ever removed from it.
  SendDlgItemMessageA(window, ctl::receiving, EM_SETLIMITTEXT, 0, 0);
  fit_fonts();
  put_captions_before_their_controls(window);
  for (const ControlSpec& placed : console_controls) {
    const bool keyed = placed.kind == ControlKind::digits_edit ||
                       placed.kind == ControlKind::line_edit ||
                       placed.kind == ControlKind::multi_line_edit ||
                       placed.kind == ControlKind::list || list_key_of_label(placed.id);
    if (keyed)
      SetWindowSubclass(GetDlgItem(window, placed.id), control_proc,
                        static_cast<UINT_PTR>(placed.id), reinterpret_cast<DWORD_PTR>(this));
  }
  if (on_created_) on_created_(*this);
}

LRESULT CALLBACK Win32ConsoleDialog::control_proc(HWND control, UINT message, WPARAM wparam,
                                                  LPARAM lparam, UINT_PTR id, DWORD_PTR self) {
  auto* dialog = reinterpret_cast<Win32ConsoleDialog*>(self);
  const int control_id = static_cast<int>(id);
  if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(control, control_proc, id);
  } else if (const ListKey* key = list_key_of_label(control_id)) {
    // Answering as a button makes the dialog manager click the caption on
    // its letter, rather than move on to the next tab stop.
    if (message == WM_GETDLGCODE) return DLGC_BUTTON;
    if (message == BM_CLICK) {
      SendMessageA(dialog->window_, WM_NEXTDLGCTL,
                   reinterpret_cast<WPARAM>(GetDlgItem(dialog->window_, key->list)), TRUE);
      return 0;
    }
  } else if (is_list(control_id)) {
    // With nothing highlighted yet, Up or Down starts at the first entry.
    if (message == WM_KEYDOWN && (wparam == VK_DOWN || wparam == VK_UP) &&
        SendMessageA(control, LB_GETCURSEL, 0, 0) == LB_ERR &&
        SendMessageA(control, LB_GETCOUNT, 0, 0) > 0) {
      SendMessageA(control, LB_SETCURSEL, 0, 0);
      return 0;
    }
    // Space chooses the highlighted entry as a double-click does; with none
    // highlighted yet, the one the list shows with its focus frame.
    if (message == WM_KEYDOWN && wparam == VK_SPACE) {
      const LRESULT count = SendMessageA(control, LB_GETCOUNT, 0, 0);
      if (count > 0 && SendMessageA(control, LB_GETCURSEL, 0, 0) == LB_ERR) {
        const LRESULT shown = SendMessageA(control, LB_GETCARETINDEX, 0, 0);
        SendMessageA(control, LB_SETCURSEL, shown >= 0 && shown < count ? shown : 0, 0);
      }
      SendMessageA(dialog->window_, WM_COMMAND, MAKEWPARAM(control_id, LBN_DBLCLK),
                   reinterpret_cast<LPARAM>(control));
      return 0;
    }
    if (message == WM_CHAR && wparam == ' ') return 0;  // no search for a leading space
  } else {
    if (control_id == ctl::receiving && is_operator_input(message)) dialog->typing_.flush();
    if (message == WM_KEYDOWN && wparam == 'A' && GetKeyState(VK_CONTROL) < 0 &&
        GetKeyState(VK_MENU) >= 0) {
      SendMessageA(control, EM_SETSEL, 0, -1);
      return 0;
    }
    if (message == WM_CHAR && wparam == 0x01) return 0;  // Ctrl+A's character
  }
  return DefSubclassProc(control, message, wparam, lparam);
}

INT_PTR Win32ConsoleDialog::handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case kDisplayRequest:
      (*reinterpret_cast<const std::function<void()>*>(lparam))();
      return TRUE;
    case WM_TIMER:
      if (wparam != kTypingTimer) return FALSE;
      typing_.flush();
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
    case WM_DPICHANGED:
      // Windows scales the dialog and gives every control the dialog's font.
      PostMessageW(window_, kFitFonts, 0, 0);
      return FALSE;
    case kFitFonts:
      fit_fonts();
      return TRUE;
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
    typing_.flush();
    EndDialog(window_, 0);
  }
}

void Win32ConsoleDialog::on_window_thread(const std::function<void()>& work, bool flush_first) {
  if (!window_) return;
  if (GetCurrentThreadId() == window_thread_) {
    if (flush_first) typing_.flush();
    work();
    return;
  }
  const std::function<void()> in_order = [&] {
    if (flush_first) typing_.flush();
    work();
  };
  SendMessageA(window_, kDisplayRequest, 0, reinterpret_cast<LPARAM>(&in_order));
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
        // A new line: what came before it shows now, not after the timer.
        if (typed == "\r\n") typing_.flush();
        typing_.type(id, typed);
      },
      false);
}

void Win32ConsoleDialog::list_append(int id, const std::string& entry) {
  on_window_thread([&] {
    const std::wstring shown = list_entry_display_text(entry);
    show_letters_of(GetDlgItem(window_, id), shown);
    const LRESULT index =
        SendDlgItemMessageW(window_, id, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(shown.c_str()));
    if (index >= 0) list_entries_[id].push_back(entry);
  });
}

void Win32ConsoleDialog::show_letters_of(HWND list, const std::wstring& entry) {
  const auto font = reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0));
  if (!font || font_shows(font, entry)) return;
  if (!japanese_font_) japanese_font_ = japanese_font_like(list);
  if (!japanese_font_ || font == japanese_font_.get() || !font_shows(japanese_font_.get(), entry))
    return;
  // All the lists take it, so that they keep one font, and their rows stay
  // as tall as they were made for.
  for (const ListKey& key : list_keys) {
    HWND each = GetDlgItem(window_, key.list);
    const LRESULT row = SendMessageW(each, LB_GETITEMHEIGHT, 0, 0);
    SendMessageW(each, WM_SETFONT, reinterpret_cast<WPARAM>(japanese_font_.get()), FALSE);
    if (row > 0) SendMessageW(each, LB_SETITEMHEIGHT, 0, row);
    InvalidateRect(each, nullptr, TRUE);
  }
}

void Win32ConsoleDialog::list_remove(int id, int index) {
  on_window_thread([&] {
    if (SendDlgItemMessageA(window_, id, LB_DELETESTRING, static_cast<WPARAM>(index), 0) == LB_ERR)
      return;
    std::vector<std::string>& entries = list_entries_[id];
    if (index >= 0 && static_cast<std::size_t>(index) < entries.size())
      entries.erase(entries.begin() + index);
  });
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
    const std::vector<std::string>& entries = list_entries_[id];
    if (index == LB_ERR || static_cast<std::size_t>(index) >= entries.size()) return;
    text = entries[static_cast<std::size_t>(index)];
  });
  return text;
}

std::optional<int> Win32ConsoleDialog::list_selected_index(int id) {
  std::optional<int> selected;
  on_window_thread([&] {
    const LRESULT index = SendDlgItemMessageA(window_, id, LB_GETCURSEL, 0, 0);
    if (index != LB_ERR && static_cast<std::size_t>(index) < list_entries_[id].size())
      selected = static_cast<int>(index);
  });
  return selected;
}

void Win32ConsoleDialog::message_box(const std::string& text, const std::string& caption,
                                     BoxOwner owner) {
  on_window_thread([&] {
    MessageBoxA(owner == BoxOwner::window ? window_ : nullptr, text.c_str(), caption.c_str(),
                MB_OK);
  });
}
