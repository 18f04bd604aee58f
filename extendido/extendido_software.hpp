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
// The code is plain integer arithmetic, the same on every target. Every operation computes its
// exact result as a significand with the bits below it (the part per operation) and ends in
// extendido_interno::redondear_y_empaquetar, the one rounding to 64 bits. Bits are aligned by one
// sticky shift (correr_pegajoso) and rounded by one rule (sube), which the rounding to float
// shares. The common case of each step the programs take (normal operands, normal result) is inline
// here; zeros, infinities, NaNs, denormals and results out of range go out of line to
// extendido_software.cpp. The steps of the hot loops are marked always_inline: left to its own
// measure the compiler would call them, and a call costs as much as the step.

#include <algorithm>
#include <bit>
#include <cstdint>
#include <iosfwd>
#include <string>

#include "producto_64.hpp"

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

namespace extendido_interno {

constexpr std::uint64_t bit_entero = std::uint64_t{1} << 63;      // the explicit integer bit
constexpr std::uint64_t bit_silencioso = std::uint64_t{1} << 62;  // set in a quiet NaN
constexpr std::int32_t exponente_especial = 0x7fff;               // infinities and NaNs
constexpr std::int32_t sesgo = 16383;
// A float's biased exponent plus this is the biased exponent of the same power of two here.
constexpr std::int32_t diferencia_sesgos = sesgo - 127;

inline extendido_software empaquetar(bool negativo, std::int32_t exponente,
                                     std::uint64_t significando) {
  extendido_software x;
  x.significando = significando;
  x.exponente = static_cast<std::uint16_t>(exponente);
  x.negativo = negativo;
  return x;
}

// ---- The x87's conventions for special values -----------------------------------------------
//
// - An invalid operation (inf - inf, 0 * inf, 0 / 0, inf / inf) or an operand in a format the
//   x87 refuses (a nonzero exponente with bit 63 clear) gives the default NaN below; stored to
//   float it becomes the float default NaN, negative and quiet.
// - A NaN operand comes back quieted (bit 62 set), sign and payload kept. Of two NaNs the result
//   is a quiet one before a signalling one, then the one with the larger significand, then the
//   positive one.
// - Signs of zero, rounding to nearest: an exact cancellation x + (-x) gives +0; zeros of equal
//   sign add to a zero of that sign, of opposite signs to +0; a product or quotient has the
//   exclusive or of the operands' signs, whatever the operands are; a tiny result rounded to zero
//   keeps its sign.
// - float NaNs load quieted with sign and payload kept (the float's 22 low bits land below bit
//   62); an extended NaN stores to float quieted with its sign and its 22 bits below the quiet
//   bit.

inline extendido_software nan_por_defecto() {
  return empaquetar(true, exponente_especial, bit_entero | bit_silencioso);
}
inline extendido_software infinito(bool negativo) {
  return empaquetar(negativo, exponente_especial, bit_entero);
}
inline extendido_software cero(bool negativo) { return empaquetar(negativo, 0, 0); }
// The sign of the exact zero that x + (-x) gives when rounding to nearest.
constexpr bool signo_de_cancelacion = false;
// The sign of the sum of two zeros.
constexpr bool signo_suma_de_ceros(bool negativo_a, bool negativo_b) {
  return negativo_a && negativo_b;
}

// One or both of a and b are NaN (and neither is in a refused format).
extendido_software propagar_nan(const extendido_software& a, const extendido_software& b);

constexpr std::uint32_t float_nan_por_defecto = 0xffc00000;
inline extendido_software nan_desde_float(bool negativo, std::uint32_t fraccion) {
  return empaquetar(negativo, exponente_especial,
                    bit_entero | bit_silencioso | (std::uint64_t{fraccion} << 40));
}
inline std::uint32_t nan_a_float(const extendido_software& x) {
  const std::uint32_t signo = x.negativo ? 0x80000000U : 0U;
  return signo | 0x7fc00000U | (static_cast<std::uint32_t>(x.significando >> 40) & 0x3fffffU);
}

// ---- The two pieces of every rounding ----------------------------------------------------------
//
// Every operation aligns bits with one shift and rounds with one rule, here; the rounding to 64
// bits below and the rounding to float at the end of this file are built of these two.

using ::palabras_128;  // exacto/producto_64.hpp

// The 128-bit number (alto, bajo) shifted right by n >= 0, with every bit shifted out of the
// bottom kept as a 1 in the last bit of bajo (sticky). The result is off the exact quotient by
// less than one unit of that last bit, and only where the bit is set, so a rounding that keeps
// alto and reads bajo as its round and sticky bits gives the exact value's rounding.
[[gnu::always_inline]] constexpr palabras_128 correr_pegajoso(std::uint64_t alto,
                                                              std::uint64_t bajo, std::int32_t n) {
  const auto pegajoso = [](std::uint64_t perdido) { return perdido != 0 ? std::uint64_t{1} : 0U; };
  if (n == 0) {
    return {alto, bajo};
  }
  if (n < 64) {
    return {alto >> n, (alto << (64 - n)) | (bajo >> n) | pegajoso(bajo << (64 - n))};
  }
  if (n == 64) {
    return {0, alto | pegajoso(bajo)};
  }
  if (n < 128) {
    return {0, (alto >> (n - 64)) | pegajoso((alto << (128 - n)) | bajo)};
  }
  return {0, pegajoso(alto | bajo)};
}

// Rounding to nearest with ties to even, the one rule of every rounding: 1 if a value whose last
// kept bit is the low bit of `ultimo`, with `resto` below it (its high bit the half unit, any
// lower bit something nonzero below that), rounds up, else 0. Computed without a branch, since
// the bits are as good as random.
[[gnu::always_inline]] constexpr std::uint64_t sube(std::uint64_t ultimo, std::uint64_t resto) {
  return (static_cast<std::uint64_t>(resto > bit_entero) |
          (static_cast<std::uint64_t>(resto == bit_entero) & ultimo)) &
         1U;
}

// ---- Rounding to 64 bits ----------------------------------------------------------------------

// Continues redondear_y_empaquetar for an exponent outside 1 .. 0x7ffe: overflow to infinity, or
// the denormal, rounded once at its reduced precision.
extendido_software redondear_fuera_de_rango(bool negativo, std::int32_t exponente,
                                            std::uint64_t significando, std::uint64_t resto);

// The one rounding of every operation. Takes the exact result as
//   (-1)^negativo * (significando + resto / 2^64) * 2^(exponente - 16383 - 63)
// with bit 63 of significando set, where the high bit of resto is the half-unit (round) bit and
// any lower bit of resto stands for anything nonzero below it (sticky); exponente is unbounded.
// Rounds the significand to 64 bits, to nearest with ties to even (the x87 with precision
// control at 64 bits); a carry out of the significand raises the exponent; an exponent above
// 0x7ffe gives infinity, one below 1 the denormal rounded at its own precision.
[[gnu::always_inline]] inline extendido_software redondear_y_empaquetar(bool negativo,
                                                                        std::int32_t exponente,
                                                                        std::uint64_t significando,
                                                                        std::uint64_t resto) {
  if (static_cast<std::uint32_t>(exponente - 1) >= 0x7ffeU) {
    return redondear_fuera_de_rango(negativo, exponente, significando, resto);
  }
  significando += sube(significando, resto);
  if (significando == 0) {  // all ones rounded up: 2^64 is 2^63 one binade higher
    significando = bit_entero;
    if (++exponente == exponente_especial) {
      return infinito(negativo);
    }
  }
  return empaquetar(negativo, exponente, significando);
}

// ---- The exact part of each operation -----------------------------------------------------------
//
// The operands come as (exponente, significando) with bit 63 set and an unbounded exponent (a
// denormal is normalised, its exponent below 1); the caller has dealt with zeros, infinities and
// NaNs.

// |a| + |b| with the sign `negativo`.
[[gnu::always_inline]] inline extendido_software sumar_magnitudes(bool negativo, std::int32_t ea,
                                                                  std::uint64_t sa, std::int32_t eb,
                                                                  std::uint64_t sb) {
  if (ea < eb) {
    std::swap(ea, eb);
    std::swap(sa, sb);
  }
  // b aligned to a: the bits of b that fall below a's last bit go to resto, exactly while d < 64
  // and, from 64 on, as round and sticky bits. When the exact sum fits in 64 bits resto stays 0
  // and the rounding below adds nothing.
  const palabras_128 b = correr_pegajoso(sb, 0, ea - eb);
  std::uint64_t resto = b.bajo;
  std::uint64_t suma = sa + b.alto;
  if (suma < sa) {  // carry out of bit 63: one bit more, the last one goes to resto
    const palabras_128 corrida = correr_pegajoso(suma, resto, 1);
    suma = corrida.alto | bit_entero;
    resto = corrida.bajo;
    ++ea;
  }
  return redondear_y_empaquetar(negativo, ea, suma, resto);
}

// |a| - |b| with the sign `negativo` for a positive difference.
extendido_software restar_magnitudes(bool negativo, std::int32_t ea, std::uint64_t sa,
                                     std::int32_t eb, std::uint64_t sb);

// The 128-bit product of two 64-bit words (exacto/producto_64.hpp).
using ::multiplicar_64x64;
using ::multiplicar_64x64_portatil;

// |a| * |b| with the sign `negativo`. The product of two significands in [2^63, 2^64) lies in
// [2^126, 2^128): its high word has bit 63 or bit 62 set.
[[gnu::always_inline]] inline extendido_software multiplicar_magnitudes(
    bool negativo, std::int32_t ea, std::uint64_t sa, std::int32_t eb, std::uint64_t sb) {
  std::int32_t e = ea + eb - (sesgo - 1);
  // Significands of at most 32 bits (every float and int32, and their short exact sums): the
  // product has at most 64 bits, so it is exact in one 64-bit multiplication and needs no
  // rounding.
  constexpr std::uint64_t bajos_32 = 0xffffffffU;
  if (((sa | sb) & bajos_32) == 0) {
    std::uint64_t p = (sa >> 32) * (sb >> 32);
    if ((p & bit_entero) == 0) {
      p <<= 1;
      --e;
    }
    return redondear_y_empaquetar(negativo, e, p, 0);
  }
  palabras_128 p = multiplicar_64x64(sa, sb);
  if ((p.alto & bit_entero) == 0) {
    p.alto = (p.alto << 1) | (p.bajo >> 63);
    p.bajo <<= 1;
    --e;
  }
  return redondear_y_empaquetar(negativo, e, p.alto, p.bajo);
}

// ---- Dispatch -----------------------------------------------------------------------------------

// Finite and normal: exponente 1 .. 0x7ffe and bit 63 set. Two such operands take the inline
// paths; anything else goes to the general routines below.
[[gnu::always_inline]] inline bool es_normal(const extendido_software& x) {
  return static_cast<std::uint16_t>(x.exponente - 1U) < 0x7ffeU &&
         (x.significando & bit_entero) != 0;
}

// a + b, where b has the sign negativo_b (subtraction passes b's sign inverted), on any operands.
extendido_software sumar_con_signo_general(extendido_software a, extendido_software b,
                                           bool negativo_b);
extendido_software multiplicar_general(extendido_software a, extendido_software b);
extendido_software desde_float_general(std::uint32_t bits);
std::uint32_t a_float_general(extendido_software x);

// a + b exactly, for normal a and b whose significands end in `ceros` zero bits (so that each is
// an integer of 64 - ceros bits) and whose exponents are at most ceros - 2 apart: as integers in
// units of the lower one's last bit each is below 2^62, so their signed sum is exact in 64 bits,
// and normalising it loses nothing. No rounding, and no branch on the signs, which in a running
// sum of data are as good as random.
[[gnu::always_inline]] inline extendido_software sumar_exacta(const extendido_software& a,
                                                              const extendido_software& b,
                                                              bool negativo_b, int ceros) {
  const std::int32_t e = std::min<std::int32_t>(a.exponente, b.exponente);
  const auto ia = static_cast<std::int64_t>(a.significando >> ceros) << (a.exponente - e);
  const auto ib = static_cast<std::int64_t>(b.significando >> ceros) << (b.exponente - e);
  // Negations by mask, (x ^ -1) + 1, as the compilers would otherwise branch on the sign.
  const std::int64_t menos_a = -static_cast<std::int64_t>(a.negativo);
  const std::int64_t menos_b = -static_cast<std::int64_t>(negativo_b);
  const std::int64_t suma = ((ia ^ menos_a) - menos_a) + ((ib ^ menos_b) - menos_b);
  if (suma == 0) {
    return cero(signo_de_cancelacion);
  }
  const std::int64_t menos = suma >> 63;
  const auto magnitud = static_cast<std::uint64_t>((suma ^ menos) - menos);
  const int s = std::countl_zero(magnitud);
  return redondear_y_empaquetar(suma < 0, e + ceros - s, magnitud << s, 0);
}

[[gnu::always_inline]] inline extendido_software sumar_con_signo(const extendido_software& a,
                                                                 const extendido_software& b,
                                                                 bool negativo_b) {
  if (es_normal(a) && es_normal(b)) {
    const std::uint64_t bajos = a.significando | b.significando;
    const std::int32_t d = a.exponente - b.exponente;
    // Significands of at most 32 bits: every float and int32 (the running sum, a deviation).
    if ((bajos & 0xffffffffU) == 0 && d >= -30 && d <= 30) {
      return sumar_exacta(a, b, negativo_b, 32);
    }
    // Of at most 48 bits: every product of two floats (the vector product).
    if ((bajos & 0xffffU) == 0 && d >= -14 && d <= 14) {
      return sumar_exacta(a, b, negativo_b, 16);
    }
    if (a.negativo == negativo_b) {  // a running sum of squares
      return sumar_magnitudes(a.negativo, a.exponente, a.significando, b.exponente, b.significando);
    }
  }
  return sumar_con_signo_general(a, b, negativo_b);
}

// s / 2^c rounded to nearest, ties to even, for c >= 40 (so the quotient fits in 24 bits and a
// tie up can reach 2^24 at most).
[[gnu::always_inline]] constexpr std::uint32_t redondear_a_24_bits(std::uint64_t s,
                                                                   std::int32_t c) {
  const palabras_128 p = correr_pegajoso(s, 0, c);
  return static_cast<std::uint32_t>(p.alto + sube(p.alto, p.bajo));
}

}  // namespace extendido_interno

