#pragma once
// Reads a settings or list file as bytes, one character at a time, with the
// line-end rule of the files: a carriage return right before a line feed is
// not part of the line. A UTF-8 byte-order mark at the very start is
// skipped; every other byte (Shift-JIS included) passes as is.

#include <array>
#include <cstddef>

class TextFileReader {
 public:
  static constexpr int end_of_file = -1;

  // Opens only a regular file, so a folder or a device at the name is
  // reported like a missing file instead of being read or waited on. On
  // Windows the name is UTF-8.
  explicit TextFileReader(const char* file_name);
  ~TextFileReader();
  TextFileReader(const TextFileReader&) = delete;
  TextFileReader& operator=(const TextFileReader&) = delete;

  bool is_open() const { return fd_ >= 0; }
  // The next character (0..255), or end_of_file; a read error ends the file.
  int get();

 private:
  int next_byte();
  void skip_byte_order_mark();
  // Reads the next block of the file into the buffer; false at its end.
  // Each platform has its own, with the constructor and destructor.
  bool refill();

  int fd_ = -1;
  std::array<unsigned char, 512> buffer_{};
  std::size_t pos_ = 0;
  std::size_t size_ = 0;
  int pending_ = -2;  // a byte looked at after a carriage return
  bool first_block_ = true;
};
