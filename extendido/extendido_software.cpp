// The out-of-line part of the software model of the x87 extended format: the subtraction of
// magnitudes, special operands, results out of the normal range, division, and the rare
// conversions. The common cases and the rounding routine itself are inline in
// extendido_software.hpp.

#include "extendido_software.hpp"

#include <bit>
#include <cstdint>
#include <optional>
#include <utility>

namespace extendido_interno {

namespace {

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

// The prelude of every operation on two operands: their classes, and the result when either is a
// NaN (the one that propagar_nan chooses).
struct operandos_clasificados {
  clase a;
  clase b;
  std::optional<extendido_software> nan;
};

operandos_clasificados clasificar_operandos(const extendido_software& a,
                                            const extendido_software& b) {
  const clase ca = clasificar(a);
  const clase cb = clasificar(b);
  if (ca == clase::nan || cb == clase::nan) {
    return {ca, cb, propagar_nan(a, b)};
  }
  return {ca, cb, std::nullopt};
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

// x with the sign `negativo`.
extendido_software con_signo(const extendido_software& x, bool negativo) {
  return empaquetar(negativo, x.exponente, x.significando);
}

extendido_software silenciar(const extendido_software& x) {
  return empaquetar(x.negativo, exponente_especial, x.significando | bit_silencioso);
}

// |a| / |b| with the sign `negativo`: 64 quotient bits by restoring division (at most one per
// step; division is rare in the programs), and the remainder compared with half the divisor
// for resto.
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
    if (mas_de_la_mitad) {
      resto = bit_entero | 1U;
    } else {
      resto = (resto_division << 1) == b.significando ? bit_entero : 1U;
    }
  }
  return redondear_y_empaquetar(negativo, e, cociente, resto);
}

}  // namespace

// ---- The x87's choice among NaN operands ------------------------------------------------------

extendido_software propagar_nan(const extendido_software& a, const extendido_software& b) {
  if (clasificar(b) != clase::nan) {
    return silenciar(a);
  }
  if (clasificar(a) != clase::nan) {
    return silenciar(b);
  }
  // A quiet NaN has bit 62 set and a signalling one not, so the larger significand is also the
  // x87's preference of a quiet NaN over a signalling one.
  if (a.significando != b.significando) {
    return silenciar(a.significando > b.significando ? a : b);
  }
  return silenciar(a.negativo ? b : a);
}

// ---- Rounding out of range ----------------------------------------------------------------------

extendido_software redondear_fuera_de_rango(bool negativo, std::int32_t exponente,
                                            std::uint64_t significando, std::uint64_t resto) {
  if (exponente > 0) {  // 2^16384 or more: overflow, which rounding to nearest takes to infinity
    return infinito(negativo);
  }
  // Below the normal range: the denormal, value significando * 2^(1 - 16383 - 63). The exact
  // significand shifted right to that scale, then rounded once at the reduced precision; a round
  // up to 2^63 is the smallest normal number, and zero keeps the sign.
  const palabras_128 p = correr_pegajoso(significando, resto, 1 - exponente);
  const std::uint64_t redondeado = p.alto + sube(p.alto, p.bajo);  // p.alto < 2^63: no carry out
  return empaquetar(negativo, (redondeado & bit_entero) != 0 ? 1 : 0, redondeado);
}

// ---- Addition and subtraction of magnitudes ---------------------------------------------------

extendido_software restar_magnitudes(bool negativo, std::int32_t ea, std::uint64_t sa,
                                     std::int32_t eb, std::uint64_t sb) {
  if (ea < eb || (ea == eb && sa < sb)) {
    std::swap(ea, eb);
    std::swap(sa, sb);
    negativo = !negativo;
  }
  const std::int32_t d = ea - eb;
  if (d == 0) {  // the difference of two 64-bit integers is exact; normalising it loses nothing
    if (sa == sb) {
      return cero(signo_de_cancelacion);
    }
    const std::uint64_t diferencia = sa - sb;
    const int s = std::countl_zero(diferencia);
    return redondear_y_empaquetar(negativo, ea - s, diferencia << s, 0);
  }
  // The difference as 128 bits (alto:bajo, bajo in units of 2^-64 of a's last bit). b shifted
  // right by d loses nothing while d <= 64; beyond, the bits it loses are kept as a sticky 1 in
  // the last bit of bajo: the difference then lies strictly between the same two even numbers of
  // those units as the exact one, far below the round bit even after the normalising shift,
  // which is of one bit at most for d >= 2. When d == 1 the cancellation can be deep, but then
  // bajo holds at most its high bit and every shift is exact.
  const palabras_128 b = correr_pegajoso(sb, 0, d);
  std::uint64_t alto = sa - b.alto - (b.bajo != 0 ? 1U : 0U);
  std::uint64_t bajo = 0 - b.bajo;
  if (alto == 0) {  // only when d == 1
    alto = bajo;
    bajo = 0;
    ea -= 64;
  }
  const int s = std::countl_zero(alto);
  if (s != 0) {
    alto = (alto << s) | (bajo >> (64 - s));
    bajo <<= s;
    ea -= s;
  }
  return redondear_y_empaquetar(negativo, ea, alto, bajo);
}

