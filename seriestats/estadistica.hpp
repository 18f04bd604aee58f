#pragma once

// The float statistics of seriestats, one step at a time: every operation is evaluated in the
// extended format (extendido.hpp) and rounded to float when its result is stored. The program
// feeds the steps a block of values at a time, as it reads them; media and desviacion_tipica
// apply them to a whole series.

#include <cstdint>
#include <span>

#include "extendido.hpp"

// One addition of the running sum, evaluated in the extended format and stored as a float.
inline float paso_suma(float suma, float v) { return suma_de_floats(suma, v); }

// The number of values as a real: exact, since a series has at most 2^31 - 1 values (its count is
// a 32-bit integer).
inline extendido cuenta_real(std::int64_t n) { return a_extendido(static_cast<std::int32_t>(n)); }

// The mean: the sum divided by the number of values, stored as a float. For an empty series the
// quotient is 0/0, a NaN.
inline float media_de_suma(float suma, std::int64_t n) {
  return a_float(a_extendido(suma) / cuenta_real(n));
}

// One step of the sum of squared deviations: the deviation and its square stay in the extended
// format, the accumulator is stored as a float.
inline float paso_desviacion(float acumulado, float v, float media_x) {
  return cuadrado_mas(v, media_x, acumulado);
}

// The sum of squared deviations carried on over a block of values: paso_desviacion for each in
// turn, from `acumulado` on.
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
    en_memoria = paso_desviacion(en_memoria, v, media_x);
  }
  return en_memoria;
}

// The variance (the accumulated squares divided by n, stored as a float) and its root, the
// standard deviation in the population form.
inline float desviacion_de_acumulado(float acumulado, std::int64_t n) {
  const float varianza = a_float(a_extendido(acumulado) / cuenta_real(n));
  return raiz_cuadrada(varianza);
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
  return desviacion_de_acumulado(desviaciones(0.0F, x, media_x),
                                 static_cast<std::int64_t>(x.size()));
}
