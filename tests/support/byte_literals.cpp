#include "support/byte_literals.h"

std::vector<std::uint8_t> bytes_of(const std::string& s) { return {s.begin(), s.end()}; }

std::vector<std::uint8_t> operator+(std::vector<std::uint8_t> a,
                                    const std::vector<std::uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}
