#include "serie_completa.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

namespace {

// The same formulas evaluated in float, as a compiler would without the casts to long double.
// a_float rounds each operation where the hardware evaluates floats wider (i386, whose 64-bit
// result rounded to float is the float result: 64 >= 2 * 24 + 2 makes the double rounding
// harmless).
float desviacion_en_float(const std::vector<float>& x) {
  float suma = 0.0F;
  for (const float v : x) {
    suma = a_float(suma + v);
  }
  const float m = a_float(suma / static_cast<float>(x.size()));
  float acumulado = 0.0F;
  for (const float v : x) {
    const float d = a_float(v - m);
    acumulado = a_float(a_float(d * d) + acumulado);
  }
  return a_float(std::sqrt(a_float(acumulado / static_cast<float>(x.size()))));
}

std::string impreso(float v) {
  std::ostringstream o;
  o << v;
  return o.str();
}

TEST(Media, RoundsTheRunningSumToFloatAfterEveryAddition) {
  // 1e8 + 1 is 1e8 again in float, so the seven ones vanish: 1e8 / 8, not 100000007 / 8.
  const std::vector<float> x{1e8F, 1.0F, 1.0F, 1.0F, 1.0F, 1.0F, 1.0F, 1.0F};
  EXPECT_EQ(media(x), 12500000.0F);
}

TEST(DesviacionTipica, KeepsDeviationsAndSquaresInLongDouble) {
  // Deviations of about one around a mean of a thousand: evaluated in float, the squares lose
  // enough to change the printed result.
  const std::vector<float> x{1008.29F, 1004.03F, 1005.04F, 1004.72F, 1005.01F};
  EXPECT_EQ(impreso(desviacion_tipica(x, media(x))), "1.48131");
  EXPECT_EQ(impreso(desviacion_en_float(x)), "1.4813");
}

}  // namespace
