#include "fibonacci_exacto.hpp"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "fibonacci.hpp"
#include "resto_decimal.hpp"

namespace {

// The text of F(n), sign and all, modulo 2^32 (what fibratio prints, which fibonacci gives too)
// and modulo the largest prime below 2^32, against the recurrence run both ways from F(0) and
// F(1) in each arithmetic. Sampled n up to the deepest run, n_maximo + 1.
TEST(FibonacciExacto, AgreesWithTheRecurrenceInModularArithmetic) {
  constexpr std::int32_t u = n_maximo + 1;
  for (const std::uint64_t m : {std::uint64_t{1} << 32, std::uint64_t{4294967291U}}) {
    std::vector<std::uint64_t> f(2 * std::size_t{u} + 1);
    const auto en = [&f](std::int32_t n) -> std::uint64_t& {
      const std::int32_t i = n + u;  // 0 to 2u
      return f[static_cast<std::size_t>(i)];
    };
    en(1) = 1;
    for (std::int32_t n = 2; n <= u; ++n) {
      en(n) = (en(n - 1) + en(n - 2)) % m;
    }
    for (std::int32_t n = -1; n >= -u; --n) {
      en(n) = (en(n + 2) + m - en(n + 1)) % m;
    }
    for (std::int32_t n = -u; n <= u; ++n) {
      const std::int32_t k = n < 0 ? -n : n;
      if (k > 100 && k < n_maximo && k % 997 != 0) {
        continue;
      }
      const entero exacto = fibonacci_exacto(n);
      const std::uint64_t r = resto_decimal(exacto.magnitud.decimal(), m);
      ASSERT_EQ(exacto.negativo ? (m - r) % m : r, en(n)) << "n = " << n << ", m = " << m;
      if (k <= 30 && m == std::uint64_t{1} << 32) {
        ASSERT_EQ(static_cast<std::int32_t>(static_cast<std::uint32_t>(en(n))), fibonacci(n)) << n;
      }
    }
  }
}

// A warning exactly where F(n) or F(n-1) falls outside 32 bits; one text pinned beyond the golden
// cases, which the recursion keeps below n = 49: a value written out in full at 40 digits and one
// cut at 41, signs from the rule for negative n; and the deepest run's quotient, which is the
// golden ratio's to 25 digits.
TEST(AvisoDeDesbordamiento, NamesTheWrappedValuesAndTheTrueQuotient) {
  for (std::int32_t n = -60; n <= 60; ++n) {
    EXPECT_EQ(aviso_de_desbordamiento(n).has_value(), n >= 47 || n <= -46) << "n = " << n;
  }
  EXPECT_EQ(aviso_de_desbordamiento(-193),
            "aviso: F(-193) y F(-194) no caben en 32 bits: se usan sus restos modulo 2^32 leidos "
            "como numeros con signo: los valores exactos son F(-193) = "
            "9663391306290450775010025392525829059713 y F(-194) = -15635695580168194910... (41 "
            "cifras), y el cociente exacto F(-193)/F(-194) es -0.6180339887498948482045868");
  const std::string profundo = aviso_de_desbordamiento(n_maximo).value();
  EXPECT_NE(profundo.find("F(10000) = 33644764876431783266... (2090 cifras)"), std::string::npos);
  EXPECT_TRUE(profundo.ends_with(" es 1.618033988749894848204587")) << profundo;
}

}  // namespace