// A normal float: its 24-bit significand placed at the top; the value is exact.
[[gnu::always_inline]] inline extendido_software::extendido_software(float v) {
  namespace ei = extendido_interno;
  const auto bits = std::bit_cast<std::uint32_t>(v);
  const std::uint32_t e = (bits >> 23) & 0xffU;
  if (e - 1U < 254U) {
    significando = (std::uint64_t{bits & 0x7fffffU} | 0x800000U) << 40;
    exponente = static_cast<std::uint16_t>(static_cast<std::int32_t>(e) + ei::diferencia_sesgos);
    negativo = (bits >> 31) != 0;
  } else {
    *this = ei::desde_float_general(bits);
  }
}

// |v| fits in 32 bits; normalised, it is exact in 64.
inline extendido_software::extendido_software(std::int32_t v) {
  if (v != 0) {
    negativo = v < 0;
    std::uint64_t magnitud = static_cast<std::uint64_t>(v);
    if (negativo) {
      magnitud = 0 - magnitud;
    }
    const int s = std::countl_zero(magnitud);
    significando = magnitud << s;
    exponente = static_cast<std::uint16_t>(extendido_interno::sesgo + 63 - s);
  }
}

// A normal value in the range of normal floats: round 64 bits to 24 once; the carry of a round up
// runs into the exponent field, up to infinity from the largest binade.
[[gnu::always_inline]] inline extendido_software::operator float() const {
  namespace ei = extendido_interno;
  const std::int32_t e = static_cast<std::int32_t>(exponente) - ei::diferencia_sesgos;
  if (e >= 1 && e <= 254 && (significando & ei::bit_entero) != 0) {
    const std::uint32_t signo = static_cast<std::uint32_t>(negativo) << 31;
    const std::uint32_t magnitud =
        (static_cast<std::uint32_t>(e - 1) << 23) + ei::redondear_a_24_bits(significando, 40);
    return std::bit_cast<float>(signo | magnitud);
  }
  return std::bit_cast<float>(ei::a_float_general(*this));
}

[[gnu::always_inline]] inline extendido_software operator+(extendido_software a,
                                                           extendido_software b) {
  return extendido_interno::sumar_con_signo(a, b, b.negativo);
}

[[gnu::always_inline]] inline extendido_software operator-(extendido_software a,
                                                           extendido_software b) {
  return extendido_interno::sumar_con_signo(a, b, !b.negativo);
}

[[gnu::always_inline]] inline extendido_software operator*(extendido_software a,
                                                           extendido_software b) {
  namespace ei = extendido_interno;
  if (ei::es_normal(a) && ei::es_normal(b)) {
    return ei::multiplicar_magnitudes(a.negativo != b.negativo, a.exponente, a.significando,
                                      b.exponente, b.significando);
  }
  return ei::multiplicar_general(a, b);
}
