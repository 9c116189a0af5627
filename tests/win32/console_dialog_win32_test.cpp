// The Windows dialog under Wine: built from the shared layout table, the
// view's operations on its controls, the receive thread's typing and the
// keys the dialog manager turns into commands.

#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <oleacc.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "console/console_layout.h"
#include "console/control_captions.h"
#include "console/list_keys.h"
#include "console/win32/console_dialog.h"

namespace {

// Not a control of the console: starts the scenario inside the dialog's own
// message loop, where the window is live.
constexpr int kRunScenario = 9999;

// Shows the dialog and runs `scenario` in it; the dialog ends when the
// scenario returns true, else at its first cancel or EXIT. Returns the START,
// cancel and EXIT commands in the order reported.
std::vector<int> run_dialog(const std::function<bool(Win32ConsoleDialog&)>& scenario) {
  std::vector<int> commands;
  Win32ConsoleDialog* self = nullptr;
  Win32ConsoleDialog dialog(
      [&](ConsoleView&, int id, CommandKind, const DisplayPump&) {
        if (id == kRunScenario) return scenario(*self);
        const bool ends = id == ctl::cancel || id == ctl::exit_button;
        if (id == ctl::start_stop || ends) commands.push_back(id);
        return ends;
      },
      [&](ConsoleView&) { PostMessageA(self->window(), WM_COMMAND, kRunScenario, 0); });
  self = &dialog;
  dialog.run();
  return commands;
}

// The name Windows' own accessibility object gives a screen reader.
std::wstring accessible_name(HWND control) {
  IAccessible* object = nullptr;
  if (FAILED(CreateStdAccessibleObject(control, OBJID_CLIENT, __uuidof(IAccessible),
                                       reinterpret_cast<void**>(&object))))
    return L"(none)";
  VARIANT self{};  // lVal 0: the control itself
  self.vt = VT_I4;
  BSTR name = nullptr;
  object->get_accName(self, &name);
  const std::wstring text = name ? name : L"";
  SysFreeString(name);
  object->Release();
  return text;
}

std::pair<int, int> selection(Win32ConsoleDialog& dialog, int id) {
  const EditSelection sel = dialog.get_selection(id);
  return {sel.start, sel.end};
}

// Pixels the text takes in the control's own font, and the room it has.
int width_in_font_of(HWND control, const std::string& text) {
  HDC dc = GetDC(control);
  SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
  SIZE size{};
  GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
  ReleaseDC(control, dc);
  return size.cx;
}

int client_width(HWND control) {
  RECT client{};
  return GetClientRect(control, &client) ? client.right : 0;
}

TEXTMETRICA metrics_of(HWND control) {
  HDC dc = GetDC(control);
  SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)));
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc, &metrics);
  ReleaseDC(control, dc);
  return metrics;
}

// A control in the same rows that ends where the label starts, or after.
bool touches_on_the_left(const ControlSpec& label) {
  return std::any_of(console_controls.begin(), console_controls.end(), [&](const ControlSpec& c) {
    return c.kind != ControlKind::label && c.kind != ControlKind::right_label &&
           c.y < label.y + label.h && c.y + c.h > label.y && c.x < label.x && c.x + c.w >= label.x;
  });
}

const char* expected_class(ControlKind kind) {
  if (kind == ControlKind::list) return "ListBox";
  if (kind == ControlKind::button || kind == ControlKind::default_button) return "Button";
  if (kind == ControlKind::label || kind == ControlKind::right_label) return "Static";
  return "Edit";
}

