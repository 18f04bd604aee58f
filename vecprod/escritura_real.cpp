#include "escritura_real.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

constexpr std::array<std::uint64_t, 10> potencias_de_10 = {
    1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};

// valor * 10^s for 1e-4 <= valor < 1e6 and 0 <= s <= 9, split exactly into its integer part and
// whether rounding to the nearest integer, ties to even, goes up. Such a float is m * 2^e with
// m < 2^24 and -37 <= e <= -4, so the product is the fraction m * 10^s / 2^-e, whose numerator
// fits in 64 bits.
struct escalado {
  std::uint64_t entero;
  bool sube;
};
escalado escalar(float valor, int s) {
  const auto bits = std::bit_cast<std::uint32_t>(valor);
  const std::uint64_t m = (bits & 0x7fffffU) | 0x800000U;
  const int e = static_cast<int>((bits >> 23) & 0xffU) - 150;
  const std::uint64_t numerador = m * potencias_de_10[static_cast<std::size_t>(s)];
  const int desplazamiento = -e;
  const std::uint64_t entero = numerador >> desplazamiento;
  const std::uint64_t resto = numerador & ((std::uint64_t{1} << desplazamiento) - 1);
  const std::uint64_t mitad = std::uint64_t{1} << (desplazamiento - 1);
  return {entero, resto > mitad || (resto == mitad && (entero & 1U) != 0)};
}

// 10^-5 .. 10^6; index i holds 10^(i - 5). From 10^0 on they are exact; the others are the
// nearest doubles. A float between such a double and the true power would get the wrong X, and
// then an integer part of five or seven digits, which escribir_real checks for.
constexpr std::array<double, 12> potencias_double = {1e-5, 1e-4, 1e-3, 1e-2, 1e-1, 1e0,
                                                     1e1,  1e2,  1e3,  1e4,  1e5,  1e6};

// "00", "01", ..., "99".
constexpr std::array<char, 200> pares = [] {
  std::array<char, 200> t{};
  for (std::size_t i = 0; i < 100; ++i) {
    t[2 * i] = static_cast<char>('0' + i / 10);
    t[2 * i + 1] = static_cast<char>('0' + i % 10);
  }
  return t;
}();

char* escribir_con_to_chars(char* destino, float valor) {
  return std::to_chars(destino, destino + largo_real_maximo, valor, std::chars_format::general, 6)
      .ptr;
}

}  // namespace

char* escribir_real(char* destino, float valor) {
  // The general format writes |valor| in fixed notation when its decimal exponent X, after
  // rounding to six digits, lies in [-4, 5]: the range of most series, written here from the
  // exact rounding of the binary value. Everything else (zero, exponent form, infinity, NaN,
  // subnormals) is left to std::to_chars, which is exact too but slower.
  const float magnitud = std::fabs(valor);
  if (!(magnitud >= 1e-4F && magnitud < 1e6F)) {
    return escribir_con_to_chars(destino, valor);
  }
  // The decimal exponent of 2^e2 (log10(2) ~ 78913 / 2^18) is X or X - 1; one comparison with
  // the next power of ten decides. Then with s = 5 - X the integer part of |valor| * 10^s has six
  // digits (if a comparison ever misjudged, the check below hands the value to to_chars).
  const int e2 = static_cast<int>((std::bit_cast<std::uint32_t>(magnitud) >> 23) & 0xffU) - 127;
  int x = (e2 * 78913) >> 18;
  if (static_cast<double>(magnitud) >= potencias_double[static_cast<std::size_t>(x + 6)]) {
    ++x;
  }
  const escalado r = escalar(magnitud, 5 - x);
  if (r.entero < 100000 || r.entero > 999999) {
    return escribir_con_to_chars(destino, valor);
  }
  auto digitos = static_cast<std::uint32_t>(r.entero) + (r.sube ? 1U : 0U);
  if (digitos == 1000000) {  // 999999.5 * 10^(X-5) and the like round up to the next power of 10
    digitos = 100000;
    if (++x > 5) {
      return escribir_con_to_chars(destino, valor);
    }
  }

  // The six digits, two at a time from a table, and how many remain once trailing zeros go (the
  // first digit is never 0). The texts are copied in pieces of fixed size, which may run past
  // the end of the number; the caller's room of largo_real_maximo covers the longest such piece.
  std::array<char, 16> cifras{};
  const std::uint32_t alto = digitos / 10000;
  const std::uint32_t resto = digitos % 10000;
  std::memcpy(cifras.data(), pares.data() + 2 * alto, 2);
  std::memcpy(cifras.data() + 2, pares.data() + 2 * (resto / 100), 2);
  std::memcpy(cifras.data() + 4, pares.data() + 2 * (resto % 100), 2);
  int significativas = 6;
  for (std::uint32_t t = digitos; t % 10 == 0; t /= 10) {
    --significativas;
  }

  char* p = destino;
  *p = '-';
  p += std::signbit(valor) ? 1 : 0;
  if (x >= 0) {
    const int enteras = x + 1;
    std::memcpy(p, cifras.data(), 8);
    if (significativas > enteras) {
      p[enteras] = '.';
      std::memcpy(p + enteras + 1, cifras.data() + enteras, 8);
      return p + significativas + 1;
    }
    return p + enteras;
  }
  std::memcpy(p, "0.000", 5);  // "0." and the -X - 1 zeros after the point
  p += 1 - x;
  std::memcpy(p, cifras.data(), 8);
  return p + significativas;
}
