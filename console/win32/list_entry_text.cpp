#include "console/win32/list_entry_text.h"

#include <windows.h>

namespace {

constexpr UINT kShiftJis = 932;

std::wstring decoded(UINT code_page, DWORD flags, const std::string& bytes) {
  const int size = static_cast<int>(bytes.size());
  const int wide = MultiByteToWideChar(code_page, flags, bytes.data(), size, nullptr, 0);
  if (wide <= 0) return {};
  std::wstring text(static_cast<std::size_t>(wide), L'\0');
  MultiByteToWideChar(code_page, flags, bytes.data(), size, text.data(), wide);
  return text;
}

}  // namespace

std::wstring list_entry_display_text(const std::string& bytes) {
  if (bytes.empty()) return {};
  std::wstring text = decoded(CP_UTF8, MB_ERR_INVALID_CHARS, bytes);
  return text.empty() ? decoded(kShiftJis, 0, bytes) : text;
}
