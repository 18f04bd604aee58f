#include "flotante.hpp"

#include <bit>
#include <cmath>

std::pair<natural, std::int32_t> binario(float f) {
  const auto bits = std::bit_cast<std::uint32_t>(f);
  const auto campo = static_cast<std::int32_t>((bits >> 23) & 0xffU);
  std::uint32_t m = bits & 0x7fffffU;
  if (campo != 0) {
    m |= 0x800000U;
  }
  return {natural(m), (campo == 0 ? 1 : campo) - 150};
}

natural por_dos(const natural& a, std::int64_t k) {
  return k > 0 ? a.por_dos_a(static_cast<std::size_t>(k)) : a;
}

natural por_diez(const natural& a, std::int64_t k) {
  return k > 0 ? a.por_diez_a(static_cast<std::size_t>(k)) : a;
}

bool se_aparta(float impreso, const decimal_exacto& verdadero) {
  if (!std::isfinite(impreso)) {
    return true;
  }
  // c = +-F 2^g and t = N 10^f in the unit 2^-max(-g, 0) 10^-max(-f, 0): then
  // |c - t| > |t| / 1000 means 1000 |C - T| > |T|, which also holds for c = 0 with t nonzero and
  // for c nonzero with t = 0.
  const auto [f, g] = binario(impreso);
  const std::int64_t e = verdadero.exponente;
  const entero c(std::signbit(impreso), por_diez(por_dos(f, g), -e));
  const entero t(verdadero.cifras.negativo,
                 por_diez(por_dos(verdadero.cifras.magnitud, -std::int64_t{g}), e));
  return (c - t).magnitud.por(1000) > t.magnitud;
}
