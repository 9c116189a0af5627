#include "settings/repeater_csv.h"

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// Tab, line ends and the old end-of-file mark are text; other control bytes
// are not, and a UTF-16 file is full of zero bytes.
bool is_text_byte(unsigned char c) {
  return c >= 0x20 || c == '\t' || c == '\r' || c == '\n' || c == 0x1A;
}

std::string where(int row) { return "row " + std::to_string(row) + ": "; }

bool is_blank(const std::vector<std::string>& fields) {
  for (const std::string& f : fields) {
    if (f.find_first_not_of(" \t\x1A") != std::string::npos) return false;
  }
  return true;
}

}  // namespace

char separator_of_header(std::string_view text) {
  if (text.starts_with(kUtf8Bom)) text.remove_prefix(kUtf8Bom.size());
  std::size_t commas = 0, semicolons = 0, tabs = 0;
  bool quoted = false, header_begun = false;
  for (const char c : text) {
    if (c == '"') quoted = !quoted;
    if (quoted) continue;
    if (c == '\n' || c == '\r') {
      if (header_begun) break;  // blank lines before the header are passed
      continue;
    }
    header_begun = true;
    commas += c == ',';
    semicolons += c == ';';
    tabs += c == '\t';
  }
  if (semicolons > commas && semicolons >= tabs) return ';';
  if (tabs > commas && tabs > semicolons) return '\t';
  return ',';
}

bool parse_csv(std::string_view text, std::vector<CsvRecord>& records, std::string& error) {
  records.clear();
  if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF")) {
    error = "the file is UTF-16; save it as UTF-8 or Shift-JIS CSV";
    return false;
  }
  if (text.starts_with(kUtf8Bom)) text.remove_prefix(kUtf8Bom.size());

  int row = 1;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!is_text_byte(static_cast<unsigned char>(text[i]))) {
      error = where(row) + "the file holds binary bytes and is no CSV text";
      return false;
    }
    if (text[i] == '\n') ++row;
  }

  const char separator = separator_of_header(text);
  CsvRecord record{1, {std::string()}};
  bool quoted = false;
  int quote_row = 0;
  row = 1;
  auto end_record = [&] {
    if (!is_blank(record.fields)) records.push_back(std::move(record));
    record = CsvRecord{row, {std::string()}};
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    std::string& field = record.fields.back();
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        field.push_back('"');
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        if (c == '\n') ++row;
        field.push_back(c);
      }
    } else if (c == '"' && field.empty()) {
      quoted = true;
      quote_row = row;
    } else if (c == separator) {
      record.fields.emplace_back();
    } else if (c == '\r' || c == '\n') {
      // CR LF, a lone LF and a lone CR each end one line.
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      ++row;
      end_record();
    } else {
      field.push_back(c);
    }
  }
  if (quoted) {
    error = where(quote_row) + "a quoted field is never closed";
    records.clear();
    return false;
  }
  end_record();
  if (records.empty()) {
    error = "the file is empty";
    return false;
  }
  return true;
}
