// Natural numbers of any size against 64-bit arithmetic.

#include "natural_grande.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

namespace {

// sumar, restar and comparar against 64-bit arithmetic, on numbers whose base-10^9 digits are
// often 0, 1 or 999999999, where carries and borrows start, run on and stop.
TEST(NaturalGrande, CarriesAndBorrowsAgreeWith64BitArithmetic) {
  std::mt19937_64 azar(1);
  const auto numero = [&azar] {
    constexpr std::uint64_t bordes[] = {0, 1, 999999999};
    std::uint64_t v = azar() % 9;  // below 9 * 10^18: sums stay below 2^64
    for (int i = 0; i < 2; ++i) {
      const std::uint64_t c = azar() % 4;
      v = v * base_natural + (c < 3 ? bordes[c] : azar() % base_natural);
    }
    return v;
  };
  for (int i = 0; i < 20000; ++i) {
    const std::uint64_t x = numero();
    const std::uint64_t y = numero();
    const natural_grande a = natural_de(x);
    const natural_grande b = natural_de(y);
    ASSERT_EQ(texto(sumar(a, b)), std::to_string(x + y)) << x << " + " << y;
    ASSERT_EQ(comparar(a, b), x < y ? -1 : (x > y ? 1 : 0)) << x << " <> " << y;
    ASSERT_EQ(texto(x < y ? restar(b, a) : restar(a, b)), std::to_string(x < y ? y - x : x - y))
        << x << " - " << y;
  }
}

}  // namespace
