#pragma once

// A text that the vec.dat reader reads as it would read a device: through its read function, a
// block at a time.

#include <sys/types.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <utility>

#include "vec_dat.hpp"

inline fichero_vec::funcion_lectura desde_texto(std::string texto) {
  return [texto = std::move(texto), hecho = std::size_t{0}](int /*fd*/, char* destino,
                                                            std::size_t n) mutable {
    n = std::min(n, texto.size() - hecho);
    std::memcpy(destino, texto.data() + hecho, n);
    hecho += n;
    return static_cast<ssize_t>(n);
  };
}
