#include <windows.h>
// after windows.h, which it needs
#include <commctrl.h>
// windows.h keeps 16-bit Windows' "near" as an empty word; the import's
// options call the place --near.
#undef near

#include <array>
#include <initializer_list>
#include <string>
#include <vector>

#include "app/repeaters_window.h"
#include "console/console_layout.h"
#include "console/win32/fitting_fonts.h"
#include "console/win32/list_entry_text.h"
#include "settings/repeater_choice.h"

namespace {

constexpr UINT kToFront = WM_APP + 1;

enum : int { kGroupsLabel = 101, kGroups, kNearLabel, kNear, kWithinLabel, kWithin, kCount };

// Creation order is Tab order, and each caption comes just before its
// field: where a screen reader looks for the field's name.
constexpr std::array<ControlSpec, 9> kChooserControls = {{
    {kGroupsLabel, ControlKind::label, "Groups (none ticked: all of them)", 7, 7, 216, 10},
    {kGroups, ControlKind::list, "", 7, 18, 216, 96},
    {kNearLabel, ControlKind::label, "Near (locator or lat,lon)", 7, 122, 100, 10},
    {kNear, ControlKind::line_edit, "", 110, 120, 113, 12},
    {kWithinLabel, ControlKind::label, "Within km", 7, 138, 100, 10},
    {kWithin, ControlKind::line_edit, "", 110, 136, 50, 12},
    {kCount, ControlKind::label, "", 7, 154, 216, 20},
    {IDOK, ControlKind::default_button, "Import", 112, 180, 52, 14},
    {IDCANCEL, ControlKind::button, "Cancel", 171, 180, 52, 14},
}};
constexpr short kChooserWidthDu = 230;
constexpr short kChooserHeightDu = 201;

void put_dword(std::vector<WORD>& out, DWORD value) {
  out.push_back(LOWORD(value));
  out.push_back(HIWORD(value));
}

void put_words(std::vector<WORD>& out, std::initializer_list<WORD> words) {
  for (const WORD word : words) out.push_back(word);
}

void put_text(std::vector<WORD>& out, const char* ascii) {
  for (const char* p = ascii; *p != '\0'; ++p) out.push_back(static_cast<unsigned char>(*p));
  out.push_back(0);
}

DWORD style_of(ControlKind kind) {
  constexpr DWORD child = WS_CHILD | WS_VISIBLE;
  switch (kind) {
    case ControlKind::list:
      return child | WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL |
             LVS_SHOWSELALWAYS;
    case ControlKind::line_edit:
      return child | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
    case ControlKind::default_button:
      return child | WS_TABSTOP | BS_DEFPUSHBUTTON;
    case ControlKind::button:
      return child | WS_TABSTOP | BS_PUSHBUTTON;
    default:
      return child | SS_LEFT | SS_NOPREFIX;
  }
}

// The console's own dialog font, in a template of the same kind.
std::vector<WORD> chooser_template() {
  std::vector<WORD> out;
  put_dword(out, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_CENTER);
  put_dword(out, 0);
  out.push_back(static_cast<WORD>(kChooserControls.size()));
  put_words(out, {0, 0, kChooserWidthDu, kChooserHeightDu, 0, 0});  // no menu, own class
  put_text(out, "Import a repeater list");
  out.push_back(console_font_points);
  put_text(out, "System");
  for (const ControlSpec& placed : kChooserControls) {
    if (out.size() % 2 != 0) out.push_back(0);
    put_dword(out, style_of(placed.kind));
    put_dword(out, 0);
    put_words(
        out, {static_cast<WORD>(placed.x), static_cast<WORD>(placed.y), static_cast<WORD>(placed.w),
              static_cast<WORD>(placed.h), static_cast<WORD>(placed.id)});
    if (placed.kind == ControlKind::list) {
      put_text(out, "SysListView32");
    } else {
      const WORD atom = placed.kind == ControlKind::line_edit ? 0x0081
                        : placed.kind == ControlKind::label   ? 0x0082
                                                              : 0x0080;
      put_words(out, {0xFFFF, atom});
    }
    put_text(out, placed.caption);
    out.push_back(0);  // no creation data
  }
  return out;
}

std::string utf8_text(HWND window, int id) {
  std::wstring wide(static_cast<std::size_t>(GetWindowTextLengthW(GetDlgItem(window, id))) + 1,
                    L'\0');
  wide.resize(static_cast<std::size_t>(
      GetDlgItemTextW(window, id, wide.data(), static_cast<int>(wide.size()))));
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                    0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n,
                      nullptr, nullptr);
  return out;
}

