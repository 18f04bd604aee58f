#pragma once

// Two steps on floats, fused, for the software model: the floats that the expressions
//   suma_de_floats(a, b)      a_float(a_extendido(a) + a_extendido(b))
//   cuadrado_mas(v, m, acc)   a_float(d * d + a_extendido(acc)), d = a_extendido(v) -
//   a_extendido(m)
// give in the model, for every operand. They are the steps of seriestats' loops, taken once a
// value, where the model's integer code would cost several times the hardware's. extendido.hpp
// offers both steps on both back ends; with long double they are the expressions themselves.
//
// Where double arithmetic is IEEE double as written (FLT_EVAL_METHOD == 0: not on i386, whose x87
// evaluates it at its own precision), in the default rounding to nearest with subnormals kept, as
// the model itself assumes of the x87, the common case costs about what the hardware does: each
// shortcut below is proven to give the float of the model's two roundings. Anything else goes to
// the expression itself, written with the model's operators.

#include <bit>
#include <cfloat>
#include <cmath>
#include <cstdint>

#include "extendido_software.hpp"

namespace extendido_interno {
// The expressions themselves, written with the model's operators.
float suma_de_floats_general(float a, float b);
float cuadrado_mas_general(float v, float m, float acumulado);
}  // namespace extendido_interno

// static_cast<float>(extendido_software(a) + extendido_software(b)).
//
// Rounding the exact sum of two floats to 64 bits and then to 24 gives its correct rounding to 24
// bits, so the float addition itself. If x = a + b fits in 64 bits the first rounding does
// nothing. Otherwise, with |a| >= |b| and 2^e <= |a| < 2^(e+1): x is a multiple of the last unit
// u of b, and |x| < 2^(e+2), so 2^(e+2) / u > 2^64 and |b| < 2^24 u < 2^(e-38). Then x lies in
// a's binade or, when a is a power of two, in the one below, and it is not a float's subnormal;
// the halfway points of both are odd multiples of 2^(e-24) or 2^(e-25), while a is a multiple of
// 2^(e-23): no halfway point lies within 2^(e-25) - 2^(e-38) of x, but the rounding to 64 bits
// moves x by 2^(e-64) at most. x and its rounding lie between the same two halfway points and
// round to the same float. Overflow follows the rounded value in both (infinity from 2^128 up),
// zeros take the same signs (+0 from x + (-x), -0 only from -0 + -0), and so do infinities. Only
// the NaNs differ, where the x87's choice of operand and default NaN are not the target's: a NaN
// result goes to the model.
[[gnu::always_inline]] inline float suma_de_floats(float a, float b) {
#if FLT_EVAL_METHOD == 0
  const float suma = a + b;
  if (!std::isnan(suma)) {
    return suma;
  }
#endif
  return extendido_interno::suma_de_floats_general(a, b);
}

// static_cast<float>(d * d + extendido_software(acumulado)) with
// d = extendido_software(v) - extendido_software(m).
//
// With acumulado >= 0 (sign bit clear), the model rounds s = acumulado + round64(round64(v - m)^2)
// to 64 bits and then to 24. Here t = acumulado + dd * dd with dd = v - m, in double: three
// roundings to 53 bits, none out of range (a nonzero square of a difference of floats lies within
// 2^-298 .. 2^258). The square dd * dd is off the model's by less than 3.01 * 2^-53 of (v - m)^2,
// which is at most s; with the last rounding |t - s| < 4.02 * 2^-53 s, less than 4.1 units of t's
// last bit, and round64(s) is within 2^-64 s more (a fused multiply-add, should a compiler make
// one, only lowers the bound). In t's binade the float's halfway points are the doubles whose 29
// low fraction bits are 2^28, 2^29 units apart, and the binades next to it have none within 2^27
// units of t: when t's 29 low bits are more than 8 units from 2^28, t, s and round64(s)
// lie between the same two halfway points and round to the same float, which is t's conversion.
// That conversion is the float's for t in 2^-126 .. 2^128, infinity from 2^128 up as the model's
// (the float's subnormals just below 2^-126 have the same spacing as the binade above them).
// t == +0 comes only from v == m with acumulado zero, where the model gives +0 too. NaNs,
// infinities, results out of that range and negative acumulado go to the model.
[[gnu::always_inline]] inline float cuadrado_mas(float v, float m, float acumulado) {
#if FLT_EVAL_METHOD == 0
  if ((std::bit_cast<std::uint32_t>(acumulado) >> 31) == 0) {
    const double dd = static_cast<double>(v) - static_cast<double>(m);
    const double cuadrado = dd * dd;
    const double t = static_cast<double>(acumulado) + cuadrado;
    const auto bits = std::bit_cast<std::uint64_t>(t);
    // The double's biased exponent 1023 - 126 .. 1023 + 127; the sign bit is clear here.
    const bool en_rango = (bits >> 52) - (1023U - 126U) < 254U;
    // More than 8 units from the halfway point 2^28: one unsigned comparison, as which side of it
    // t falls on is as good as random.
    constexpr std::uint64_t mitad = std::uint64_t{1} << 28;
    const std::uint64_t bajos = bits & ((mitad << 1) - 1U);
    const bool lejos = bajos - (mitad - 8U) > 16U;
    if ((en_rango && lejos) || bits == 0) {
      return static_cast<float>(t);
    }
  }
#endif
  return extendido_interno::cuadrado_mas_general(v, m, acumulado);
}
