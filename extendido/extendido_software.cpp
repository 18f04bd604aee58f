// The software model of the x87 extended format (extendido_software.hpp). Every operation
// computes its exact result as a significand with the bits below it and ends in
// redondear_y_empaquetar, the one rounding to 64 bits; bits are aligned by one sticky shift
// (correr_pegajoso) and rounded by one rule (sube), which the rounding to float shares.

#include "extendido_software.hpp"

#include "pasos_fusionados.hpp"

#include <bit>
#include <cstdint>
#include <utility>

#include "producto_64.hpp"

namespace {

using namespace extendido_interno;

constexpr std::uint64_t bit_silencioso = std::uint64_t{1} << 62;  // set in a quiet NaN
// A float's biased exponent plus this is the biased exponent of the same power of two here.
constexpr std::int32_t diferencia_sesgos = sesgo - 127;

extendido_software empaquetar(bool negativo, std::int32_t exponente, std::uint64_t significando) {
  extendido_software x;
  x.significando = significando;
  x.exponente = static_cast<std::uint16_t>(exponente);
  x.negativo = negativo;
  return x;
}

// ---- The x87's conventions for special values -------------------------------------------------
//
// - An invalid operation (inf - inf, 0 * inf, 0 / 0, inf / inf) gives the default NaN below;
//   stored to float it becomes the float default NaN, negative and quiet.
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

extendido_software nan_por_defecto() {
  return empaquetar(true, exponente_especial, bit_entero | bit_silencioso);
}
extendido_software infinito(bool negativo) {
  return empaquetar(negativo, exponente_especial, bit_entero);
}
extendido_software cero(bool negativo) { return empaquetar(negativo, 0, 0); }

enum class clase { cero, finito, infinito, nan };

clase clasificar(const extendido_software& x) {
  if (x.exponente == 0) {
    return x.significando == 0 ? clase::cero : clase::finito;  // zero, or a denormal
  }
  if (x.exponente == exponente_especial) {
    return x.significando == bit_entero ? clase::infinito : clase::nan;
  }
  return clase::finito;
}

extendido_software silenciar(const extendido_software& x) {
  return empaquetar(x.negativo, exponente_especial, x.significando | bit_silencioso);
}

// One or both of a and b are NaN. A quiet NaN has bit 62 set and a signalling one not, so the
// larger significand is also the x87's preference of a quiet NaN over a signalling one.
extendido_software propagar_nan(const extendido_software& a, const extendido_software& b) {
  if (clasificar(b) != clase::nan) {
    return silenciar(a);
  }
  if (clasificar(a) != clase::nan) {
    return silenciar(b);
  }
  if (a.significando != b.significando) {
    return silenciar(a.significando > b.significando ? a : b);
  }
  return silenciar(a.negativo ? b : a);
}

// A finite nonzero value as an unbounded exponent and a significand with bit 63 set. A denormal
// has the value of exponente 1.
struct desempaquetado {
  std::int32_t exponente;
  std::uint64_t significando;
};

desempaquetado desempaquetar(const extendido_software& x) {
  if (x.exponente != 0) {
    return {x.exponente, x.significando};
  }
  const int s = std::countl_zero(x.significando);
  return {1 - s, x.significando << s};
}

// ---- The two pieces of every rounding ----------------------------------------------------------

// The 128-bit number (alto, bajo) shifted right by n >= 0, with every bit shifted out of the
// bottom kept as a 1 in the last bit of bajo (sticky). The result is off the exact quotient by
// less than one unit of that last bit, and only where the bit is set, so a rounding that keeps
// alto and reads bajo as its round and sticky bits gives the exact value's rounding.
palabras_128 correr_pegajoso(std::uint64_t alto, std::uint64_t bajo, std::int32_t n) {
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
// lower bit something nonzero below that), rounds up, else 0.
std::uint64_t sube(std::uint64_t ultimo, std::uint64_t resto) {
  return (static_cast<std::uint64_t>(resto > bit_entero) |
          (static_cast<std::uint64_t>(resto == bit_entero) & ultimo)) &
         1U;
}

// The one rounding of every operation. Takes the exact result as
//   (-1)^negativo * (significando + resto / 2^64) * 2^(exponente - 16383 - 63)
// with bit 63 of significando set, where the high bit of resto is the half-unit (round) bit and
// any lower bit of resto stands for anything nonzero below it (sticky); exponente is unbounded.
// Rounds the significand to 64 bits, to nearest with ties to even (the x87 with precision
// control at 64 bits); a carry out of the significand raises the exponent; an exponent above
// 0x7ffe gives infinity (overflow, which rounding to nearest takes there), one below 1 the
// denormal, the exact significand shifted to that scale and rounded once at the reduced
// precision: a round up to 2^63 is the smallest normal number, and zero keeps the sign.
extendido_software redondear_y_empaquetar(bool negativo, std::int32_t exponente,
                                          std::uint64_t significando, std::uint64_t resto) {
  if (exponente >= exponente_especial) {
    return infinito(negativo);
  }
  if (exponente < 1) {
    const palabras_128 p = correr_pegajoso(significando, resto, 1 - exponente);
    const std::uint64_t redondeado = p.alto + sube(p.alto, p.bajo);  // p.alto < 2^63: no carry
    return empaquetar(negativo, (redondeado & bit_entero) != 0 ? 1 : 0, redondeado);
  }
  significando += sube(significando, resto);
  if (significando == 0) {  // all ones rounded up: 2^64 is 2^63 one binade higher
    return ++exponente == exponente_especial ? infinito(negativo)
                                             : empaquetar(negativo, exponente, bit_entero);
  }
  return empaquetar(negativo, exponente, significando);
}

// s / 2^c rounded to nearest, ties to even, for c >= 40 (so the quotient fits in 24 bits and a
// tie up can reach 2^24 at most).
std::uint32_t redondear_a_24_bits(std::uint64_t s, std::int32_t c) {
  const palabras_128 p = correr_pegajoso(s, 0, c);
  return static_cast<std::uint32_t>(p.alto + sube(p.alto, p.bajo));
}

// ---- The exact part of each operation ---------------------------------------------------------
//
// The operands come unpacked (a denormal normalised, its exponent below 1); the caller has dealt
// with zeros, infinities and NaNs.

// |a| + |b| with the sign `negativo`.
extendido_software sumar_magnitudes(bool negativo, desempaquetado a, desempaquetado b) {
  if (a.exponente < b.exponente) {
    std::swap(a, b);
  }
  // b aligned to a: the bits of b that fall below a's last bit go to resto, exactly while they
  // are fewer than 64 and, from 64 on, as round and sticky bits.
  const palabras_128 corrido = correr_pegajoso(b.significando, 0, a.exponente - b.exponente);
  std::uint64_t resto = corrido.bajo;
  std::uint64_t suma = a.significando + corrido.alto;
  if (suma < a.significando) {  // carry out of bit 63: one bit more, the last one goes to resto
    const palabras_128 p = correr_pegajoso(suma, resto, 1);
    suma = p.alto | bit_entero;
    resto = p.bajo;
    ++a.exponente;
  }
  return redondear_y_empaquetar(negativo, a.exponente, suma, resto);
}

// |a| - |b| with the sign `negativo` for a positive difference.
extendido_software restar_magnitudes(bool negativo, desempaquetado a, desempaquetado b) {
  if (a.exponente < b.exponente ||
      (a.exponente == b.exponente && a.significando < b.significando)) {
    std::swap(a, b);
    negativo = !negativo;
  }
  if (a.exponente == b.exponente && a.significando == b.significando) {
    return cero(false);  // x + (-x) is +0
  }
  // The difference as 128 bits (alto:bajo, bajo in units of 2^-64 of a's last bit). b shifted
  // right by d loses nothing while d <= 64; beyond, the bits it loses are kept as a sticky 1 in
  // the last bit of bajo: the difference then lies strictly between the same two even numbers of
  // those units as the exact one, far below the round bit even after the normalising shift,
  // which is of one bit at most for d >= 2. When d <= 1 the cancellation can be deep, but then
  // bajo holds at most its high bit and every shift is exact.
  const palabras_128 corrido = correr_pegajoso(b.significando, 0, a.exponente - b.exponente);
  std::uint64_t alto = a.significando - corrido.alto - (corrido.bajo != 0 ? 1U : 0U);
  std::uint64_t bajo = 0 - corrido.bajo;
  std::int32_t e = a.exponente;
  if (alto == 0) {  // only when d == 1
    alto = bajo;
    bajo = 0;
    e -= 64;
  }
  if (const int s = std::countl_zero(alto); s != 0) {
    alto = (alto << s) | (bajo >> (64 - s));
    bajo <<= s;
    e -= s;
  }
  return redondear_y_empaquetar(negativo, e, alto, bajo);
}

// |a| * |b| with the sign `negativo`. The product of two significands in [2^63, 2^64) lies in
// [2^126, 2^128): its high word has bit 63 or bit 62 set.
extendido_software multiplicar_magnitudes(bool negativo, desempaquetado a, desempaquetado b) {
  std::int32_t e = a.exponente + b.exponente - (sesgo - 1);
  palabras_128 p = multiplicar_64x64(a.significando, b.significando);
  if ((p.alto & bit_entero) == 0) {
    p.alto = (p.alto << 1) | (p.bajo >> 63);
    p.bajo <<= 1;
    --e;
  }
  return redondear_y_empaquetar(negativo, e, p.alto, p.bajo);
}

// |a| / |b| with the sign `negativo`: 64 quotient bits by restoring division (one per step;
// division is rare in the programs), and the remainder compared with half the divisor for resto.
extendido_software dividir_magnitudes(bool negativo, desempaquetado a, desempaquetado b) {
  // a / b in [1/2, 2): with a >= b the quotient's first bit is the unit, else the half.
  std::int32_t e = a.exponente - b.exponente + sesgo - 1;
  std::uint64_t cociente = 0;
  std::uint64_t resto_division = a.significando;
  int pasos = 64;
  if (a.significando >= b.significando) {
    cociente = 1;
    resto_division -= b.significando;
    pasos = 63;
    ++e;
  }
  for (int i = 0; i < pasos; ++i) {
    // resto_division < divisor < 2^64; doubled it may need 65 bits, and then exceeds the divisor.
    const bool acarreo = (resto_division & bit_entero) != 0;
    resto_division <<= 1;
    cociente <<= 1;
    if (acarreo || resto_division >= b.significando) {
      resto_division -= b.significando;
      cociente |= 1U;
    }
  }
  std::uint64_t resto = 0;
  if (resto_division != 0) {
    const bool mas_de_la_mitad =
        (resto_division & bit_entero) != 0 || (resto_division << 1) > b.significando;
    const bool mitad = (resto_division << 1) == b.significando;
    resto = mas_de_la_mitad ? bit_entero | 1U : (mitad ? bit_entero : 1U);
  }
  return redondear_y_empaquetar(negativo, e, cociente, resto);
}

// a + b, where b has the sign negativo_b (subtraction passes b's sign inverted).
extendido_software sumar_con_signo(const extendido_software& a, const extendido_software& b,
                                   bool negativo_b) {
  const clase ca = clasificar(a);
  const clase cb = clasificar(b);
  if (ca == clase::nan || cb == clase::nan) {
    return propagar_nan(a, b);
  }
  if (ca == clase::infinito) {
    const bool opuestos = cb == clase::infinito && a.negativo != negativo_b;
    return opuestos ? nan_por_defecto() : infinito(a.negativo);
  }
  if (cb == clase::infinito) {
    return infinito(negativo_b);
  }
  if (ca == clase::cero) {
    return cb == clase::cero ? cero(a.negativo && negativo_b)
                             : empaquetar(negativo_b, b.exponente, b.significando);
  }
  if (cb == clase::cero) {
    return a;
  }
  return a.negativo == negativo_b
             ? sumar_magnitudes(a.negativo, desempaquetar(a), desempaquetar(b))
             : restar_magnitudes(a.negativo, desempaquetar(a), desempaquetar(b));
}

}  // namespace

extendido_software::extendido_software(float v) {
  const auto bits = std::bit_cast<std::uint32_t>(v);
  negativo = (bits >> 31) != 0;
  const std::uint32_t e = (bits >> 23) & 0xffU;
  const std::uint64_t fraccion = bits & 0x7fffffU;
  if (e == 0xffU) {
    // A NaN loads quieted, with its sign and payload.
    *this = fraccion == 0 ? infinito(negativo)
                          : empaquetar(negativo, exponente_especial,
                                       bit_entero | bit_silencioso | (fraccion << 40));
  } else if (e != 0) {
    significando = (fraccion | 0x800000U) << 40;
    exponente = static_cast<std::uint16_t>(static_cast<std::int32_t>(e) + diferencia_sesgos);
  } else if (fraccion != 0) {  // a subnormal float, fraccion * 2^-149: normalised, exact
    const int s = std::countl_zero(fraccion);
    *this = empaquetar(negativo, sesgo - 149 + 63 - s, fraccion << s);
  }
}

// |v| fits in 32 bits; normalised, it is exact in 64.
extendido_software::extendido_software(std::int32_t v) {
  if (v != 0) {
    negativo = v < 0;
    auto magnitud = static_cast<std::uint64_t>(v);
    if (negativo) {
      magnitud = 0 - magnitud;
    }
    const int s = std::countl_zero(magnitud);
    significando = magnitud << s;
    exponente = static_cast<std::uint16_t>(sesgo + 63 - s);
  }
}

// Round 64 bits to 24 once; the carry of a round up runs into the exponent field, up to infinity
// from the largest binade. A float subnormal, in units of 2^-149, has fewer bits, rounded once; a
// round up to 2^23 is the smallest normal float, encoded by the same bits.
extendido_software::operator float() const {
  const std::uint32_t signo = negativo ? 0x80000000U : 0U;
  std::uint32_t bits = signo;
  switch (clasificar(*this)) {
    case clase::nan:
      bits |= 0x7fc00000U | (static_cast<std::uint32_t>(significando >> 40) & 0x3fffffU);
      break;
    case clase::infinito:
      bits |= 0x7f800000U;
      break;
    case clase::cero:
      break;
    case clase::finito: {
      const desempaquetado u = desempaquetar(*this);
      const std::int32_t e = u.exponente - diferencia_sesgos;  // the float's biased exponent
      if (e >= 255) {
        bits |= 0x7f800000U;
      } else if (e >= 1) {
        bits |= (static_cast<std::uint32_t>(e - 1) << 23) + redondear_a_24_bits(u.significando, 40);
      } else {
        bits |= redondear_a_24_bits(u.significando, 41 - e);
      }
    }
  }
  return std::bit_cast<float>(bits);
}

extendido_software operator+(extendido_software a, extendido_software b) {
  return sumar_con_signo(a, b, b.negativo);
}

extendido_software operator-(extendido_software a, extendido_software b) {
  return sumar_con_signo(a, b, !b.negativo);
}

extendido_software operator*(extendido_software a, extendido_software b) {
  const clase ca = clasificar(a);
  const clase cb = clasificar(b);
  const bool negativo = a.negativo != b.negativo;
  if (ca == clase::nan || cb == clase::nan) {
    return propagar_nan(a, b);
  }
  if (ca == clase::infinito || cb == clase::infinito) {
    return ca == clase::cero || cb == clase::cero ? nan_por_defecto() : infinito(negativo);
  }
  if (ca == clase::cero || cb == clase::cero) {
    return cero(negativo);
  }
  return multiplicar_magnitudes(negativo, desempaquetar(a), desempaquetar(b));
}

extendido_software operator/(extendido_software a, extendido_software b) {
  const clase ca = clasificar(a);
  const clase cb = clasificar(b);
  const bool negativo = a.negativo != b.negativo;
  if (ca == clase::nan || cb == clase::nan) {
    return propagar_nan(a, b);
  }
  if (ca == clase::infinito) {
    return cb == clase::infinito ? nan_por_defecto() : infinito(negativo);
  }
  if (cb == clase::infinito) {
    return cero(negativo);
  }
  if (cb == clase::cero) {
    return ca == clase::cero ? nan_por_defecto() : infinito(negativo);
  }
  if (ca == clase::cero) {
    return cero(negativo);
  }
  return dividir_magnitudes(negativo, desempaquetar(a), desempaquetar(b));
}

// The fused steps of pasos_fusionados.hpp where their shortcuts do not apply: the expressions
// themselves, here beside the operations, which the compiler can then inline into them.
namespace extendido_interno {

float suma_de_floats_general(float a, float b) {
  return static_cast<float>(extendido_software(a) + extendido_software(b));
}

float cuadrado_mas_general(float v, float m, float acumulado) {
  const extendido_software d = extendido_software(v) - extendido_software(m);
  return static_cast<float>(d * d + extendido_software(acumulado));
}

}  // namespace extendido_interno
