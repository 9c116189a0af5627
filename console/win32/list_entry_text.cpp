#include "console/win32/list_entry_text.h"

#include "settings/wide_name_win32.h"

namespace {

constexpr unsigned kShiftJis = 932;

}  // namespace

std::wstring list_entry_display_text(const std::string& bytes) {
  return wide_from_utf8_or(bytes, kShiftJis);
}
