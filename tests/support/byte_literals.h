#pragma once
// Expected frames written as text + hex, the way a device's manual shows them.

#include <cstdint>
#include <string>
#include <vector>

// Bytes from a string literal.
std::vector<std::uint8_t> bytes_of(const std::string& s);
std::vector<std::uint8_t> operator+(std::vector<std::uint8_t> a,
                                    const std::vector<std::uint8_t>& b);
