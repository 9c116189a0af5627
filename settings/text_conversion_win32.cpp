#include <windows.h>

#include <string>

#include "settings/text_conversion.h"

namespace {

std::string upper_ascii(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

bool all_digits(std::string_view text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

// The code page of an encoding named as iconv names it: "CP1250",
// "WINDOWS-1250", "1250", "ISO-8859-2", "LATIN1", "SHIFT_JIS", "UTF-8".
UINT code_page_of(const std::string& encoding) {
  std::string name = upper_ascii(encoding);
  for (const char* dropped : {"-", "_", " "}) {
    for (std::size_t at; (at = name.find(dropped)) != std::string::npos;) name.erase(at, 1);
  }
  if (name == "UTF8") return CP_UTF8;
  if (name == "SHIFTJIS" || name == "SJIS" || name == "WINDOWS31J") return 932;
  if (name == "LATIN1") return 28591;
  if (name == "LATIN2") return 28592;
  // At most five digits: no number here is out of range.
  auto number = [](std::string_view digits) {
    return all_digits(digits) && digits.size() <= 5
               ? static_cast<UINT>(std::stoul(std::string(digits)))
               : 0;
  };
  if (name.starts_with("ISO8859")) {
    const UINT part = number(std::string_view(name).substr(7));
    return part > 0 && part <= 16 ? 28590 + part : 0;
  }
  for (const std::string_view prefix : {"WINDOWS", "CP", ""}) {
    if (name.starts_with(prefix)) return number(std::string_view(name).substr(prefix.size()));
  }
  return 0;
}

std::wstring wide_of(std::string_view bytes, UINT code_page, bool& readable) {
  const int length = static_cast<int>(bytes.size());
  const int n =
      MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, bytes.data(), length, nullptr, 0);
  readable = n > 0 || bytes.empty();
  std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
  if (n > 0)
    MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, bytes.data(), length, wide.data(), n);
  return wide;
}

std::string utf8_of(const std::wstring& wide) {
  const int length = static_cast<int>(wide.size());
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(CP_UTF8, 0, wide.data(), length, out.data(), n, nullptr, nullptr);
  return out;
}

}  // namespace

Conversion utf8_from(std::string_view bytes, const std::string& encoding, std::string& utf8) {
  const UINT code_page = code_page_of(encoding);
  if (code_page == 0 || !IsValidCodePage(code_page)) return Conversion::unknown_encoding;
  bool readable = false;
  const std::wstring wide = wide_of(bytes, code_page, readable);
  if (!readable) return Conversion::unreadable;
  utf8 = utf8_of(wide);
  return Conversion::done;
}

std::string folded_case(std::string_view utf8) {
  bool readable = false;
  const std::wstring wide = wide_of(utf8, CP_UTF8, readable);
  // Bytes that are no UTF-8 are matched as they are.
  if (!readable || wide.empty()) return std::string(utf8);
  // Upper, then lower: final sigma and long s meet their letters.
  std::wstring upper(wide.size(), L'\0'), lower(wide.size(), L'\0');
  const int n = static_cast<int>(wide.size());
  if (LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide.data(), n, upper.data(), n,
                    nullptr, nullptr, 0) != n ||
      LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, upper.data(), n, lower.data(), n,
                    nullptr, nullptr, 0) != n)
    return std::string(utf8);
  return utf8_of(lower);
}
