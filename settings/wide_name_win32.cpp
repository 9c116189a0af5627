#include "settings/wide_name_win32.h"

#include <windows.h>

namespace {

std::wstring convert(UINT code_page, DWORD flags, std::string_view name) {
  const int size = static_cast<int>(name.size());
  const int wide_size = MultiByteToWideChar(code_page, flags, name.data(), size, nullptr, 0);
  if (wide_size <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(wide_size), L'\0');
  MultiByteToWideChar(code_page, flags, name.data(), size, wide.data(), wide_size);
  return wide;
}

}  // namespace

std::wstring wide_from_utf8_or(std::string_view bytes, unsigned fallback_code_page) {
  if (bytes.empty()) return {};
  std::wstring wide = convert(CP_UTF8, MB_ERR_INVALID_CHARS, bytes);
  return wide.empty() ? convert(fallback_code_page, 0, bytes) : wide;
}

std::wstring wide_name(std::string_view name) { return wide_from_utf8_or(name, CP_ACP); }
