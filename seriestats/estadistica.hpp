#pragma once

#include <cstdint>
#include <span>

#include "extendido.hpp"

// Arithmetic mean: a running sum stored as a float after every addition, divided by the number of
// values; each operation is evaluated in the extended format and rounded to float when stored.
// For an empty series the quotient is 0/0, a NaN. (A series has at most 2^31 - 1 values: its
// count is a 32-bit integer.)
inline float media(std::span<const float> x) {
  float suma = 0.0F;
  for (const float v : x) {
    suma = a_float(a_extendido(suma) + a_extendido(v));
  }
  return a_float(a_extendido(suma) / a_extendido(static_cast<std::int32_t>(x.size())));
}

// Standard deviation in the population form (the sum of squared deviations divided by n) about a
// mean already rounded to float. Each deviation and its square stay in the extended format; the
// accumulator is stored as a float after every step, and so are the variance and its root.
inline float desviacion_tipica(std::span<const float> x, float media_x) {
  float acumulado = 0.0F;
  for (const float v : x) {
    const extendido d = a_extendido(v) - a_extendido(media_x);
    acumulado = a_float(d * d + a_extendido(acumulado));
  }
  const float varianza =
      a_float(a_extendido(acumulado) / a_extendido(static_cast<std::int32_t>(x.size())));
  return raiz_cuadrada(varianza);
}
