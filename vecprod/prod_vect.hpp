#pragma once

#include <span>

#include "extendido.hpp"

// Vector product c = a x b in the right-handed convention. Each component is the difference of
// two products evaluated in the extended format, where the product of two floats is exact,
// rounded to float once when it is stored; the components are computed in the order 0, 1, 2.
inline void prod_vect(std::span<const float, 3> a, std::span<const float, 3> b,
                      std::span<float, 3> c) {
  const auto x = [](float v) { return a_extendido(v); };
  c[0] = a_float(x(a[1]) * x(b[2]) - x(a[2]) * x(b[1]));
  c[1] = a_float(x(a[2]) * x(b[0]) - x(a[0]) * x(b[2]));
  c[2] = a_float(x(a[0]) * x(b[1]) - x(a[1]) * x(b[0]));
}
