#include "settings/text_file_reader.h"

namespace {
constexpr int no_pending = -2;
}

int TextFileReader::next_byte() {
  if (pending_ != no_pending) {
    int b = pending_;
    pending_ = no_pending;
    return b;
  }
  if (pos_ == size_ && !refill()) return end_of_file;
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