TEST(Win32ConsoleDialog, EveryControlOfTheLayoutTableSitsAtItsDialogUnitsWithItsCaption) {
  run_dialog([](Win32ConsoleDialog& dialog) {
    HWND window = dialog.window();
    char text[32] = {};
    GetWindowTextA(window, text, sizeof text);
    EXPECT_STREQ(text, "Kestrel8");
    if (const char* code_page = std::getenv("KESTREL8_CODE_PAGE")) {
      EXPECT_EQ(GetACP(), static_cast<UINT>(std::atoi(code_page)));
    }
    // A change of DPI fits the fonts again, here to the same DPI.
    RECT place{};
    GetWindowRect(window, &place);
    const UINT dpi = GetDpiForWindow(window);
    SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&place));
    for (MSG m; PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE);) DispatchMessageW(&m);
    HWND previous = nullptr;
    RECT unit{0, 0, 1, 0};
    MapDialogRect(window, &unit);
    const auto lists_font = SendDlgItemMessageA(window, ctl::call_area, WM_GETFONT, 0, 0);
    for (const ControlSpec& placed : console_controls) {
      SCOPED_TRACE(placed.id);
      HWND control = GetDlgItem(window, placed.id);
      if (!control) {
        ADD_FAILURE() << "no control";
        continue;
      }
      GetClassNameA(control, text, sizeof text);
      EXPECT_STREQ(text, expected_class(placed.kind));
      // Creation order is the tab order.
      if (GetWindowLongA(control, GWL_STYLE) & WS_TABSTOP) {
        if (previous) {
          EXPECT_EQ(GetNextDlgTabItem(window, previous, FALSE), control);
        }
        previous = control;
      }
      // Windows turns the place and the size into pixels each on its own.
      RECT place{placed.x, placed.y, 0, 0};
      RECT size{0, 0, placed.w, placed.h};
      MapDialogRect(window, &place);
      MapDialogRect(window, &size);
      RECT actual{};
      GetWindowRect(control, &actual);
      MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&actual), 2);
      EXPECT_EQ(actual.left, place.left);
      EXPECT_EQ(actual.top, place.top);
      EXPECT_EQ(actual.right - actual.left, size.right);
      // A list box shows whole entries, so its height may round down; it
      // shows a row for each 10 units, in the font all lists share.
      if (placed.kind != ControlKind::list) {
        EXPECT_EQ(actual.bottom - actual.top, size.bottom);
      } else {
        const auto row = static_cast<int>(SendMessageA(control, LB_GETITEMHEIGHT, 0, 0));
        RECT inside{};
        GetClientRect(control, &inside);
        EXPECT_EQ(inside.bottom / std::max(row, 1), placed.h / 10);
        EXPECT_LE(metrics_of(control).tmHeight, row);
        EXPECT_EQ(SendMessageA(control, WM_GETFONT, 0, 0), lists_font);
      }
      // "Receiving" in a fixed pitch (the flag is set for a variable one).
      if (placed.id == ctl::receiving) {
        EXPECT_EQ(metrics_of(control).tmPitchAndFamily & TMPF_FIXED_PITCH, 0);
      }
      // A caption right after another control keeps more than a unit from
      // its frame and from the label's own end.
      if (placed.kind == ControlKind::label && touches_on_the_left(placed)) {
        const bool centred = (GetWindowLongA(control, GWL_STYLE) & SS_TYPEMASK) == SS_CENTER;
        const int spare = client_width(control) - width_in_font_of(control, placed.caption);
        EXPECT_GT(centred ? spare / 2 : 0, unit.right);
        EXPECT_GT(centred ? spare - spare / 2 : spare, unit.right);
      }
      const bool tab_stop = (GetWindowLongA(control, GWL_STYLE) & WS_TABSTOP) != 0;
      EXPECT_EQ(tab_stop,
                std::count(console_tab_order.begin(), console_tab_order.end(), placed.id) != 0);
      if (placed.caption[0] != '\0' && placed.kind != ControlKind::default_button) {
        std::string shown = dialog.get_text(placed.id, 99);
        std::erase(shown, '&');  // a list's letter, underlined
        EXPECT_EQ(shown, placed.caption);
      }
      // Whole, on one line; a button's frame takes 3 pixels a side.
      const bool button = expected_class(placed.kind) == std::string("Button");
      if (placed.caption[0] != '\0' && placed.kind != ControlKind::list) {
        EXPECT_LE(width_in_font_of(control, placed.caption),
                  client_width(control) - (button ? 6 : 0));
      }
    }
    EXPECT_EQ(dialog.get_text(ctl::start_stop, 99), "START");
    // The callsign on one line between the edit's margins, caret included.
    HWND callsign = GetDlgItem(window, ctl::my_callsign);
    const LRESULT margins = SendMessageA(callsign, EM_GETMARGINS, 0, 0);
    EXPECT_LT(width_in_font_of(callsign, "QR3WMN D") + LOWORD(margins) + HIWORD(margins),
              client_width(callsign));
    return true;
  });
}

