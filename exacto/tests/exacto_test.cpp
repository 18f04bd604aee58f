// Exact integers against 64-bit arithmetic, and the rounding of exact figures against printf and
// against long division by hand.

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

#include "natural.hpp"
#include "redondeo.hpp"

namespace {

// Numbers whose base-10^9 digits are often 0, 1 or 999999999, where carries and borrows start,
// run on and stop; below 9 * 10^18, so that sums stay below 2^64.
std::uint64_t numero(std::mt19937_64& azar) {
  constexpr std::array<std::uint64_t, 3> bordes = {0, 1, 999999999};
  std::uint64_t v = azar() % 9;
  for (int i = 0; i < 2; ++i) {
    const std::uint64_t c = azar() % 4;
    v = v * natural::base + (c < 3 ? bordes[static_cast<std::size_t>(c)] : azar() % natural::base);
  }
  return v;
}

TEST(Natural, AgreesWith64BitArithmetic) {
  std::mt19937_64 azar(1);
  for (int i = 0; i < 20000; ++i) {
    const std::uint64_t x = numero(azar);
    const std::uint64_t y = numero(azar);
    const natural a(x);
    const natural b(y);
    ASSERT_EQ((a + b).decimal(), std::to_string(x + y)) << x << " + " << y;
    ASSERT_EQ(a < b, x < y) << x << " <> " << y;
    ASSERT_EQ(a == b, x == y) << x << " <> " << y;
    ASSERT_EQ((x < y ? b - a : a - b).decimal(), std::to_string(x < y ? y - x : x - y));
    const std::uint64_t x32 = x >> 32;
    const std::uint64_t y32 = y % (std::uint64_t{1} << 32);
    ASSERT_EQ((natural(x32) * natural(y32)).decimal(), std::to_string(x32 * y32));
    const auto d = static_cast<std::uint32_t>(y32 | 1U);
    const auto [q, r] = a.entre(d);
    ASSERT_EQ(q.decimal(), std::to_string(x / d));
    ASSERT_EQ(r, x % d);
    const auto k = static_cast<std::size_t>(azar() % 20);
    std::uint64_t potencia = 1;
    for (std::size_t j = 0; j < k; ++j) {
      potencia *= 10;
    }
    const auto [q10, resto10] = a.entre_diez_a(k);
    ASSERT_EQ(q10.decimal(), std::to_string(x / potencia)) << x << " / 10^" << k;
    ASSERT_EQ(resto10, x % potencia != 0);
    ASSERT_EQ(natural(x / potencia).por_diez_a(k).decimal(),
              std::to_string(x / potencia * potencia));
    ASSERT_EQ(a.cifras(), x == 0 ? 0 : std::to_string(x).size());
    const auto raiz = static_cast<std::uint64_t>(std::sqrt(static_cast<double>(x)));
    std::uint64_t esperada = raiz > 0 ? raiz - 1 : 0;
    while ((esperada + 1) * (esperada + 1) <= x) {
      ++esperada;
    }
    ASSERT_EQ(raiz_entera(a).decimal(), std::to_string(esperada)) << "sqrt " << x;
  }
}

// The exact digits of a finite double m * 2^e: m * 2^e, or m * 5^-e times 10^e.
cifras_decimales cifras_exactas(double v) {
  int e = 0;
  const double f = std::frexp(std::fabs(v), &e);
  const auto m = static_cast<std::uint64_t>(std::ldexp(f, 53));
  e -= 53;
  if (e >= 0) {
    return cifras_de(natural(m).por_dos_a(static_cast<std::size_t>(e)), 0);
  }
  natural n(m);
  for (int k = 0; k < -e; ++k) {
    n = n.por(5);
  }
  return cifras_de(n, e);
}

// Rounded once to every precision from 1 to 25 and laid out, the exact value of a double is
// written as printf's %g writes the double: doubles of every magnitude, and halfway cases
// (integers ending in 5 and binary fractions ending in 5) where ties go to even.
TEST(Redondeo, WritesExactValuesAsPrintfWritesThem) {
  std::mt19937_64 azar(2);
  for (int i = 0; i < 4000; ++i) {
    double v = 0.0;
    switch (i % 3) {
      case 0:
        v = std::bit_cast<double>(azar() & 0x7fefffffffffffffU);
        break;
      case 1:
        v = static_cast<double>(azar() % 100000000) * 10.0 + 5.0;
        break;
      default:
        v = std::ldexp(static_cast<double>(azar() % 4096 * 2 + 1), -static_cast<int>(azar() % 12));
        break;
    }
    if (v == 0.0) {
      continue;
    }
    const cifras_decimales d = cifras_exactas(v);
    for (int p = 1; p <= 25; ++p) {
      std::array<char, 64> esperado{};
      std::snprintf(esperado.data(), esperado.size(), "%.*g", p, v);
      ASSERT_EQ(texto_g(false, &d, p), esperado.data()) << "precision " << p;
    }
  }
  EXPECT_EQ(texto_g(entero(true, natural(1500)), -3, 6), "-1.5");
  EXPECT_EQ(texto_g(entero(false, natural()), 7, 6), "0");
}

// a / b to `cifras` significant digits as one rounds by hand: the quotient's digits by 64-bit long
// division (b < 2^60 keeps 10 r below 2^64), the first `cifras` kept, and the next one with
// whether anything follows it deciding, ties to even. The digits without trailing zeros, and the
// decimal exponent of the first.
std::pair<std::string, int> cociente_de_referencia(std::uint64_t a, std::uint64_t b, int cifras) {
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
  d.erase(d.find_last_not_of('0') + 1);
  return {d, enteras - 1};
}

// Random pairs at every precision from 1 digit, where carries through 9s to a new leading digit
// and exact ties are frequent (a few dozen of each).
TEST(CifrasDelCociente, AgreesWithLongDivisionByHand) {
  std::mt19937_64 azar(20261207);
  for (int i = 0; i < 20000; ++i) {
    // Sizes up to 2^60 and divisors often powers of 2 or 5, whose quotients end.
    const std::uint64_t x = (azar() >> (4 + azar() % 60)) + 1;
    const std::uint64_t y = i % 4 == 0 ? (i % 8 == 0 ? 1ULL << (azar() % 60) : 95367431640625ULL)
                                       : (azar() >> (4 + azar() % 60)) + 1;
    const int cifras = 1 + static_cast<int>(azar() % 25);
    cifras_decimales d = cifras_del_cociente(natural(x), natural(y), cifras + 1);
    redondear(d, cifras);
    ASSERT_EQ(std::make_pair(d.cifras, d.exponente10), cociente_de_referencia(x, y, cifras))
        << x << " / " << y << ", " << cifras;
  }
}

// The digits of sqrt(a) / b bracket the root: with R their integer and 10^k its unit,
// (R b 10^k)^2 <= a < ((R + 1) b 10^k)^2, equality exactly when nothing follows them. Perfect
// squares over powers of ten end; other numbers do not.
TEST(CifrasDeRaizEntre, BracketsTheRootAndKnowsWhenItEnds) {
  std::mt19937_64 azar(3);
  for (int i = 0; i < 3000; ++i) {
    const std::uint64_t raiz = azar() >> (4 + azar() % 60);
    const natural a = i % 2 == 0 ? natural(raiz) * natural(raiz) : natural(numero(azar) + 1);
    if (a.es_cero()) {
      continue;
    }
    const natural b((azar() >> (azar() % 64)) % 1000000 + 1);
    const cifras_decimales d = cifras_de_raiz_entre(a, b);
    const natural r = natural::de_cifras(d.cifras);
    const int unidad = d.exponente10 - static_cast<int>(d.cifras.size()) + 1;  // 10^unidad
    const auto escala = [&](const natural& x) {
      const natural xb = x * b;
      return unidad >= 0 ? xb.por_diez_a(static_cast<std::size_t>(unidad)) : xb;
    };
    const natural a_escalado =
        unidad >= 0 ? a : a.por_diez_a(2 * static_cast<std::size_t>(-unidad));
    const natural abajo = escala(r) * escala(r);
    const natural arriba = escala(r.por(1, 1)) * escala(r.por(1, 1));
    ASSERT_LE(abajo, a_escalado) << a.decimal() << " / " << b.decimal();
    ASSERT_LT(a_escalado, arriba) << a.decimal() << " / " << b.decimal();
    ASSERT_EQ(d.resto, abajo != a_escalado) << a.decimal() << " / " << b.decimal();
    ASSERT_GE(d.cifras.size(), 20U);
  }
}

}  // namespace
