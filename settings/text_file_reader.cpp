#include "settings/text_file_reader.h"

namespace {
constexpr int no_pending = -2;
}

// Editors on Windows save "UTF-8 with BOM": the mark heads the file but is
// no part of its first line.
void TextFileReader::skip_byte_order_mark() {
  first_block_ = false;
  if (size_ >= 3 && buffer_[0] == 0xEF && buffer_[1] == 0xBB && buffer_[2] == 0xBF) pos_ = 3;
}

int TextFileReader::next_byte() {
  if (pending_ != no_pending) {
    int b = pending_;
    pending_ = no_pending;
    return b;
  }
  while (pos_ == size_) {
    if (!refill()) return end_of_file;
    if (first_block_) skip_byte_order_mark();
  }
  return buffer_[pos_++];
}

int TextFileReader::get() {
  int b = next_byte();
  if (b != '\r') return b;
  int after = next_byte();
  if (after == '\n') return '\n';
  pending_ = after;
  return '\r';
}
