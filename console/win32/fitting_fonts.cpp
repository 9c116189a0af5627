#include "console/win32/fitting_fonts.h"

#include <string>

namespace {

// Smaller than this nobody reads it; such a font is kept and shown cut.
constexpr LONG kSmallestPixels = 6;

LOGFONTA dialog_font_shape(HWND window) {
  LOGFONTA shape{};
  auto font = reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
  if (!font || !GetObjectA(font, sizeof shape, &shape)) {
    GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof shape, &shape);
  }
  if (shape.lfHeight == 0) shape.lfHeight = -12;
  shape.lfWidth = 0;
  return shape;
}

// The tallest font of this shape, no taller than it, for which fits() holds.
template <typename Fits>
FontHandle largest_fitting(LOGFONTA shape, Fits fits) {
  const LONG tallest = shape.lfHeight < 0 ? -shape.lfHeight : shape.lfHeight;
  FontHandle font;
  for (LONG pixels = tallest; pixels >= kSmallestPixels; --pixels) {
    shape.lfHeight = -pixels;
    font.reset(CreateFontIndirectA(&shape));
    if (!font || fits(font.get())) break;
  }
  return font;
}

int client_width(HWND control) {
  RECT client{};
  GetClientRect(control, &client);
  return client.right - client.left;
}

int client_height(HWND control) {
  RECT client{};
  GetClientRect(control, &client);
  return client.bottom - client.top;
}

bool is_captioned(const ControlSpec& placed) {
  return placed.caption[0] != '\0' &&
         (placed.kind == ControlKind::label || placed.kind == ControlKind::right_label ||
          placed.kind == ControlKind::button || placed.kind == ControlKind::default_button);
}

int caption_room(HWND control, const ControlSpec& placed) {
  const bool button =
      placed.kind == ControlKind::button || placed.kind == ControlKind::default_button;
  return client_width(control) - (button ? 2 * button_caption_inset : 0);
}

}  // namespace

int text_width(HFONT font, const char* text) {
  HDC dc = GetDC(nullptr);
  const HGDIOBJ was = SelectObject(dc, font);
  SIZE size{};
  GetTextExtentPoint32A(dc, text, lstrlenA(text), &size);
  SelectObject(dc, was);
  ReleaseDC(nullptr, dc);
  return size.cx;
}

int font_height(HFONT font) {
  HDC dc = GetDC(nullptr);
  const HGDIOBJ was = SelectObject(dc, font);
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc, &metrics);
  SelectObject(dc, was);
  ReleaseDC(nullptr, dc);
  return metrics.tmHeight;
}

FontHandle set_fixed_font(std::span<const OneLineEdit> edits, HWND also) {
  if (edits.empty()) return nullptr;
  HWND dialog = GetParent(edits.front().edit);
  LOGFONTA shape = dialog_font_shape(dialog);
  shape.lfWeight = FW_NORMAL;
  shape.lfItalic = FALSE;
  shape.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
  lstrcpynA(shape.lfFaceName, "Courier New", LF_FACESIZE);
  FontHandle font = largest_fitting(shape, [&](HFONT candidate) {
    for (const OneLineEdit& line : edits) {
      SendMessageA(line.edit, WM_SETFONT, reinterpret_cast<WPARAM>(candidate), FALSE);
      const LRESULT margins = SendMessageA(line.edit, EM_GETMARGINS, 0, 0);
      // The widest letter stands for any: a fixed pitch makes them all alike.
      const std::string widest(static_cast<std::size_t>(line.chars), 'W');
      // One pixel more for the caret after the last character.
      if (text_width(candidate, widest.c_str()) + LOWORD(margins) + HIWORD(margins) + 1 >
          client_width(line.edit))
        return false;
    }
    return true;
  });
  const HFONT shown =
      font ? font.get() : reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
  for (const OneLineEdit& line : edits)
    SendMessageA(line.edit, WM_SETFONT, reinterpret_cast<WPARAM>(shown), TRUE);
  if (also) SendMessageA(also, WM_SETFONT, reinterpret_cast<WPARAM>(shown), TRUE);
  return font;
}

FontHandle set_list_font(std::span<const ListRows> lists) {
  if (lists.empty()) return nullptr;
  int row = 0;
  for (const ListRows& placed : lists) {
    const int its_row = client_height(placed.list) / (placed.rows > 0 ? placed.rows : 1);
    if (row == 0 || its_row < row) row = its_row;
  }
  FontHandle font = largest_fitting(dialog_font_shape(GetParent(lists.front().list)),
                                    [&](HFONT candidate) { return font_height(candidate) <= row; });
  const HFONT shown =
      font ? font.get()
           : reinterpret_cast<HFONT>(SendMessageA(GetParent(lists.front().list), WM_GETFONT, 0, 0));
  for (const ListRows& placed : lists) {
    // A new font gives the list rows of its own height: the list's own go after it.
    SendMessageW(placed.list, WM_SETFONT, reinterpret_cast<WPARAM>(shown), FALSE);
    const int its_row = client_height(placed.list) / (placed.rows > 0 ? placed.rows : 1);
    SendMessageW(placed.list, LB_SETITEMHEIGHT, 0, its_row);
    InvalidateRect(placed.list, nullptr, TRUE);
  }
  return font;
}

FontHandle set_clear_caption_font(HWND label, const char* caption, int clear) {
  const auto fits = [&](HFONT candidate) {
    return text_width(candidate, caption) + 2 * (clear + 1) <= client_width(label);
  };
  const auto current = reinterpret_cast<HFONT>(SendMessageA(label, WM_GETFONT, 0, 0));
  if (!current || fits(current)) return nullptr;
  FontHandle font = largest_fitting(dialog_font_shape(label), fits);
  if (font) SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
  return font;
}

FontHandle set_caption_font(HWND dialog, std::span<const ControlSpec> controls) {
  const auto all_fit = [&](HFONT font) {
    for (const ControlSpec& placed : controls) {
      HWND control = GetDlgItem(dialog, placed.id);
      if (control && is_captioned(placed) &&
          text_width(font, placed.caption) > caption_room(control, placed))
        return false;
    }
    return true;
  };
  const auto dialog_font = reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0));
  FontHandle font;
  if (dialog_font && !all_fit(dialog_font))
    font = largest_fitting(dialog_font_shape(dialog), all_fit);
  const HFONT shown = font ? font.get() : dialog_font;
  for (const ControlSpec& placed : controls) {
    if (is_captioned(placed))
      SendDlgItemMessageA(dialog, placed.id, WM_SETFONT, reinterpret_cast<WPARAM>(shown), TRUE);
  }
  return font;
}

bool font_shows(HFONT font, const std::wstring& text) {
  if (text.empty()) return true;
  std::wstring glyphs(text.size(), L'\0');
  HDC dc = GetDC(nullptr);
  const HGDIOBJ was = SelectObject(dc, font);
  const DWORD found =
      GetGlyphIndicesW(dc, text.c_str(), static_cast<int>(text.size()),
                       reinterpret_cast<WORD*>(glyphs.data()), GGI_MARK_NONEXISTING_GLYPHS);
  SelectObject(dc, was);
  ReleaseDC(nullptr, dc);
  return found != GDI_ERROR && glyphs.find(static_cast<wchar_t>(0xFFFF)) == std::wstring::npos;
}

FontHandle japanese_font_like(HWND control) {
  LOGFONTA shape = dialog_font_shape(control);
  shape.lfCharSet = SHIFTJIS_CHARSET;
  shape.lfFaceName[0] = '\0';
  return FontHandle(CreateFontIndirectA(&shape));
}
