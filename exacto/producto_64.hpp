#pragma once

// The 128-bit product of two 64-bit words, for the software model's multiplication and the exact
// sums of squares: one multiplication where the compiler has a 128-bit integer, four 32 x 32-bit
// ones elsewhere (32-bit targets).

#include <cstdint>

struct palabras_128 {
  std::uint64_t alto;
  std::uint64_t bajo;
};

// a * b as 128 bits from four 32x32-bit products, for targets without a 128-bit integer.
inline palabras_128 multiplicar_64x64_portatil(std::uint64_t a, std::uint64_t b) {
  constexpr std::uint64_t bajos_32 = 0xffffffffU;
  const std::uint64_t a1 = a >> 32;
  const std::uint64_t a0 = a & bajos_32;
  const std::uint64_t b1 = b >> 32;
  const std::uint64_t b0 = b & bajos_32;
  const std::uint64_t p00 = a0 * b0;
  const std::uint64_t p01 = a0 * b1;
  const std::uint64_t p10 = a1 * b0;
  const std::uint64_t medio = (p00 >> 32) + (p01 & bajos_32) + (p10 & bajos_32);  // < 3 * 2^32
  return {a1 * b1 + (p01 >> 32) + (p10 >> 32) + (medio >> 32), (medio << 32) | (p00 & bajos_32)};
}

[[gnu::always_inline]] inline palabras_128 multiplicar_64x64(std::uint64_t a, std::uint64_t b) {
#ifdef __SIZEOF_INT128__
  __extension__ using sin_signo_128 = unsigned __int128;
  const sin_signo_128 p = static_cast<sin_signo_128>(a) * b;
  return {static_cast<std::uint64_t>(p >> 64), static_cast<std::uint64_t>(p)};
#else
  return multiplicar_64x64_portatil(a, b);
#endif
}
