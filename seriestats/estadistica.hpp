#pragma once

// The float statistics of seriestats, a block of values at a time as the program reads them:
// every operation is evaluated in the extended format (extendido.hpp) and rounded to float when
// its result is stored. One addition of the running sum is suma_de_floats (extendido.hpp).

#include <cstdint>
#include <span>

#include "extendido.hpp"

// The mean: the sum divided by the number of values, stored as a float; the number, at most
// 2^31 - 1 (the count is a 32-bit integer), is exact as a real. For an empty series the quotient
// is 0/0, a NaN.
inline float media_de_suma(float suma, std::int64_t n) {
  return a_float(a_extendido(suma) / a_extendido(static_cast<std::int32_t>(n)));
}

// The sum of squared deviations carried on over a block of values, from `acumulado` on: each
// step's deviation and its square stay in the extended format, and the accumulator is stored as a
// float (cuadrado_mas).
//
// With the x87 each step's sum is rounded to float by storing it, and the next step adds that
// float from memory: one store and one load a step are the loop's critical path, and GCC compiles
// the plain loop so. clang takes the stored float into an SSE register and stores it again for
// the next addition, two stores and two loads a step on that path. A volatile running float makes
// clang keep it in memory and add it from there; GCC, given the volatile, would add the very
// register moves that it avoids without one, so only clang's build gets it.
inline float desviaciones(float acumulado, std::span<const float> x, float media_x) {
#if defined(__clang__) && !SOFTWARE_EXTENDED
  volatile float en_memoria = acumulado;
#else
  float en_memoria = acumulado;
#endif
  for (const float v : x) {
    en_memoria = cuadrado_mas(v, media_x, en_memoria);
  }
  return en_memoria;
}

// The variance (the accumulated squares divided by n, stored as a float) and its root, the
// standard deviation in the population form.
inline float desviacion_de_acumulado(float acumulado, std::int64_t n) {
  const float varianza =
      a_float(a_extendido(acumulado) / a_extendido(static_cast<std::int32_t>(n)));
  return raiz_cuadrada(varianza);
}
