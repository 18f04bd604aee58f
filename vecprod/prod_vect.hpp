#pragma once

#include <limits>
#include <span>

static_assert(std::numeric_limits<long double>::digits == 64,
              "prod_vect evaluates in the x86 80-bit long double (64-bit significand)");

// Vector product c = a x b in the right-handed convention. Each component is the difference of
// two products evaluated in long double, where the product of two floats is exact, rounded to
// float once when it is stored; the components are computed in the order 0, 1, 2.
inline void prod_vect(std::span<const float, 3> a, std::span<const float, 3> b,
                      std::span<float, 3> c) {
  const auto x = [](float v) { return static_cast<long double>(v); };
  c[0] = static_cast<float>(x(a[1]) * x(b[2]) - x(a[2]) * x(b[1]));
  c[1] = static_cast<float>(x(a[2]) * x(b[0]) - x(a[0]) * x(b[2]));
  c[2] = static_cast<float>(x(a[0]) * x(b[1]) - x(a[1]) * x(b[0]));
}
