#include "factorial_exacto.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "fact.hpp"
#include "resto_decimal.hpp"

namespace {

// The text of n! modulo 2^32, against fact, and modulo the largest prime below 2^32, against the
// product reduced at every step: no digit of the text escapes the second.
TEST(FactorialExacto, AgreesWithTheProductInModularArithmetic) {
  constexpr std::uint64_t primo = 4294967291U;
  std::uint64_t modulo_primo = 1;
  for (std::int32_t n = 0; n <= 60; ++n) {
    modulo_primo = modulo_primo * static_cast<std::uint64_t>(n < 1 ? 1 : n) % primo;
    const std::string f = factorial_exacto(n).decimal();
    ASSERT_EQ(static_cast<std::int32_t>(static_cast<std::uint32_t>(resto_decimal(f, 1ULL << 32))),
              fact(n))
        << "n = " << n;
    ASSERT_EQ(resto_decimal(f, primo), modulo_primo) << "n = " << n;
  }
}

}  // namespace
