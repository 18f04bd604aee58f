#pragma once

// The true vector product of the two vectors as written in vec.dat, computed exactly, and the
// warning that gives it where the printed components misrepresent it.

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "flotante.hpp"
#include "natural.hpp"
#include "redondeo.hpp"

// x y - z w, exactly.
inline decimal_exacto diferencia_de_productos(const decimal_exacto& x, const decimal_exacto& y,
                                              const decimal_exacto& z, const decimal_exacto& w) {
  const entero p = x.cifras * y.cifras;
  const entero q = z.cifras * w.cifras;
  const std::int64_t ep = std::int64_t{x.exponente} + y.exponente;
  const std::int64_t eq = std::int64_t{z.exponente} + w.exponente;
  const std::int64_t e = std::min(ep, eq);
  const entero p_(p.negativo, por_diez(p.magnitud, ep - e));
  const entero q_(q.negativo, por_diez(q.magnitud, eq - e));
  return {p_ - q_, static_cast<std::int32_t>(e)};
}

// a x b, component by component as prod_vect forms it, without rounding.
inline std::array<decimal_exacto, 3> producto_verdadero(const std::array<decimal_exacto, 3>& a,
                                                        const std::array<decimal_exacto, 3>& b) {
  return {diferencia_de_productos(a[1], b[2], a[2], b[1]),
          diferencia_de_productos(a[2], b[0], a[0], b[2]),
          diferencia_de_productos(a[0], b[1], a[1], b[0])};
}

// The warning for standard error (without the program's name and line end) when a printed
// component is infinite or NaN, 0 for a nonzero true one, nonzero for a true 0, or off by more
// than 0.1 % of the true one: it gives the three true components, each rounded once to six
// significant digits. Nothing where every printed component holds.
inline std::optional<std::string> aviso_de_producto(const std::array<float, 3>& c,
                                                    const std::array<decimal_exacto, 3>& t) {
  bool aparta = false;
  for (std::size_t i = 0; i < 3; ++i) {
    aparta = aparta || se_aparta(c[i], t[i]);
  }
  if (!aparta) {
    return std::nullopt;
  }
  return "aviso: las componentes impresas se apartan en mas del 0.1 % de las del producto de los "
         "vectores escritos en vec.dat: las verdaderas son " +
         texto_g(t[0].cifras, t[0].exponente, 6) + ", " + texto_g(t[1].cifras, t[1].exponente, 6) +
         " y " + texto_g(t[2].cifras, t[2].exponente, 6);
}
