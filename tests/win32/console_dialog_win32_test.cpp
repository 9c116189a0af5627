// The Windows dialog under Wine: built from the shared layout table, the
// view's operations on its controls, the receive thread's typing and the
// keys the dialog manager turns into commands.

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "console/console_layout.h"
#include "console/win32/console_dialog.h"

namespace {

// Not a control of the console: starts the test from inside the dialog's
// own message loop, where the window is live.
constexpr int kRunScenario = 9999;

struct DialogRun {
  std::vector<int> commands;  // control identifiers, in the order reported
};

// Shows the dialog, runs `scenario` inside it and ends it when the scenario
// returns true (or at the first command it does not expect, when false).
DialogRun run_dialog(const std::function<bool(Win32ConsoleDialog&)>& scenario) {
  DialogRun run;
  Win32ConsoleDialog* self = nullptr;
  Win32ConsoleDialog dialog(
      [&](ConsoleView&, int id, CommandKind, const DisplayPump&) {
        if (id == kRunScenario) return scenario(*self);
        const bool ends = id == ctl::cancel || id == ctl::exit_button;
        if (id == ctl::start_stop || ends) run.commands.push_back(id);
        return ends;
      },
      [&](ConsoleView&) { PostMessageA(self->window(), WM_COMMAND, kRunScenario, 0); });
  self = &dialog;
  dialog.run();
  return run;
}

std::string class_of(HWND control) {
  char name[32] = {};
  GetClassNameA(control, name, sizeof name);
  return name;
}

const char* expected_class(ControlKind kind) {
  switch (kind) {
    case ControlKind::label:
    case ControlKind::right_label:
      return "Static";
    case ControlKind::digits_edit:
    case ControlKind::line_edit:
    case ControlKind::multi_line_edit:
      return "Edit";
    case ControlKind::button:
    case ControlKind::default_button:
      return "Button";
    case ControlKind::list:
      return "ListBox";
  }
  return "";
}

TEST(Win32ConsoleDialog, EveryControlOfTheLayoutTableSitsAtItsDialogUnitsWithItsCaption) {
  run_dialog([](Win32ConsoleDialog& dialog) -> bool {
    HWND window = dialog.window();
    char title[32] = {};
    GetWindowTextA(window, title, sizeof title);
    EXPECT_STREQ(title, "Kestrel8");
    HWND previous = nullptr;
    for (const ControlSpec& placed : console_controls) {
      HWND control = GetDlgItem(window, placed.id);
      if (!control) {
        ADD_FAILURE() << "no control " << placed.id;
        continue;
      }
      EXPECT_EQ(class_of(control), expected_class(placed.kind)) << placed.id;
      // Creation order is the order of the children, hence the tab order.
      if (previous) {
        EXPECT_EQ(GetWindow(previous, GW_HWNDNEXT), control) << placed.id;
      }
      previous = control;
      // Windows turns the place and the size into pixels each on its own.
      RECT place{placed.x, placed.y, 0, 0};
      RECT size{0, 0, placed.w, placed.h};
      MapDialogRect(window, &place);
      MapDialogRect(window, &size);
      RECT actual{};
      GetWindowRect(control, &actual);
      MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&actual), 2);
      EXPECT_EQ(actual.left, place.left) << placed.id;
      EXPECT_EQ(actual.top, place.top) << placed.id;
      EXPECT_EQ(actual.right - actual.left, size.right) << placed.id;
      // A list box shows whole entries, so its height may round down.
      if (placed.kind != ControlKind::list) {
        EXPECT_EQ(actual.bottom - actual.top, size.bottom) << placed.id;
      }
      const bool tab_stop = (GetWindowLongA(control, GWL_STYLE) & WS_TABSTOP) != 0;
      const bool listed = std::find(console_tab_order.begin(), console_tab_order.end(),
                                    placed.id) != console_tab_order.end();
      EXPECT_EQ(tab_stop, listed) << placed.id;
      if (placed.caption[0] != '\0' && placed.kind != ControlKind::default_button) {
        EXPECT_EQ(dialog.get_text(placed.id, 99), placed.caption) << placed.id;
      }
    }
    EXPECT_EQ(dialog.get_text(ctl::start_stop, 99), "START");
    return true;
  });
}

TEST(Win32ConsoleDialog, ViewOperationsActOnTheControlsByIdentifier) {
  run_dialog([](Win32ConsoleDialog& dialog) -> bool {
    dialog.set_text(ctl::frequency, "439310");
    EXPECT_EQ(dialog.get_text(ctl::frequency, 99), "439310");
    dialog.set_text(ctl::adapter_port, "12345");
    EXPECT_EQ(dialog.get_text(ctl::adapter_port, 2), "12");

    // Line breaks count as two characters in the text and in the selection.
    dialog.set_text(ctl::sending, "AB\r\nCDEF");
    SendDlgItemMessageA(dialog.window(), ctl::sending, EM_SETSEL, 3, 6);
    const EditSelection sel = dialog.get_selection(ctl::sending);
    EXPECT_EQ(sel.start, 3);
    EXPECT_EQ(sel.end, 6);
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
  run_dialog([](Win32ConsoleDialog& dialog) -> bool {
    dialog.set_text(ctl::receiving, "QR3XYZ X");
    SendDlgItemMessageA(dialog.window(), ctl::receiving, EM_SETSEL, 0, 8);
    // The receive thread types; the window's thread waits for it the way STOP
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
    EXPECT_EQ(dialog.get_text(ctl::receiving, 999), "QR3XYZ X\r\nQR1ABC A CQCQCQ");
    const EditSelection sel = dialog.get_selection(ctl::receiving);
    EXPECT_EQ(sel.start, 0);
    EXPECT_EQ(sel.end, 8);
    return true;
  });
}

TEST(Win32ConsoleDialog, ReturnInTheDvPortFieldPressesStartAndEscIsExit) {
  const DialogRun run = run_dialog([](Win32ConsoleDialog& dialog) -> bool {
    HWND port = GetDlgItem(dialog.window(), ctl::adapter_port);
    PostMessageA(port, WM_KEYDOWN, VK_RETURN, 0);
    PostMessageA(port, WM_KEYDOWN, VK_ESCAPE, 0);
    return false;
  });
  EXPECT_EQ(run.commands, (std::vector<int>{ctl::start_stop, ctl::cancel}));
}

}  // namespace
