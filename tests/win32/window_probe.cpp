// Works the running console window from outside, as the operator would, for
// the end-to-end test in tests/wine. Each argument group is one step; each
// step prints one line.
//   wait-window MS | return ID | click ID | wait-text ID TEXT MS | text ID

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

HWND console_window() { return FindWindowA(nullptr, "Kestrel8"); }

std::string text_of(int id) {
  HWND control = GetDlgItem(console_window(), id);
  if (!control) return {};
  // WM_GETTEXT itself: GetWindowText would only give another program's
  // window title, not what an edit holds.
  std::string text(65536, '\0');
  text.resize(static_cast<std::size_t>(
      SendMessageA(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
  return text;
}

// One line per step: line breaks shown as \r and \n.
std::string shown(const std::string& text) {
  std::string out;
  for (char c : text) out += c == '\r' ? "\\r" : c == '\n' ? "\\n" : std::string(1, c);
  return out;
}

bool wait_for(const std::string& what, int id, const std::string& text, DWORD limit_ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    const bool found = what == "window" ? console_window() != nullptr
                                        : text_of(id).find(text) != std::string::npos;
    if (found) return true;
    if (GetTickCount() - start > limit_ms) return false;
    Sleep(50);
  }
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string step = argv[i];
    if (step == "wait-window" && i + 1 < argc) {
      std::printf(wait_for("window", 0, "", std::atoi(argv[++i])) ? "window\n" : "no window\n");
    } else if (step == "return" && i + 1 < argc) {
      // The dialog manager turns Return into a press of the default button.
      HWND control = GetDlgItem(console_window(), std::atoi(argv[++i]));
      PostMessageA(control, WM_KEYDOWN, VK_RETURN, 1);
      PostMessageA(control, WM_KEYUP, VK_RETURN, 0xC0000001);
      std::printf(control ? "pressed return\n" : "no control\n");
    } else if (step == "click" && i + 1 < argc) {
      HWND control = GetDlgItem(console_window(), std::atoi(argv[++i]));
      PostMessageA(control, BM_CLICK, 0, 0);
      std::printf(control ? "clicked\n" : "no control\n");
    } else if (step == "wait-text" && i + 3 < argc) {
      const int id = std::atoi(argv[i + 1]);
      const bool found = wait_for("text", id, argv[i + 2], std::atoi(argv[i + 3]));
      i += 3;
      std::printf("%s %s\n", found ? "text" : "missing", shown(text_of(id)).c_str());
    } else if (step == "text" && i + 1 < argc) {
      std::printf("text %s\n", shown(text_of(std::atoi(argv[++i]))).c_str());
    } else {
      std::printf("unknown step %s\n", step.c_str());
      return 2;
    }
    std::fflush(stdout);
  }
  return 0;
}
