#pragma once

// The decimal figures of exact values, rounded once and written as the stream's general
// notation writes a number (printf's %g): `precision` significant digits, nearest with ties to
// even, trailing zeros and a trailing point dropped, the exponent form where the decimal exponent
// is below -4 or at least the precision.
//
// A figure starts as its leading digits (cifras_decimales): every digit the rounding may need and
// whether any nonzero digit follows them. Whatever produced them (the expansion of a binary value,
// a long division, a square root), the rule is then applied here alone.

#include <cstddef>
#include <cstdint>
#include <string>

#include "natural.hpp"

// Leading decimal digits of a positive value, most significant first, the first one nonzero.
struct cifras_decimales {
  std::string cifras;
  int exponente10 = 0;  // decimal exponent of cifras[0]
  bool resto = false;   // some nonzero digit follows those in cifras
};

// The digits of a * 10^exponente10_unidades, a > 0: all of them, nothing left over.
cifras_decimales cifras_de(const natural& a, int exponente10_unidades);

// The digits of m * 2^e, m > 0: all of them, nothing left over (the exact value of a binary
// floating-point number, a float's or an extended one's).
cifras_decimales cifras_de_binario(const natural& m, int e);

// The first `cuantas` significant digits of a / b, for a > 0 and b > 0, by long division.
cifras_decimales cifras_del_cociente(const natural& a, const natural& b, int cuantas);

// The first significant digits (twenty at least) of sqrt(a) / b, for a > 0 and b > 0.
cifras_decimales cifras_de_raiz_entre(const natural& a, const natural& b);

// Rounds to `precision` significant digits, nearest with ties to even, and drops trailing zeros.
void redondear(cifras_decimales& d, int precision);

// %g's layout, the one every figure and echo is written in, of the n digits `cifras` already
// rounded to `precision` and without trailing zeros, the first standing for 10^exponente10:
// fixed notation when -4 <= exponente10 < precision, else d.ddde+XX with at least two exponent
// digits. Writes at `destino` and returns the end: at most n + |exponente10| + 8 characters.
char* disponer(char* destino, const char* cifras, std::size_t n, int exponente10, int precision);

// A value's text with `precision` significant digits: its sign, then its digits rounded and laid
// out; "0" for zero.
std::string texto_g(bool negativo, const cifras_decimales* d, int precision);

// The text of the integer a * 10^exponente10 (a may be zero) with `precision` significant digits.
std::string texto_g(const entero& a, int exponente10, int precision);