struct Chooser {
  ImportRequest base;
  std::vector<GroupRows> groups;
  ChoiceState state;
  bool filling = true;  // the list's own notices while it is filled
  FontHandle caption_font;
  FontHandle japanese_font;
};

// Counts the choice as it stands; Import only while it fits.
void recount(HWND window, Chooser& chooser) {
  if (chooser.filling) return;
  HWND list = GetDlgItem(window, kGroups);
  RepeaterChoice choice;
  const int items = ListView_GetItemCount(list);
  for (int i = 0; i < items; ++i)
    if (ListView_GetCheckState(list, i))
      choice.groups.push_back(chooser.groups[static_cast<std::size_t>(i)].group);
  choice.near = utf8_text(window, kNear);
  choice.within = utf8_text(window, kWithin);
  chooser.state = state_of_choice(chooser.base, choice);
  SetDlgItemTextW(window, kCount, list_entry_display_text(chooser.state.count).c_str());
  EnableWindow(GetDlgItem(window, IDOK), chooser.state.can_import);
}

void fill(HWND window, Chooser& chooser) {
  HWND list = GetDlgItem(window, kGroups);
  ListView_SetExtendedListViewStyle(list, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  RECT client{};
  GetClientRect(list, &client);
  LVCOLUMNW column{};
  column.mask = LVCF_WIDTH;
  column.cx = client.right - GetSystemMetrics(SM_CXVSCROLL);
  SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
  chooser.caption_font = set_caption_font(window, kChooserControls);
  const auto font = reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0));
  for (std::size_t i = 0; i < chooser.groups.size(); ++i) {
    std::wstring entry = list_entry_display_text(group_entry(chooser.groups[i]));
    // Japanese group names as the console's lists show them.
    if (font && !chooser.japanese_font && !font_shows(font, entry)) {
      chooser.japanese_font = japanese_font_like(list);
      SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(chooser.japanese_font.get()), TRUE);
    }
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(i);
    item.pszText = entry.data();
    SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  }
  // Space ticks the group with the focus frame, the first one to begin with.
  if (!chooser.groups.empty())
    ListView_SetItemState(list, 0, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
  chooser.filling = false;
  recount(window, chooser);
}

INT_PTR CALLBACK chooser_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(window, DWLP_USER, lparam);
    fill(window, *reinterpret_cast<Chooser*>(lparam));
    PostMessageW(window, kToFront, 0, 0);
    return TRUE;  // the focus goes to the groups
  }
  // Once shown: in front of the console window that Windows opened first.
  if (message == kToFront) return SetForegroundWindow(window);
  auto* chooser = reinterpret_cast<Chooser*>(GetWindowLongPtrW(window, DWLP_USER));
  if (!chooser) return FALSE;
  if (message == WM_NOTIFY) {
    const auto* change = reinterpret_cast<const NMLISTVIEW*>(lparam);
    if (change->hdr.idFrom == kGroups && change->hdr.code == LVN_ITEMCHANGED &&
        (change->uChanged & LVIF_STATE) &&
        ((change->uNewState ^ change->uOldState) & LVIS_STATEIMAGEMASK))
      recount(window, *chooser);
    return FALSE;
  }
  if (message != WM_COMMAND) return FALSE;
  const int id = LOWORD(wparam);
  if ((id == kNear || id == kWithin) && HIWORD(wparam) == EN_CHANGE) {
    recount(window, *chooser);
  } else if (id == IDOK) {
    // Return reaches here while Import is greyed too.
    if (chooser->state.can_import) EndDialog(window, static_cast<INT_PTR>(WindowChoice::chosen));
  } else if (id == IDCANCEL) {
    EndDialog(window, static_cast<INT_PTR>(WindowChoice::cancelled));
  }
  return TRUE;
}

}  // namespace

bool started_without_prompt() {
  DWORD processes[2];
  return GetConsoleProcessList(processes, 2) == 1;
}

WindowChoice choose_in_window(ImportRequest& request, const ImportReport& refused) {
  const INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&classes);
  Chooser chooser{request, refused.groups, {}, true, nullptr, nullptr};
  const std::vector<WORD> layout = chooser_template();
  const INT_PTR ended = DialogBoxIndirectParamW(
      GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(layout.data()), nullptr,
      chooser_proc, reinterpret_cast<LPARAM>(&chooser));
  if (ended == static_cast<INT_PTR>(WindowChoice::chosen)) {
    request = chooser.state.request;
    return WindowChoice::chosen;
  }
  return ended == static_cast<INT_PTR>(WindowChoice::cancelled) ? WindowChoice::cancelled
                                                                : WindowChoice::not_shown;
}
