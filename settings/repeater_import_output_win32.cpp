#include <windows.h>

#include <string>
#include <string_view>

#include "settings/repeater_import_output.h"

namespace {

// The whole text, a piece at a time as the handle takes it.
template <typename Char, typename WriteSome>
bool write_whole(std::basic_string_view<Char> rest, WriteSome write_some) {
  while (!rest.empty()) {
    DWORD written = 0;
    if (!write_some(rest, written) || written == 0) return false;
    rest.remove_prefix(written);
  }
  return true;
}

bool write_console(HANDLE console, std::string_view utf8) {
  const int length = static_cast<int>(utf8.size());
  std::wstring text(
      static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, nullptr, 0)),
      L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), length, text.data(), static_cast<int>(text.size()));
  return write_whole<wchar_t>(text, [console](std::wstring_view rest, DWORD& written) {
    return WriteConsoleW(console, rest.data(), static_cast<DWORD>(rest.size()), &written,
                         nullptr) != 0;
  });
}

// A file or a pipe gets CR LF line ends, as a Windows text file has them.
bool write_bytes(HANDLE file, std::string_view utf8) {
  std::string bytes;
  for (const char c : utf8) {
    if (c == '\n') bytes.push_back('\r');
    bytes.push_back(c);
  }
  return write_whole<char>(bytes, [file](std::string_view rest, DWORD& written) {
    return WriteFile(file, rest.data(), static_cast<DWORD>(rest.size()), &written, nullptr) != 0;
  });
}

}  // namespace

bool write_to_operator(OperatorStream stream, std::string_view utf8) {
  const HANDLE h =
      GetStdHandle(stream == OperatorStream::output ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
  if (h == INVALID_HANDLE_VALUE || h == nullptr) return false;
  DWORD mode = 0;
  if (GetConsoleMode(h, &mode)) return write_console(h, utf8);
  return write_bytes(h, utf8);
}

void hold_own_console_window() {
  DWORD processes[2];
  // Only this program in the console: Windows made the window for it.
  if (GetConsoleProcessList(processes, 2) != 1) return;
  // The summary went to that window, and keys come from it.
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  if (!GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) || !GetConsoleMode(input, &mode))
    return;
  write_to_operator(OperatorStream::output, "\nPress any key to close this window.\n");
  FlushConsoleInputBuffer(input);
  for (;;) {
    INPUT_RECORD record{};
    DWORD read = 0;
    if (!ReadConsoleInputW(input, &record, 1, &read)) return;
    if (read == 1 && record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown) return;
  }
}
