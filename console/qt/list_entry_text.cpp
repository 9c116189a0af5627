#include "console/qt/list_entry_text.h"

#include <iconv.h>

#include <QStringDecoder>
#include <cerrno>
#include <memory>

namespace {

struct IconvCloser {
  void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};
using IconvHandle = std::unique_ptr<void, IconvCloser>;

QString shift_jis_text(const std::string& bytes) {
  const iconv_t opened = iconv_open("UTF-8", "CP932");
  if (opened == reinterpret_cast<iconv_t>(-1))
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
  const IconvHandle cd(opened);

  std::string in = bytes;
  std::string out(in.size() * 3 + 4, '\0');  // a CP932 byte never needs more than 3 UTF-8 bytes
  char* in_ptr = in.data();
  std::size_t in_left = in.size();
  char* out_ptr = out.data();
  std::size_t out_left = out.size();
  while (in_left > 0) {
    if (iconv(opened, &in_ptr, &in_left, &out_ptr, &out_left) != static_cast<std::size_t>(-1))
      break;
    if (errno != EILSEQ && errno != EINVAL) break;
    // An unreadable byte: mark it and go on with the next one.
    static constexpr char replacement[] = "\xEF\xBF\xBD";
    if (out_left < 3) break;
    for (char c : std::string_view(replacement, 3)) *out_ptr++ = c;
    out_left -= 3;
    ++in_ptr;
    --in_left;
  }
  out.resize(out.size() - out_left);
  return QString::fromUtf8(out.data(), static_cast<qsizetype>(out.size()));
}

}  // namespace

QString list_entry_display_text(const std::string& bytes) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
  if (!utf8.hasError()) return text;
  return shift_jis_text(bytes);
}
