#include "exacta.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "estadistica.hpp"

namespace {

suma_exacta sumas_de(const std::vector<float>& x) {
  suma_exacta s;
  for (const float v : x) {
    s.sumar(v);
  }
  return s;
}

comparacion_exacta comparar(const std::vector<float>& x, float m, float s) {
  return comparar_con_exacta(sumas_de(x), static_cast<std::int64_t>(x.size()), m, s);
}

TEST(Exacta, GivesExactFiguresExactly) {
  const std::vector<float> x{2, 4, 4, 4, 5, 5, 7, 9};
  const comparacion_exacta c = comparar(x, 5.0F, 2.0F);
  EXPECT_EQ(c.media, 5.0);
  EXPECT_EQ(c.desviacion, 2.0);
  EXPECT_FALSE(c.se_aparta);
  // Signs, subnormals and the largest float: -FLT_MAX and FLT_MAX cancel, the tiny values remain.
  const float tiny = std::numeric_limits<float>::denorm_min();
  const std::vector<float> y{std::numeric_limits<float>::max(), -tiny, -tiny,
                             -std::numeric_limits<float>::max()};
  EXPECT_EQ(comparar(y, 0.0F, 0.0F).media, -0.5 * static_cast<double>(tiny));
  // Sums of squares of full significands beyond 2^64, which carry into the high word: 2^24 - 3
  // and 2^24 - 1 alternating have the mean 2^24 - 2 and the deviation 1 exactly.
  std::vector<float> llenos(200000, 16777213.0F);
  for (std::size_t i = 1; i < llenos.size(); i += 2) {
    llenos[i] = 16777215.0F;
  }
  const comparacion_exacta l = comparar(llenos, 16777214.0F, 1.0F);
  EXPECT_EQ(l.media, 16777214.0);
  EXPECT_EQ(l.desviacion, 1.0);
  EXPECT_FALSE(l.se_aparta);
}

// The exact figures against a long double evaluation with a compensated sum, which for these
// series is accurate to far better than the 1e-12 asked here.
TEST(Exacta, AgreesWithACarefulLongDoubleEvaluation) {
  std::mt19937_64 rng(17);
  for (std::size_t serie = 0; serie < 200; ++serie) {
    const double centro = std::array{0.0, 8923.53, -1e6, 3e30}[serie % 4];
    const double escala = std::array{1000.0, 0.01, 5.0, 1e25}[serie % 4];
    std::normal_distribution<double> normal(centro, escala);
    std::vector<float> x(static_cast<std::size_t>(1 + rng() % 3000));
    for (float& v : x) {
      v = static_cast<float>(normal(rng));
    }
    long double suma = 0.0L;
    for (const float v : x) {
      suma += static_cast<long double>(v);
    }
    const long double n = static_cast<long double>(x.size());
    const long double mu = suma / n;
    long double cuadrados = 0.0L;
    long double correccion = 0.0L;
    for (const float v : x) {
      const long double d = static_cast<long double>(v) - mu;
      cuadrados += d * d;
      correccion += d;
    }
    const long double varianza = (cuadrados - correccion * correccion / n) / n;
    const comparacion_exacta c = comparar(x, media(x), desviacion_tipica(x, media(x)));
    const double sd = static_cast<double>(std::sqrt(varianza));
    EXPECT_NEAR(c.media, static_cast<double>(mu), 1e-12 * std::max(std::fabs(c.media), sd));
    EXPECT_NEAR(c.desviacion, sd, 1e-12 * sd + 1e-300) << "series " << serie;
  }
}

TEST(Exacta, WarnsJustBeyondTheTolerance) {
  // Mean 0 and deviation 1 exactly: the deviation may be off by 0.1 %, the mean by 0.001.
  const std::vector<float> x{-1.0F, 1.0F};
  EXPECT_FALSE(comparar(x, 0.0F, 1.0009F).se_aparta);
  EXPECT_FALSE(comparar(x, 0.0F, 0.9991F).se_aparta);
  EXPECT_TRUE(comparar(x, 0.0F, 1.0011F).se_aparta);
  EXPECT_TRUE(comparar(x, 0.0F, 0.9989F).se_aparta);
  EXPECT_FALSE(comparar(x, 0.00099F, 1.0F).se_aparta);
  EXPECT_TRUE(comparar(x, -0.00101F, 1.0F).se_aparta);
  // Mean 1000, deviation 1: the mean is measured against its own magnitude.
  const std::vector<float> y{999.0F, 1001.0F};
  EXPECT_FALSE(comparar(y, 1000.9F, 1.0F).se_aparta);
  EXPECT_TRUE(comparar(y, 1001.1F, 1.0F).se_aparta);
  EXPECT_TRUE(comparar(y, std::numeric_limits<float>::infinity(), 1.0F).se_aparta);
  EXPECT_TRUE(comparar(y, 1000.0F, std::numeric_limits<float>::quiet_NaN()).se_aparta);
}

TEST(Exacta, WarnsOnTheSeriesWhereFloatFails) {
  // 200 values clustered at 8923.53: the float deviation is about twice the true one.
  std::mt19937_64 rng(19);
  std::uniform_real_distribution<double> cerca(8923.52, 8923.54);
  std::vector<float> x(200);
  for (float& v : x) {
    v = static_cast<float>(cerca(rng));
  }
  const float m = media(x);
  EXPECT_TRUE(comparar(x, m, desviacion_tipica(x, m)).se_aparta);
  // A sum beyond the float range: the mean prints inf.
  const std::vector<float> grandes(30, 3.4e38F);
  const float mg = media(grandes);
  const comparacion_exacta c = comparar(grandes, mg, desviacion_tipica(grandes, mg));
  EXPECT_TRUE(c.se_aparta);
  EXPECT_EQ(static_cast<float>(c.media), 3.4e38F);
  // Short, ordinary series do not warn, and an empty one has nothing to compare.
  const std::vector<float> corta{1008.29F, 1004.03F, 1005.04F, 1004.72F, 1005.01F};
  EXPECT_FALSE(comparar(corta, media(corta), desviacion_tipica(corta, media(corta))).se_aparta);
  EXPECT_FALSE(aviso_de_desvio(sumas_de({}), 0, std::nanf(""), std::nanf("")));
}

}  // namespace
