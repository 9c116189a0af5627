#include "console/qt/byte_text.h"

#include <algorithm>

namespace {

bool is_line_break(QChar c) {
  return c == QChar::ParagraphSeparator || c == QChar::LineSeparator || c == u'\n';
}

}  // namespace

QString latin1_text(const std::string& bytes) {
  return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string latin1_bytes(const QString& text) {
  const QByteArray bytes = text.toLatin1();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString box_text_from_bytes(const std::string& bytes) {
  QString text;
  text.reserve(static_cast<qsizetype>(bytes.size()));
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const unsigned char b = static_cast<unsigned char>(bytes[i]);
    if (b == '\r') {
      if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
      text.append(u'\n');
    } else {
      text.append(QChar(b));
    }
  }
  return text;
}

std::string crlf_bytes(const QString& document_text) {
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(document_text.size()));
  for (QChar c : document_text) {
    if (is_line_break(c)) {
      bytes += "\r\n";
    } else {
      const char16_t u = c.unicode();
      bytes += u <= 0xFF ? static_cast<char>(u) : '?';
    }
  }
  return bytes;
}

int crlf_position(const QString& document_text, int document_position) {
  const int end = std::clamp(document_position, 0, static_cast<int>(document_text.size()));
  int breaks = 0;
  for (int i = 0; i < end; ++i) {
    if (is_line_break(document_text[i])) ++breaks;
  }
  return document_position + breaks;
}
