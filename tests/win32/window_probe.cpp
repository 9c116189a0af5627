// Works the running console window from outside, as the operator would, for
// the end-to-end test in tests/wine. Each step prints one line.
//   wait-window MS | return ID | click ID | wait-text ID TEXT MS | text ID |
//   keys KEYS (typed on the keyboard: {tab}, {ctrl+a}, {alt+m}, {alt+h}, {space},
//   {return}, {down}, {escape}, or a character) | post-keys KEYS (the same without
//   modifiers, posted to the window's focus) | window TITLE (the window the steps
//   after it work; "Kestrel8" at first) | post-text ID TEXT (characters posted to
//   that field)

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

std::string title = "Kestrel8";

HWND window() {
  return title.empty() ? GetForegroundWindow() : FindWindowA(nullptr, title.c_str());
}

HWND control(int id) { return GetDlgItem(window(), id); }

// Line breaks shown as \r and \n, so the text fits on the step's line.
std::string text_of(int id) {
  // WM_GETTEXT itself: GetWindowText gives only another program's titles.
  std::string text(65536, '\0');
  if (HWND c = control(id)) {
    text.resize(SendMessageA(c, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())));
  } else {
    text.clear();
  }
  std::string shown;
  for (char ch : text) shown += ch == '\r' ? "\\r" : ch == '\n' ? "\\n" : std::string(1, ch);
  return shown;
}

INPUT key(WORD vk, wchar_t unicode, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki = {vk, unicode, (unicode ? KEYEVENTF_UNICODE : 0u) | (up ? KEYEVENTF_KEYUP : 0u), 0, 0};
  return in;
}

// Real key presses, in order, to the window that has the keyboard focus.
bool type_keys(const std::string& keys) {
  static const std::pair<std::string, std::vector<WORD>> named[] = {
      {"{tab}", {VK_TAB}},         {"{return}", {VK_RETURN}},   {"{ctrl+a}", {VK_CONTROL, 'A'}},
      {"{alt+m}", {VK_MENU, 'M'}}, {"{alt+h}", {VK_MENU, 'H'}}, {"{down}", {VK_DOWN}},
      {"{space}", {VK_SPACE}},     {"{escape}", {VK_ESCAPE}}};
  std::vector<INPUT> inputs;
  for (std::size_t i = 0; i < keys.size(); ++i) {
    const auto* held = std::find_if(std::begin(named), std::end(named), [&](const auto& n) {
      return keys.compare(i, n.first.size(), n.first) == 0;
    });
    if (held == std::end(named)) {
      const wchar_t c = static_cast<unsigned char>(keys[i]);
      inputs.insert(inputs.end(), {key(0, c, false), key(0, c, true)});
      continue;
    }
    for (WORD vk : held->second) inputs.push_back(key(vk, 0, false));
    for (auto vk = held->second.rbegin(); vk != held->second.rend(); ++vk)
      inputs.push_back(key(*vk, 0, true));
    i += held->first.size() - 1;
  }
  SetForegroundWindow(window());
  return SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}

// The same keys posted to the control that has the window's focus, as the
// dialog manager takes them, for a window that another holds the front from.
bool post_keys(const std::string& keys) {
  static const std::pair<std::string, WPARAM> named[] = {
      {"{tab}", VK_TAB}, {"{return}", VK_RETURN}, {"{space}", VK_SPACE}, {"{escape}", VK_ESCAPE}};
  // Active, so that a Tab can move its focus.
  SetForegroundWindow(window());
  for (std::size_t i = 0; i < keys.size(); ++i) {
    GUITHREADINFO thread{};
    thread.cbSize = sizeof thread;
    for (int wait = 0; wait < 40 && (thread.hwndActive != window() || !thread.hwndFocus);
         ++wait, Sleep(50))
      GetGUIThreadInfo(GetWindowThreadProcessId(window(), nullptr), &thread);
    HWND focus = thread.hwndFocus ? thread.hwndFocus : window();
    if (!focus) return false;
    const auto* held = std::find_if(std::begin(named), std::end(named), [&](const auto& n) {
      return keys.compare(i, n.first.size(), n.first) == 0;
    });
    if (held == std::end(named)) {
      PostMessageW(focus, WM_CHAR, static_cast<unsigned char>(keys[i]), 1);
    } else {
      PostMessageW(focus, WM_KEYDOWN, held->second, 1);
      PostMessageW(focus, WM_KEYUP, held->second, 0xC0000001);
      i += held->first.size() - 1;
    }
    Sleep(200);  // a Tab has moved the focus before the next key
  }
  return true;
}

bool wait_for(const std::function<bool()>& found, DWORD limit_ms) {
  for (const DWORD start = GetTickCount(); !found(); Sleep(50)) {
    if (GetTickCount() - start > limit_ms) return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string step = argv[i];
    if ((step == "keys" || step == "post-keys") && i + 1 < argc) {
      const bool typed = step == "keys" ? type_keys(argv[++i]) : post_keys(argv[++i]);
      std::printf(typed ? "typed\n" : "not typed\n");
      std::fflush(stdout);
      continue;
    }
    if (step == "window" && i + 1 < argc) {
      title = argv[++i];
      std::printf("window %s\n", title.c_str());
      std::fflush(stdout);
      continue;
    }
    const int id = i + 1 < argc ? std::atoi(argv[++i]) : 0;  // or wait-window's MS
    if (step == "wait-window") {
      std::printf(wait_for([] { return window() != nullptr; }, id) ? "window\n" : "no window\n");
    } else if (step == "return") {
      // The dialog manager turns Return into a press of the default button.
      PostMessageA(control(id), WM_KEYDOWN, VK_RETURN, 1);
      PostMessageA(control(id), WM_KEYUP, VK_RETURN, 0xC0000001);
      std::printf(control(id) ? "pressed return\n" : "no control\n");
    } else if (step == "post-text" && i + 1 < argc) {
      // Typed into one field, whatever has the focus while the window is busy.
      const std::string text = argv[++i];
      for (const unsigned char c : text) PostMessageA(control(id), WM_CHAR, c, 1);
      std::printf(control(id) ? "typed\n" : "no control\n");
    } else if (step == "click") {
      PostMessageA(control(id), BM_CLICK, 0, 0);
      std::printf(control(id) ? "clicked\n" : "no control\n");
    } else if (step == "wait-text" && i + 2 < argc) {
      // Searched for as shown: the wanted text has no line breaks.
      const std::string wanted = argv[++i];
      const bool found = wait_for([&] { return text_of(id).find(wanted) != std::string::npos; },
                                  std::atoi(argv[++i]));
      std::printf("%s %s\n", found ? "text" : "missing", text_of(id).c_str());
    } else if (step == "text") {
      std::printf("text %s\n", text_of(id).c_str());
    } else {
      std::printf("unknown step %s\n", step.c_str());
      return 2;
    }
    std::fflush(stdout);
  }
  return 0;
}
