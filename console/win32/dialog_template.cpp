#include "console/win32/dialog_template.h"

#include <string>

#include "console/console_layout.h"
#include "console/list_keys.h"

namespace {

// Predefined window classes by atom, as dialog templates name them.
constexpr WORD kButtonClass = 0x0080;
constexpr WORD kEditClass = 0x0081;
constexpr WORD kStaticClass = 0x0082;
constexpr WORD kListBoxClass = 0x0083;

constexpr DWORD kEditStyle = WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP;

struct ControlClass {
  WORD atom;
  DWORD style;
};

ControlClass class_for(const ControlSpec& placed) {
  switch (placed.kind) {
    // Values from the files are shown as they are: an "&" is no shortcut.
    case ControlKind::label: {
      const DWORD align = starts_where_another_ends(placed) ? SS_CENTER : SS_LEFT;
      // A list's caption underlines the letter that reaches the list.
      if (list_key_of_label(placed.id)) return {kStaticClass, WS_CHILD | WS_VISIBLE | align};
      return {kStaticClass, WS_CHILD | WS_VISIBLE | align | SS_NOPREFIX};
    }
    case ControlKind::right_label:
      return {kStaticClass, WS_CHILD | WS_VISIBLE | SS_RIGHT | SS_NOPREFIX};
    case ControlKind::digits_edit:
      return {kEditClass, kEditStyle | ES_AUTOHSCROLL | ES_NUMBER};
    case ControlKind::line_edit:
      return {kEditClass, kEditStyle | ES_AUTOHSCROLL};
    case ControlKind::multi_line_edit:
      // A callsign is one line, module letter last: it scrolls, never wraps.
      if (placed.id == ctl::my_callsign || placed.id == ctl::my_suffix)
        return {kEditClass, kEditStyle | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL |
                                ES_AUTOHSCROLL | ES_WANTRETURN};
      return {kEditClass, kEditStyle | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN};
    case ControlKind::button:
      return {kButtonClass, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON};
    case ControlKind::default_button:
      return {kButtonClass, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON};
    case ControlKind::list:
      // The rows are set to fill the list's place (fitting_fonts.h).
      return {kListBoxClass,
              WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT};
  }
  return {kStaticClass, WS_CHILD | WS_VISIBLE};
}

void put_dword(std::vector<WORD>& out, DWORD value) {
  out.push_back(LOWORD(value));
  out.push_back(HIWORD(value));
}

// Captions in the table are plain ASCII.
void put_text(std::vector<WORD>& out, const char* text) {
  for (const char* p = text; *p != '\0'; ++p) out.push_back(static_cast<unsigned char>(*p));
  out.push_back(0);
}

void align_to_dword(std::vector<WORD>& out) {
  if (out.size() % 2 != 0) out.push_back(0);
}

}  // namespace

bool starts_where_another_ends(const ControlSpec& placed) {
  if (placed.kind != ControlKind::label) return false;
  for (const ControlSpec& other : console_controls) {
    const bool same_rows = other.y < placed.y + placed.h && other.y + other.h > placed.y;
    if (other.id != placed.id && other.kind != ControlKind::label &&
        other.kind != ControlKind::right_label && same_rows && other.x < placed.x &&
        other.x + other.w >= placed.x)
      return true;
  }
  return false;
}

std::vector<WORD> console_dialog_template() {
  std::vector<WORD> out;
  put_dword(out, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CONTEXTHELP | DS_SETFONT);
  put_dword(out, 0);
  out.push_back(static_cast<WORD>(console_controls.size()));
  out.push_back(console_left_du);
  out.push_back(console_top_du);
  out.push_back(console_width_du);
  out.push_back(console_height_du);
  out.push_back(0);  // no menu
  out.push_back(0);  // the standard dialog class
  put_text(out, console_title);
  out.push_back(console_font_points);
  put_text(out, "System");

  for (const ControlSpec& placed : console_controls) {
    align_to_dword(out);
    const ControlClass cls = class_for(placed);
    put_dword(out, cls.style);
    put_dword(out, 0);
    out.push_back(static_cast<WORD>(placed.x));
    out.push_back(static_cast<WORD>(placed.y));
    out.push_back(static_cast<WORD>(placed.w));
    out.push_back(static_cast<WORD>(placed.h));
    out.push_back(static_cast<WORD>(placed.id));
    out.push_back(0xFFFF);
    out.push_back(cls.atom);
    put_text(out, caption_with_list_key(placed.id, placed.caption).c_str());
    out.push_back(0);  // no creation data
  }
  return out;
}
