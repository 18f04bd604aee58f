#pragma once

// The float statistics of seriestats, one step at a time: every operation is evaluated in long
// double and rounded to float when its result is stored. The program feeds the steps a block of
// values at a time, as it reads them; media and desviacion_tipica apply them to a whole series.

#include <cmath>
#include <cstdint>
#include <limits>
#include <span>

static_assert(std::numeric_limits<long double>::digits == 64,
              "the statistics evaluate in the x86 80-bit long double (64-bit significand)");

// One addition of the running sum, stored as a float.
inline float paso_suma(float suma, float v) {
  return static_cast<float>(static_cast<long double>(suma) + static_cast<long double>(v));
}

// The mean: the sum divided by the number of values, stored as a float. For an empty series the
// quotient is 0/0, a NaN.
inline float media_de_suma(float suma, std::int64_t n) {
  return static_cast<float>(static_cast<long double>(suma) / static_cast<long double>(n));
}

// One step of the sum of squared deviations: the deviation and its square stay in long double,
// the accumulator is stored as a float.
inline float paso_desviacion(float acumulado, float v, float media_x) {
  const long double d = static_cast<long double>(v) - static_cast<long double>(media_x);
  return static_cast<float>(d * d + static_cast<long double>(acumulado));
}

// The variance (the accumulated squares divided by n, stored as a float) and its root, the
// standard deviation in the population form.
inline float desviacion_de_acumulado(float acumulado, std::int64_t n) {
  const auto varianza =
      static_cast<float>(static_cast<long double>(acumulado) / static_cast<long double>(n));
  return std::sqrt(varianza);
}

// Arithmetic mean of a whole series.
inline float media(std::span<const float> x) {
  float suma = 0.0F;
  for (const float v : x) {
    suma = paso_suma(suma, v);
  }
  return media_de_suma(suma, static_cast<std::int64_t>(x.size()));
}

// Standard deviation of a whole series about a mean already rounded to float.
inline float desviacion_tipica(std::span<const float> x, float media_x) {
  float acumulado = 0.0F;
  for (const float v : x) {
    acumulado = paso_desviacion(acumulado, v, media_x);
  }
  return desviacion_de_acumulado(acumulado, static_cast<std::int64_t>(x.size()));
}
