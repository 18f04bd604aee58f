#pragma once

// Exact software model of the x87 80-bit extended format and of the few operations the programs
// perform in it: exact conversion from float and from 32-bit integers; addition, subtraction,
// multiplication and division rounded to a 64-bit significand, nearest even; rounding to float
// as the x87 store does it; and the decimal text that the stream writes for a long double.
//
// A value is kept in the x87 register layout:
//   value = (-1)^negativo * significando * 2^(exponente - 16383 - 63)
// exponente is biased (0 .. 0x7fff). Normal numbers have bit 63 of significando set. Zero has
// exponente 0 and significando 0 (either sign); other values with exponente 0 are denormals,
// whose value is that of exponente 1. exponente 0x7fff holds infinity (significando
// 0x8000000000000000) and NaN (any other significando with bit 63 set); 0/0 gives the x87's
// default NaN, negative with significando 0xC000000000000000. These canonical encodings are the
// only ones that occur: every value comes from a conversion or an operation below, and none makes
// another. The x87's other encodings (unnormals, pseudo-denormals, pseudo-infinities and
// pseudo-NaNs), which only raw bits could make, are not handled.
//
// The code (extendido_software.cpp) is plain integer arithmetic, the same on every target.

#include <cstdint>
#include <iosfwd>
#include <string>

namespace extendido_interno {
constexpr std::uint64_t bit_entero = std::uint64_t{1} << 63;  // the explicit integer bit
constexpr std::int32_t exponente_especial = 0x7fff;           // infinities and NaNs
constexpr std::int32_t sesgo = 16383;
}  // namespace extendido_interno

struct extendido_software {
  std::uint64_t significando = 0;
  std::uint16_t exponente = 0;
  bool negativo = false;

  constexpr extendido_software() = default;
  explicit extendido_software(float v);
  explicit extendido_software(std::int32_t v);

  // The value rounded to float as the x87 store to single precision does it.
  explicit operator float() const;

  friend extendido_software operator+(extendido_software a, extendido_software b);
  friend extendido_software operator-(extendido_software a, extendido_software b);
  friend extendido_software operator*(extendido_software a, extendido_software b);
  friend extendido_software operator/(extendido_software a, extendido_software b);
};

// The text that `std::ostream << long double` writes in the default (general) notation with
// precision `precision` (0 counts as 1), as printf's %.*Lg: correct rounding of the exact binary
// value, trailing zeros dropped, "inf", "-inf", "nan", "-nan", "-0".
std::string texto_g(const extendido_software& x, int precision);

// Writes texto_g(x, salida.precision()) through the stream, so that a field width set
// before applies to it as it does to a number.
std::ostream& operator<<(std::ostream& salida, const extendido_software& x);
