#include "console/win32/box_append.h"

#include <array>
#include <cstdint>
#include <string>

#include "adapter/frame_parser.h"

namespace {

bool scrolled_to_bottom(HWND box) {
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_POS | SIF_PAGE | SIF_RANGE;
  if (!GetScrollInfo(box, SB_VERT, &info)) return true;  // nothing to scroll yet
  return info.nPage == 0 || info.nPos + static_cast<int>(info.nPage) > info.nMax;
}

}  // namespace

void append_at_end(HWND box, std::string_view text) {
  if (text.empty()) return;
  DWORD sel_start = 0;
  DWORD sel_end = 0;
  SendMessageA(box, EM_GETSEL, reinterpret_cast<WPARAM>(&sel_start),
               reinterpret_cast<LPARAM>(&sel_end));
  const LRESULT first_visible = SendMessageA(box, EM_GETFIRSTVISIBLELINE, 0, 0);
  const bool follow = scrolled_to_bottom(box);

  // One repaint for the whole line instead of one per step below.
  SendMessageA(box, WM_SETREDRAW, FALSE, 0);
  const int end = GetWindowTextLengthA(box);
  SendMessageA(box, EM_SETSEL, end, end);
  const std::string terminated(text);
  SendMessageA(box, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(terminated.c_str()));
  SendMessageA(box, EM_SETSEL, sel_start, sel_end);
  if (follow) {
    SendMessageA(box, WM_VSCROLL, SB_BOTTOM, 0);
  } else {
    const LRESULT now = SendMessageA(box, EM_GETFIRSTVISIBLELINE, 0, 0);
    SendMessageA(box, EM_LINESCROLL, 0, first_visible - now);
  }
  SendMessageA(box, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(box, nullptr, TRUE);
}

std::string_view typed_text(const char& c) {
  if (c == '\n' || c == '\r') return "\r\n";
  // Every byte as it shows, kept for the program's life for the views.
  static const std::array<char, 256> shown = [] {
    std::array<char, 256> table{};
    for (int b = 0; b < 256; ++b) {
      table[static_cast<std::size_t>(b)] =
          static_cast<char>(shown_from_air(static_cast<std::uint8_t>(b)));
    }
    return table;
  }();
  return std::string_view(&shown[static_cast<unsigned char>(c)], 1);
}
