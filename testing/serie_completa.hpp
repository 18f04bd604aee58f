#pragma once

// seriestats' float figures of a whole series held in memory, from the program's own steps
// (seriestats/estadistica.hpp), for the tests and the stream-based benchmark program.

#include <cstdint>
#include <span>

#include "estadistica.hpp"

inline float media(std::span<const float> x) {
  float suma = 0.0F;
  for (const float v : x) {
    suma = suma_de_floats(suma, v);
  }
  return media_de_suma(suma, static_cast<std::int64_t>(x.size()));
}

// About a mean already rounded to float.
inline float desviacion_tipica(std::span<const float> x, float media_x) {
  return desviacion_de_acumulado(desviaciones(0.0F, x, media_x),
                                 static_cast<std::int64_t>(x.size()));
}
