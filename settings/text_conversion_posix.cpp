#include <iconv.h>
#include <locale.h>
#include <wctype.h>

#include <cerrno>
#include <cstdint>

#include "settings/text_conversion.h"

namespace {

// Each character of UTF-8 text, or a byte that is none, as it comes.
template <typename Each>
void each_character(std::string_view text, Each each) {
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    const std::size_t more = c < 0x80 ? 0 : (c >> 5) == 0x6 ? 1 : (c >> 4) == 0xE ? 2 : 3;
    char32_t code = more == 0 ? c : more == 1 ? c & 0x1F : more == 2 ? c & 0x0F : c & 0x07;
    bool whole = c < 0x80 || (c >= 0xC2 && c <= 0xF4 && i + more < text.size());
    for (std::size_t k = 1; whole && k <= more; ++k) {
      const auto next = static_cast<unsigned char>(text[i + k]);
      whole = (next >> 6) == 0x2;
      code = (code << 6) | (next & 0x3F);
    }
    if (whole) {
      each(code, text.substr(i, more + 1));
      i += more + 1;
    } else {
      each(char32_t{0xFFFFFFFF}, text.substr(i, 1));
      ++i;
    }
  }
}

void append_utf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

}  // namespace

Conversion utf8_from(std::string_view bytes, const std::string& encoding, std::string& utf8) {
  const iconv_t cd = ::iconv_open("UTF-8", encoding.c_str());
  if (cd == reinterpret_cast<iconv_t>(-1)) return Conversion::unknown_encoding;
  utf8.clear();
  char* in = const_cast<char*>(bytes.data());
  std::size_t in_left = bytes.size();
  Conversion result = Conversion::done;
  while (in_left > 0) {
    char buffer[4096];
    char* out = buffer;
    std::size_t out_left = sizeof buffer;
    const std::size_t n = ::iconv(cd, &in, &in_left, &out, &out_left);
    utf8.append(buffer, static_cast<std::size_t>(out - buffer));
    if (n == static_cast<std::size_t>(-1) && errno != E2BIG) {
      result = Conversion::unreadable;
      break;
    }
  }
  ::iconv_close(cd);
  return result;
}

std::string folded_case(std::string_view utf8) {
  // The C.UTF-8 locale knows every script's letters; the program's own
  // locale is left alone.
  static const locale_t unicode = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
  std::string out;
  each_character(utf8, [&](char32_t c, std::string_view bytes) {
    if (c == 0xFFFFFFFF || !unicode) {
      out.append(bytes);
      return;
    }
    // Upper, then lower: final sigma and long s meet their letters.
    const auto wide = static_cast<wint_t>(c);
    append_utf8(out, static_cast<char32_t>(::towlower_l(::towupper_l(wide, unicode), unicode)));
  });
  return out;
}
