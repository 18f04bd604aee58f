#pragma once

#include <cmath>
#include <limits>
#include <span>

static_assert(std::numeric_limits<long double>::digits == 64,
              "the statistics evaluate in the x86 80-bit long double (64-bit significand)");

// Arithmetic mean: a running sum stored as a float after every addition, divided by the number of
// values; each operation is evaluated in long double and rounded to float when stored. For an
// empty series the quotient is 0/0, a NaN.
inline float media(std::span<const float> x) {
  float suma = 0.0F;
  for (const float v : x) {
    suma = static_cast<float>(static_cast<long double>(suma) + static_cast<long double>(v));
  }
  return static_cast<float>(static_cast<long double>(suma) / static_cast<long double>(x.size()));
}

// Standard deviation in the population form (the sum of squared deviations divided by n) about a
// mean already rounded to float. Each deviation and its square stay in long double; the
// accumulator is stored as a float after every step, and so are the variance and its root.
inline float desviacion_tipica(std::span<const float> x, float media_x) {
  float acumulado = 0.0F;
  for (const float v : x) {
    const long double d = static_cast<long double>(v) - static_cast<long double>(media_x);
    acumulado = static_cast<float>(d * d + static_cast<long double>(acumulado));
  }
  const auto varianza =
      static_cast<float>(static_cast<long double>(acumulado) / static_cast<long double>(x.size()));
  return std::sqrt(varianza);
}
