#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <utility>

#include "natural.hpp"

// n! exactly; 1 for every n <= 0. The work grows like n^2: meant for the factorials the warning
// writes out.
inline natural factorial_exacto(std::int32_t n) {
  natural producto{1};
  for (std::int32_t i = 2; i <= n; ++i) {
    producto = producto.por(static_cast<std::uint32_t>(i));
  }
  return producto;
}

// The largest n whose factorial the warning writes out: 34! has 39 digits, 35! has 41.
inline constexpr std::int32_t n_exacto_maximo = 34;

// The warning about the figure fact(n) printed, for standard error (without the program's name
// and line end): the true n! does not fit in 32 bits, which happens from 13 on; nothing where
// fact(n) is the true factorial, n <= 12 and every n <= 0.
//
// Past 34 the factorial is not computed: all the warning needs is known without it. n! has more
// than 40 digits (35! has 41, and each further factor makes it larger), and its remainder modulo
// 2^32 is 0, since from 34 on the product holds the factor 2 at least 32 times.
inline std::optional<std::string> aviso_de_desbordamiento(std::int32_t n) {
  const std::string aviso = "aviso: " + std::to_string(n) +
                            "! no cabe en 32 bits: se muestra su resto modulo 2^32 leido como "
                            "numero con signo";
  if (n > n_exacto_maximo) {
    return aviso +
           ", que es 0 para todo n >= 34 (n! tiene al menos 32 factores 2): el factorial exacto "
           "tiene mas de 40 cifras";
  }
  const natural exacto = factorial_exacto(n);
  if (exacto <= natural{static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())}) {
    return std::nullopt;
  }
  return aviso + ": el factorial exacto es " + exacto.decimal();
}
