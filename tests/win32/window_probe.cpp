// Works the running console window from outside, as the operator would, for
// the end-to-end test in tests/wine. Each step prints one line.
//   wait-window MS | return ID | click ID | wait-text ID TEXT MS | text ID |
//   keys KEYS (typed on the keyboard: {tab}, {ctrl+a}, {alt+m}, {alt+h}, {space},
//   {return}, {down}, or a character)

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

HWND control(int id) { return GetDlgItem(FindWindowA(nullptr, "Kestrel8"), id); }

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
      {"{space}", {VK_SPACE}}};
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
  SetForegroundWindow(FindWindowA(nullptr, "Kestrel8"));
  return SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
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
    if (step == "keys" && i + 1 < argc) {
      std::printf(type_keys(argv[++i]) ? "typed\n" : "not typed\n");
      std::fflush(stdout);
      continue;
    }
    const int id = i + 1 < argc ? std::atoi(argv[++i]) : 0;  // or wait-window's MS
    if (step == "wait-window") {
      std::printf(wait_for([] { return FindWindowA(nullptr, "Kestrel8") != nullptr; }, id)
                      ? "window\n"
                      : "no window\n");
    } else if (step == "return") {
      // The dialog manager turns Return into a press of the default button.
      PostMessageA(control(id), WM_KEYDOWN, VK_RETURN, 1);
      PostMessageA(control(id), WM_KEYUP, VK_RETURN, 0xC0000001);
      std::printf(control(id) ? "pressed return\n" : "no control\n");
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