TEST(Win32ConsoleDialog, ViewOperationsActOnTheControlsByIdentifier) {
  run_dialog([](Win32ConsoleDialog& dialog) {
    dialog.set_text(ctl::frequency, "439310");
    EXPECT_EQ(dialog.get_text(ctl::frequency, 99), "439310");
    dialog.set_text(ctl::adapter_port, "12345");
    EXPECT_EQ(dialog.get_text(ctl::adapter_port, 2), "12");
    // Line breaks count as two characters in the text and in the selection.
    dialog.set_text(ctl::sending, "AB\r\nCDEF");
    SendDlgItemMessageA(dialog.window(), ctl::sending, EM_SETSEL, 3, 6);
    EXPECT_EQ(selection(dialog, ctl::sending), std::pair(3, 6));
    EXPECT_EQ(dialog.get_text(ctl::sending, 99), "AB\r\nCDEF");
    // Unsorted: entries stay in the order they came.
    for (const char* entry : {"JP3", "JP1", "Simplex"}) dialog.list_append(ctl::call_area, entry);
    EXPECT_EQ(dialog.list_selected_text(ctl::call_area), std::nullopt);
    dialog.list_remove(ctl::call_area, 0);
    EXPECT_EQ(dialog.list_count(ctl::call_area), 2);
    SendDlgItemMessageA(dialog.window(), ctl::call_area, LB_SETCURSEL, 1, 0);
    EXPECT_EQ(dialog.list_selected_text(ctl::call_area), "Simplex");
    return true;
  });
}

TEST(Win32ConsoleDialog, ReceivedLinesGoAtTheEndAndLeaveTheOperatorsSelectionAlone) {
  run_dialog([](Win32ConsoleDialog& dialog) {
    dialog.set_text(ctl::receiving, "QR3XYZ X");
    SendDlgItemMessageA(dialog.window(), ctl::receiving, EM_SETSEL, 0, 8);
    // The receive thread types while the window's thread waits for it as STOP
    // does, carrying out its display requests meanwhile.
    std::atomic<bool> typed{false};
    std::thread receive([&] {
      for (char c : std::string("\nQR1ABC A\b CQCQCQ")) dialog.type_char(ctl::receiving, c);
      typed = true;
    });
    while (!typed) {
      Win32ConsoleDialog::pump_display_requests();
      Sleep(1);
    }
    receive.join();
    EXPECT_EQ(dialog.get_text(ctl::receiving, 999), "QR3XYZ X\r\nQR1ABC A. CQCQCQ");
    EXPECT_EQ(selection(dialog, ctl::receiving), std::pair(0, 8));
    return true;
  });
}

TEST(Win32ConsoleDialog, ReturnInTheDvPortFieldPressesStartAndEscIsExit) {
  const std::vector<int> commands = run_dialog([](Win32ConsoleDialog& dialog) {
    HWND port = GetDlgItem(dialog.window(), ctl::adapter_port);
    PostMessageA(port, WM_KEYDOWN, VK_RETURN, 0);
    PostMessageA(port, WM_KEYDOWN, VK_ESCAPE, 0);
    return false;
  });
  EXPECT_EQ(commands, (std::vector<int>{ctl::start_stop, ctl::cancel}));
}

