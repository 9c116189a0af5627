#pragma once
// Fonts the dialog manager does not choose. Dialog units follow the font the
// locale gives the dialog, but that font's letters may be wider than its
// average (a Japanese font gives every Latin letter one width), so the text
// is measured on the window as it stands, at its own DPI.

#include <windows.h>

#include <memory>
#include <span>
#include <string>
#include <type_traits>

#include "console/console_layout.h"

struct FontDeleter {
  void operator()(HFONT font) const { DeleteObject(font); }
};
using FontHandle = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

// Pixels a button's frame takes from each side of its caption.
inline constexpr int button_caption_inset = 3;

// Width of the text in the font, in pixels.
int text_width(HFONT font, const char* text);

struct OneLineEdit {
  HWND edit;
  int chars;  // shown whole on one line
};

// One fixed-pitch font for edits that each show their characters on one
// line: no taller than the dialog's font, and small enough that they fit
// between each edit's margins. Set on the edits and on `also`, whose
// columns of callsigns it lines up.
FontHandle set_fixed_font(std::span<const OneLineEdit> edits, HWND also);

struct ListRows {
  HWND list;
  int rows;  // as many as the layout gives it, 10 dialog units each
};

// One font for all the lists, no taller than the dialog's and short enough
// for the rows each list must show; every list's rows are set to share its
// height evenly. Set on the lists.
FontHandle set_list_font(std::span<const ListRows> lists);

// A caption whose label starts where another control ends: centred in its
// label, in the dialog's font or a smaller one, its letters keep more than
// `clear` pixels from each edge. Set on the label; null when the caption
// font already keeps clear.
FontHandle set_clear_caption_font(HWND label, const char* caption, int clear);

// The dialog's font, smaller only where a caption would not fit its label
// or button; set on every captioned control. Null when the dialog's own
// font fits them all (and is set on them).
FontHandle set_caption_font(HWND dialog, std::span<const ControlSpec> controls);

// True when the font has a glyph for every character of the text.
bool font_shows(HFONT font, const std::wstring& text);

// A Japanese font as tall as the control's, for list entries whose letters
// the lists' font lacks: its Latin letters serve the other entries too.
FontHandle japanese_font_like(HWND control);

// Pixels from the top of the font's tallest letter to the bottom of its lowest.
int font_height(HFONT font);
