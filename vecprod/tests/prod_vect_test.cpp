#include "prod_vect.hpp"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

#include "producto_verdadero.hpp"

namespace {

std::array<float, 3> producto(std::array<float, 3> a, std::array<float, 3> b) {
  std::array<float, 3> c{};
  prod_vect(a, b, c);
  return c;
}

// The first component of a x b evaluated in float and in double, as a compiler would without the
// casts to long double: the cases below must tell them apart from the long double result. (The
// float operations are rounded by a_float where the hardware evaluates floats wider, i386.)
float primera_en_float(std::array<float, 3> a, std::array<float, 3> b) {
  return a_float(a_float(a[1] * b[2]) - a_float(a[2] * b[1]));
}
float primera_en_double(std::array<float, 3> a, std::array<float, 3> b) {
  return static_cast<float>(static_cast<double>(a[1]) * static_cast<double>(b[2]) -
                            static_cast<double>(a[2]) * static_cast<double>(b[1]));
}

TEST(ProdVect, RoundsTheLongDoubleDifferenceOnceToFloat) {
  // 3 x 195.786163 is exactly halfway between two floats, and the tiny second product takes the
  // exact difference just below that midpoint. long double holds it and rounds down to
  // 587.358459...; double loses the tiny product and rounds the tie to even, up, as float does.
  const std::array<float, 3> a{0.0F, 3.0F, 9.31322575e-10F};
  const std::array<float, 3> b{0.0F, 9.53674316e-07F, 195.786163F};
  const auto c = producto(a, b);
  EXPECT_EQ(std::bit_cast<std::uint32_t>(c[0]), std::bit_cast<std::uint32_t>(587.35845947265625F));
  EXPECT_NE(c[0], primera_en_double(a, b));
  EXPECT_NE(c[0], primera_en_float(a, b));
}

TEST(ProdVect, KeepsTheExactDifferenceOfNearlyEqualProducts) {
  // (x + 2)(x - 2) - x^2 = -4 for x = 16777213: the products need 48 bits, which long double
  // holds exactly; rounded to float first, they cancel to something else.
  const std::array<float, 3> a{0.0F, 16777215.0F, 16777213.0F};
  const std::array<float, 3> b{0.0F, 16777213.0F, 16777211.0F};
  EXPECT_EQ(producto(a, b)[0], -4.0F);
  EXPECT_NE(primera_en_float(a, b), -4.0F);
}

TEST(ProdVect, MatchesTheExactIntegerProductCorrectlyRounded) {
  // Integer components below 2^24 are exact floats, and the exact differences (below 2^49) fit in
  // 64 bits, so each component must be the exact integer result rounded to the nearest float.
  std::mt19937_64 rng(20261207);
  std::uniform_int_distribution<std::int64_t> componente(-(1 << 24) + 1, (1 << 24) - 1);
  for (int caso = 0; caso < 100000; ++caso) {
    std::array<std::int64_t, 3> ai{};
    std::array<std::int64_t, 3> bi{};
    std::array<float, 3> a{};
    std::array<float, 3> b{};
    for (std::size_t i = 0; i < 3; ++i) {
      ai[i] = componente(rng) >> (rng() % 24);
      bi[i] = componente(rng) >> (rng() % 24);
      a[i] = static_cast<float>(ai[i]);
      b[i] = static_cast<float>(bi[i]);
    }
    const std::array<std::int64_t, 3> exacto{ai[1] * bi[2] - ai[2] * bi[1],
                                             ai[2] * bi[0] - ai[0] * bi[2],
                                             ai[0] * bi[1] - ai[1] * bi[0]};
    const auto c = producto(a, b);
    for (std::size_t i = 0; i < 3; ++i) {
      ASSERT_EQ(c[i], a_float(static_cast<float>(exacto[i])))
          << "case " << caso << " component " << i;
    }
  }
}

}  // namespace

namespace {

// The true product of written decimals is orthogonal to both operands, exactly: a . (a x b) and
// b . (a x b) vanish for every pair, whatever the digits and the exponents; and e1 x e2 = e3.
decimal_exacto decimal(std::mt19937_64& azar) {
  return {entero(azar() % 2 == 0, natural(azar() % 10000000)),
          static_cast<std::int32_t>(azar() % 121) - 60};
}

entero escalar(const std::array<decimal_exacto, 3>& x, const std::array<decimal_exacto, 3>& c) {
  // Every term x_i c_i in the unit 10^-400, below any exponent here.
  entero s;
  for (std::size_t i = 0; i < 3; ++i) {
    const entero p = x[i].cifras * c[i].cifras;
    const std::int64_t e = std::int64_t{x[i].exponente} + c[i].exponente + 400;
    s = s + entero(p.negativo, p.magnitud.por_diez_a(static_cast<std::size_t>(e)));
  }
  return s;
}

TEST(ProductoVerdadero, IsOrthogonalToBothVectorsExactly) {
  std::mt19937_64 azar(24);
  for (int i = 0; i < 2000; ++i) {
    const std::array<decimal_exacto, 3> a = {decimal(azar), decimal(azar), decimal(azar)};
    const std::array<decimal_exacto, 3> b = {decimal(azar), decimal(azar), decimal(azar)};
    const std::array<decimal_exacto, 3> c = producto_verdadero(a, b);
    ASSERT_TRUE(escalar(a, c).magnitud.es_cero());
    ASSERT_TRUE(escalar(b, c).magnitud.es_cero());
  }
  const decimal_exacto cero{};
  const decimal_exacto uno{entero(false, natural(1)), 0};
  const auto c = producto_verdadero({uno, cero, cero}, {cero, uno, cero});
  EXPECT_EQ(texto_g(c[2].cifras, c[2].exponente, 6), "1");
  EXPECT_TRUE(c[0].cifras.magnitud.es_cero() && c[1].cifras.magnitud.es_cero());
}

// The warning's tolerance: 0.1 % of the true component, and any 0 that is not one.
TEST(ProductoVerdadero, WarnsBeyondATenthOfAPercent) {
  const decimal_exacto mil{entero(false, natural(1000)), 0};
  const decimal_exacto cero{};
  EXPECT_FALSE(aviso_de_producto({1000.9F, 0.0F, -0.0F}, {mil, cero, cero}));
  EXPECT_TRUE(aviso_de_producto({1001.1F, 0.0F, 0.0F}, {mil, cero, cero}));
  EXPECT_TRUE(aviso_de_producto({998.9F, 0.0F, 0.0F}, {mil, cero, cero}));
  EXPECT_TRUE(aviso_de_producto({1000.0F, 1e-30F, 0.0F}, {mil, cero, cero}));
  EXPECT_TRUE(aviso_de_producto({0.0F, 0.0F, 0.0F}, {mil, cero, cero}));
  EXPECT_TRUE(
      aviso_de_producto({-std::numeric_limits<float>::infinity(), 0.0F, 0.0F}, {mil, cero, cero}));
  const decimal_exacto diminuto{entero(true, natural(15)), -61};
  EXPECT_EQ(aviso_de_producto({0.0F, 0.0F, 0.0F}, {diminuto, cero, mil}).value_or(""),
            "aviso: las componentes impresas se apartan en mas del 0.1 % de las del producto de "
            "los vectores escritos en vec.dat: las verdaderas son -1.5e-60, 0 y 1000");
}

}  // namespace
