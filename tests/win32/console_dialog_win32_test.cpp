// The Windows dialog under Wine: built from the shared layout table, the
// view's operations on its controls, the receive thread's typing and the
// keys the dialog manager turns into commands.

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "console/console_layout.h"
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

std::pair<int, int> selection(Win32ConsoleDialog& dialog, int id) {
  const EditSelection sel = dialog.get_selection(id);
  return {sel.start, sel.end};
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
    HWND previous = nullptr;
    for (const ControlSpec& placed : console_controls) {
      SCOPED_TRACE(placed.id);
      HWND control = GetDlgItem(window, placed.id);
      if (!control) {
        ADD_FAILURE() << "no control";
        continue;
      }
      GetClassNameA(control, text, sizeof text);
      EXPECT_STREQ(text, expected_class(placed.kind));
      // Creation order is the order of the children, hence the tab order.
      if (previous) EXPECT_EQ(GetWindow(previous, GW_HWNDNEXT), control);
      previous = control;
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
      // A list box shows whole entries, so its height may round down.
      if (placed.kind != ControlKind::list) EXPECT_EQ(actual.bottom - actual.top, size.bottom);
      const bool tab_stop = (GetWindowLongA(control, GWL_STYLE) & WS_TABSTOP) != 0;
      EXPECT_EQ(tab_stop,
                std::count(console_tab_order.begin(), console_tab_order.end(), placed.id) != 0);
      if (placed.caption[0] != '\0' && placed.kind != ControlKind::default_button) {
        EXPECT_EQ(dialog.get_text(placed.id, 99), placed.caption);
      }
    }
    EXPECT_EQ(dialog.get_text(ctl::start_stop, 99), "START");
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

}  // namespace