// ---- The operations on any operands ----------------------------------------------------------

extendido_software sumar_con_signo_general(extendido_software a, extendido_software b,
                                           bool negativo_b) {
  if (es_normal(a) && es_normal(b)) {
    return a.negativo == negativo_b ? sumar_magnitudes(a.negativo, a.exponente, a.significando,
                                                       b.exponente, b.significando)
                                    : restar_magnitudes(a.negativo, a.exponente, a.significando,
                                                        b.exponente, b.significando);
  }
  const operandos_clasificados operandos = clasificar_operandos(a, b);
  if (operandos.nan) {
    return *operandos.nan;
  }
  const clase ca = operandos.a;
  const clase cb = operandos.b;
  if (ca == clase::infinito) {
    const bool opuestos = cb == clase::infinito && a.negativo != negativo_b;
    return opuestos ? nan_por_defecto() : infinito(a.negativo);
  }
  if (cb == clase::infinito) {
    return infinito(negativo_b);
  }
  if (ca == clase::cero) {
    return cb == clase::cero ? cero(signo_suma_de_ceros(a.negativo, negativo_b))
                             : con_signo(b, negativo_b);
  }
  if (cb == clase::cero) {
    return a;
  }
  const desempaquetado ua = desempaquetar(a);
  const desempaquetado ub = desempaquetar(b);
  if (a.negativo == negativo_b) {
    return sumar_magnitudes(a.negativo, ua.exponente, ua.significando, ub.exponente,
                            ub.significando);
  }
  return restar_magnitudes(a.negativo, ua.exponente, ua.significando, ub.exponente,
                           ub.significando);
}

extendido_software multiplicar_general(extendido_software a, extendido_software b) {
  const operandos_clasificados operandos = clasificar_operandos(a, b);
  if (operandos.nan) {
    return *operandos.nan;
  }
  const clase ca = operandos.a;
  const clase cb = operandos.b;
  const bool negativo = a.negativo != b.negativo;
  if (ca == clase::infinito || cb == clase::infinito) {
    return ca == clase::cero || cb == clase::cero ? nan_por_defecto() : infinito(negativo);
  }
  if (ca == clase::cero || cb == clase::cero) {
    return cero(negativo);
  }
  const desempaquetado ua = desempaquetar(a);
  const desempaquetado ub = desempaquetar(b);
  return multiplicar_magnitudes(negativo, ua.exponente, ua.significando, ub.exponente,
                                ub.significando);
}

// ---- Conversions --------------------------------------------------------------------------------

extendido_software desde_float_general(std::uint32_t bits) {
  const bool negativo = (bits >> 31) != 0;
  const std::uint32_t e = (bits >> 23) & 0xffU;
  const std::uint32_t fraccion = bits & 0x7fffffU;
  if (e == 0xffU) {
    return fraccion == 0 ? infinito(negativo) : nan_desde_float(negativo, fraccion);
  }
  if (fraccion == 0) {
    return cero(negativo);
  }
  // A subnormal float, fraccion * 2^-149: normalised, exact.
  const int s = std::countl_zero(std::uint64_t{fraccion});
  return empaquetar(negativo, sesgo - 149 + 63 - s, std::uint64_t{fraccion} << s);
}

std::uint32_t a_float_general(extendido_software x) {
  const std::uint32_t signo = x.negativo ? 0x80000000U : 0U;
  switch (clasificar(x)) {
    case clase::nan:
      return nan_a_float(x);
    case clase::infinito:
      return signo | 0x7f800000U;
    case clase::cero:
      return signo;
    case clase::finito:
      break;
  }
  const desempaquetado u = desempaquetar(x);
  const std::int32_t e = u.exponente - diferencia_sesgos;  // the float's biased exponent
  if (e >= 255) {
    return signo | 0x7f800000U;
  }
  if (e >= 1) {
    return signo |
           ((static_cast<std::uint32_t>(e - 1) << 23) + redondear_a_24_bits(u.significando, 40));
  }
  // A float subnormal, in units of 2^-149: fewer bits, rounded once; a round up to 2^23 is the
  // smallest normal float, encoded by the same bits.
  return signo | redondear_a_24_bits(u.significando, 41 - e);
}

}  // namespace extendido_interno

extendido_software operator/(extendido_software a, extendido_software b) {
  namespace ei = extendido_interno;
  const ei::operandos_clasificados operandos = ei::clasificar_operandos(a, b);
  if (operandos.nan) {
    return *operandos.nan;
  }
  const ei::clase ca = operandos.a;
  const ei::clase cb = operandos.b;
  const bool negativo = a.negativo != b.negativo;
  if (ca == ei::clase::infinito) {
    return cb == ei::clase::infinito ? ei::nan_por_defecto() : ei::infinito(negativo);
  }
  if (cb == ei::clase::infinito) {
    return ei::cero(negativo);
  }
  if (cb == ei::clase::cero) {
    return ca == ei::clase::cero ? ei::nan_por_defecto() : ei::infinito(negativo);
  }
  if (ca == ei::clase::cero) {
    return ei::cero(negativo);
  }
  return ei::dividir_magnitudes(negativo, ei::desempaquetar(a), ei::desempaquetar(b));
}
