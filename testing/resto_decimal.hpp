#pragma once

// The number written in `cifras` (decimal digits) modulo m, 0 < m <= 2^32, by Horner's rule: a
// check of a long number's text against arithmetic done modulo m, for the tests of the exact
// figures that the warnings write out.

#include <cstdint>
#include <string_view>

inline std::uint64_t resto_decimal(std::string_view cifras, std::uint64_t m) {
  std::uint64_t r = 0;
  for (const char c : cifras) {
    r = (r * 10 + static_cast<std::uint64_t>(c - '0')) % m;
  }
  return r;
}
