#pragma once

// The extended arithmetic of the programs: `extendido` is the x87 80-bit format (64-bit
// significand, round to nearest even), and the functions below are the only places where a value
// enters it or leaves it, so that every rounding is written out:
//   a_extendido(float), a_extendido(std::int32_t)  exact widening
//   a_float(extendido)                              rounding to float, as the x87 store does it
//   a_float(float)                                  a float computed by the hardware rounded to
//                                                   float where the hardware keeps more
//                                                   precision than float
//   raiz_cuadrada(float)                            the square root of a float, as x86 gives it
//   a_double(float)                                 a float widened for the stream to print it,
//                                                   as x86 widens it
// and two steps on floats that seriestats takes once a value, each the float of one expression:
//   suma_de_floats(a, b)                            a_float(a_extendido(a) + a_extendido(b))
//   cuadrado_mas(v, m, acumulado)                   a_float(d * d + a_extendido(acumulado)),
//                                                   d = a_extendido(v) - a_extendido(m)
//
// Where long double is that format (x86-64, i386) the hardware computes; elsewhere, or when the
// build asks for it (the CMake option and macro SOFTWARE_EXTENDED), the software model of
// extendido_software.hpp does, bit for bit the same. Both back ends offer everything above under
// the same names, so the code using it reads the same both ways and never asks which computes.

#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>

#if !defined(SOFTWARE_EXTENDED)
#error "SOFTWARE_EXTENDED is set by the build (link the extendido target)"
#endif

// Where floats are evaluated in a wider format (FLT_EVAL_METHOD 2: i386, whose x87 registers keep
// 64 significant bits), GCC 12's C++ keeps that excess precision across casts and assignments to
// float (-fexcess-precision=fast; =standard is not implemented for C++ before GCC 13), so a float
// variable may silently hold a wider value. A volatile float is an object that the compiler must
// store, in its 4 bytes: the store rounds the register's value to float once, as amd64 does, and
// the value read back is that float exactly. This holds for GCC and clang alike and costs a store
// and a load; -ffloat-store is GCC only and leaves unnamed temporaries wide, and SSE math
// (-mfpmath=sse) needs SSE2, which Debian's i386 baseline (i686) does not guarantee.
#if FLT_EVAL_METHOD == 0
inline float a_float(float v) { return v; }
#else
inline float a_float(float v) {
  const volatile float guardado = v;
  return guardado;
}
#endif

// The root is correctly rounded on every target (on i386 it is computed with 64 bits and then
// rounded, and 64 >= 2 * 24 + 2 makes that double rounding harmless). A NaN comes back as it came,
// sign included, as x86 returns it; RISC-V would return its canonical positive NaN instead.
inline float raiz_cuadrada(float v) { return std::isnan(v) ? v : a_float(std::sqrt(v)); }

// The stream prints a float as the double it widens to, exactly. x86 (and ARM, POWER, s390x)
// keep a NaN's sign in that conversion; RISC-V replaces every NaN by its canonical positive one,
// so "-nan" would print as "nan". The sign is put back here.
inline double a_double(float v) {
  const double ancho = static_cast<double>(v);
  return std::isnan(v) ? std::copysign(ancho, std::signbit(v) ? -1.0 : 1.0) : ancho;
}

#if SOFTWARE_EXTENDED

#include "extendido_software.hpp"
#include "pasos_fusionados.hpp"  // suma_de_floats and cuadrado_mas, by proven shortcuts

using extendido = extendido_software;

inline extendido a_extendido(float v) { return extendido_software(v); }
inline extendido a_extendido(std::int32_t v) { return extendido_software(v); }
inline float a_float(extendido x) { return static_cast<float>(x); }

#else

#if !defined(__x86_64__) && !defined(__i386__)
#error "long double is the x87 80-bit format only on x86: build with SOFTWARE_EXTENDED"
#endif
static_assert(std::numeric_limits<long double>::digits == 64 &&
                  std::numeric_limits<long double>::max_exponent == 16384,
              "long double is not the x87 80-bit format here: build with SOFTWARE_EXTENDED");

using extendido = long double;

inline extendido a_extendido(float v) { return static_cast<long double>(v); }
inline extendido a_extendido(std::int32_t v) { return static_cast<long double>(v); }
// The cast alone may leave the value wide (see above); a_float(float) rounds it, once.
inline float a_float(extendido x) { return a_float(static_cast<float>(x)); }

inline float suma_de_floats(float a, float b) { return a_float(a_extendido(a) + a_extendido(b)); }

inline float cuadrado_mas(float v, float m, float acumulado) {
  const extendido d = a_extendido(v) - a_extendido(m);
  return a_float(d * d + a_extendido(acumulado));
}

#endif
