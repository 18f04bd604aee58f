#pragma once

#include <cstdint>

// n! in 32-bit arithmetic: the product keeps its low 32 bits, read as a two's-complement value.
// The multiplication is done unsigned, where wrapping is defined. 1 for every n <= 0.
//
// From 34 on every product holds the factor 2 at least 32 times, so its low 32 bits are 0 and stay
// 0 for every further factor: the loop stops there. That gives the same value as multiplying all
// the way to n, in constant time, and ends for n = 2147483647, where a counter running while
// i <= n could never pass n.
constexpr std::int32_t fact(std::int32_t n) {
  constexpr std::int32_t primero_nulo = 34;
  std::uint32_t producto = 1;
  for (std::int32_t i = 1; i <= n && i <= primero_nulo; ++i) {
    producto *= static_cast<std::uint32_t>(i);
  }
  return static_cast<std::int32_t>(producto);
}
