#pragma once
// Reading the small text files the devices are given (header script,
// repeater list) with a bound, so a wrong name such as /dev/zero or a huge
// log is refused instead of read forever.

#include <cstddef>
#include <string>

// The whole of a regular file of at most `max_bytes`; false with `error`
// ("not a regular file", "larger than N bytes", "cannot read: why") otherwise.
bool read_small_file(const std::string& path, std::size_t max_bytes, std::string& text,
                     std::string& error);