TEST(Win32ConsoleDialog, ListEntriesShowAsTextInEveryLocaleAndKeepTheirBytes) {
  const std::pair<std::string, std::wstring> cases[] = {
      {"JP1,Hilltop430(NI43)", L"JP1,Hilltop430(NI43)"},
      {"JP1,\xE6\x9D\xB1\xE4\xBA\xAC", L"JP1,\u6771\u4EAC"},  // UTF-8
      {"JP1,\x93\x8C\x8B\x9E", L"JP1,\u6771\u4EAC"},          // Shift-JIS
  };
  run_dialog([&](Win32ConsoleDialog& dialog) {
    for (const auto& [bytes, shown] : cases) dialog.list_append(ctl::my_repeater, bytes);
    for (int i = 0; i < 3; ++i) {
      SCOPED_TRACE(i);
      wchar_t shown[64] = {};
      SendDlgItemMessageW(dialog.window(), ctl::my_repeater, LB_GETTEXT, i,
                          reinterpret_cast<LPARAM>(shown));
      EXPECT_EQ(std::wstring(shown), cases[i].second);
      SendDlgItemMessageA(dialog.window(), ctl::my_repeater, LB_SETCURSEL, i, 0);
      EXPECT_EQ(dialog.list_selected_text(ctl::my_repeater), cases[i].first);
    }
    // A font for letters one list needs serves all the lists.
    EXPECT_EQ(SendDlgItemMessageA(dialog.window(), ctl::his_repeater, WM_GETFONT, 0, 0),
              SendDlgItemMessageA(dialog.window(), ctl::my_repeater, WM_GETFONT, 0, 0));
    return true;
  });
}

TEST(Win32ConsoleDialog, AltAndTheCaptionsLetterReachEachListWhereDownAndSpaceChooseAnEntry) {
  std::vector<std::string> chosen;
  Win32ConsoleDialog* self = nullptr;
  Win32ConsoleDialog dialog(
      [&](ConsoleView& view, int id, CommandKind kind, const DisplayPump&) {
        if (id == kRunScenario) {
          for (const ListKey& key : list_keys) {
            view.list_append(key.list, "one");
            view.list_append(key.list, "two");
            HWND list = GetDlgItem(self->window(), key.list);
            PostMessageA(list, WM_SYSCHAR, key.letter + ('a' - 'A'), 0x20000000);
            PostMessageA(list, WM_KEYDOWN, VK_DOWN, 0);
            PostMessageA(list, WM_KEYDOWN, VK_SPACE, 0);
          }
          PostMessageA(self->window(), WM_COMMAND, ctl::cancel, 0);
        } else if (kind == CommandKind::double_click) {
          const bool focused = GetFocus() == GetDlgItem(self->window(), id);
          chosen.push_back(std::to_string(id) + (focused ? " focused " : " ") +
                           view.list_selected_text(id).value_or("none"));
        }
        return id == ctl::cancel;
      },
      [&](ConsoleView&) { PostMessageA(self->window(), WM_COMMAND, kRunScenario, 0); });
  self = &dialog;
  dialog.run();
  EXPECT_EQ(chosen, (std::vector<std::string>{"250 focused one", "270 focused one",
                                              "290 focused one", "360 focused one"}));
}

// Each caption stands just before its control, where a screen reader looks
// for a control's name. Wine names the edits so; its list boxes it names not
// at all, so only their place is checked.
TEST(Win32ConsoleDialog, AScreenReaderNamesEachFieldByItsCaptionAndTheButtonByItsText) {
  run_dialog([](Win32ConsoleDialog& dialog) {
    for (const CaptionedControl& c : kCaptionedControls) {
      if (c.value) continue;  // a value field is read by its own text
      wchar_t caption[64] = L"";
      GetDlgItemTextW(dialog.window(), c.caption, caption, 64);
      HWND control = GetDlgItem(dialog.window(), c.control);
      EXPECT_EQ(GetWindow(GetDlgItem(dialog.window(), c.caption), GW_HWNDNEXT), control) << caption;
      char kind[16] = "";
      GetClassNameA(control, kind, sizeof kind);
      if (std::string(kind) == "Edit") {
        EXPECT_EQ(accessible_name(control), caption);
      }
    }
    HWND button = GetDlgItem(dialog.window(), ctl::start_stop);
    EXPECT_EQ(accessible_name(button), L"START");
    dialog.set_text(ctl::start_stop, "STOP");
    EXPECT_EQ(accessible_name(button), L"STOP");
    return true;
  });
}

}  // namespace
