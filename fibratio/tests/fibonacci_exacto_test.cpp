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
      const entero_grande exacto = fibonacci_exacto(n);
      const std::uint64_t r = resto_decimal(texto(exacto.magnitud), m);
      ASSERT_EQ(exacto.negativo ? (m - r) % m : r, en(n)) << "n = " << n << ", m = " << m;
      if (k <= 30 && m == std::uint64_t{1} << 32) {
        ASSERT_EQ(static_cast<std::int32_t>(static_cast<std::uint32_t>(en(n))), fibonacci(n)) << n;
      }
    }
  }
}

// a / b to `cifras` significant digits as one rounds by hand: the quotient's digits by 64-bit long
// division (b < 2^60 keeps 10 r below 2^64), the first `cifras` kept, and the next one with
// whether anything follows it deciding, ties to even.
std::string cociente_de_referencia(std::uint64_t a, std::uint64_t b, int cifras) {
  if (a == 0) {
    return "0";
  }
  const auto total = static_cast<std::size_t>(cifras);
  std::string d = a / b == 0 ? "" : std::to_string(a / b);
  int enteras = static_cast<int>(d.size());
  std::uint64_t r = a % b;
  for (; d.size() <= total; r %= b) {
    r *= 10;
    if (d.empty() && r < b) {
      --enteras;
    } else {
      d += static_cast<char>('0' + r / b);
    }
  }
  const bool sigue = r != 0 || d.find_first_not_of('0', total + 1) != std::string::npos;
  const char siguiente = d[total];
  d.resize(total);
  if (siguiente > '5' || (siguiente == '5' && (sigue || (d.back() - '0') % 2 == 1))) {
    std::size_t i = total;
    for (; i > 0 && d[i - 1] == '9'; --i) {
      d[i - 1] = '0';
    }
    if (i == 0) {
      d[0] = '1';
      ++enteras;
    } else {
      ++d[i - 1];
    }
  }
  if (enteras >= cifras) {
    return d + std::string(static_cast<std::size_t>(enteras - cifras), '0');
  }
  std::string q = enteras <= 0 ? "0." + std::string(static_cast<std::size_t>(-enteras), '0') + d
                               : d.substr(0, static_cast<std::size_t>(enteras)) + "." +
                                     d.substr(static_cast<std::size_t>(enteras));
  while (q.back() == '0') {
    q.pop_back();
  }
  if (q.back() == '.') {
    q.pop_back();
  }
  return q;
}

// Random pairs at every precision from 1 digit, where carries through 9s to a new leading digit
// and exact ties are frequent (a few dozen of each).
TEST(CocienteRedondeado, AgreesWithLongDivisionByHand) {
  std::mt19937_64 azar(20261207);
  for (int i = 0; i < 20000; ++i) {
    // Sizes up to 2^60 and divisors often powers of 2 or 5, whose quotients end.
    const std::uint64_t x = azar() >> (4 + azar() % 60);
    const std::uint64_t y = i % 4 == 0 ? (i % 8 == 0 ? 1ULL << (azar() % 60) : 95367431640625ULL)
                                       : (azar() >> (4 + azar() % 60)) + 1;
    const int cifras = 1 + static_cast<int>(azar() % 25);
    ASSERT_EQ(cociente_redondeado(natural_de(x), natural_de(y), cifras),
              cociente_de_referencia(x, y, cifras))
        << x << " / " << y << ", " << cifras;
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
