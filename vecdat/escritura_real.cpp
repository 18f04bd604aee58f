#include "escritura_real.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "flotante.hpp"
#include "redondeo.hpp"

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

// Two digits as they lie in memory.
std::uint64_t par(std::uint32_t n) {
  std::uint16_t dos = 0;
  std::memcpy(&dos, pares.data() + 2 * static_cast<std::size_t>(n), 2);
  return dos;
}

// Three pairs of digits as a word whose bytes in memory are the six digits in order (two zero
// bytes after them).
std::uint64_t en_orden(std::uint64_t a, std::uint64_t b, std::uint64_t c) {
  if constexpr (std::endian::native == std::endian::little) {
    return a | (b << 16) | (c << 32);
  } else {
    return (a << 48) | (b << 32) | (c << 16);
  }
}

// The word with its first k bytes in memory dropped and the rest moved to the front.
std::uint64_t saltar_bytes(std::uint64_t w, int k) {
  if constexpr (std::endian::native == std::endian::little) {
    return w >> (8 * k);
  } else {
    return w << (8 * k);
  }
}

// Writes |valor| with its sign through the exact route: its exact binary value's digits, rounded
// once to six and laid out as %g lays them out; infinities, NaNs and zeros by name.
char* escribir_exacto(char* destino, float valor) {
  char* p = destino;
  *p = '-';
  p += std::signbit(valor) ? 1 : 0;
  const auto nombre = [&p](std::string_view texto) {
    return std::copy(texto.begin(), texto.end(), p);
  };
  if (std::isinf(valor)) {
    return nombre("inf");
  }
  if (std::isnan(valor)) {
    return nombre("nan");
  }
  if (valor == 0.0F) {
    return nombre("0");
  }
  const auto [m, e] = binario(valor);
  cifras_decimales d = cifras_de_binario(m, e);
  redondear(d, 6);
  return disponer(p, d.cifras.data(), d.cifras.size(), d.exponente10, 6);
}

// Writes the six digits `digitos` (100000 .. 999999) of a value whose decimal exponent is x, in
// fixed notation, as the general format does for -4 <= x <= 5. `significativas` is how many of
// them remain once trailing zeros go (the first digit is never 0). This is disponer's layout
// (exacto/redondeo.hpp) for the one case that nearly every echoed value takes, written for
// speed: bench/run's ten million values take 0.306 s of CPU with it and 0.372 s with the digits
// handed to disponer (the g++ bench build, best of five runs of bench/measure).
char* escribir_cifras(char* destino, bool negativo, std::uint32_t digitos, int x,
                      int significativas) {
  // The six digits, two at a time from a table, gathered in a 64-bit word in memory order (kept
  // in a register: written piecewise to memory and read back whole, they would stall the load).
  // The texts are copied in pieces of 8 bytes, which may run past the end of the number; the
  // caller's room of largo_real_maximo covers the longest such piece.
  const std::uint32_t resto = digitos % 10000;
  const std::uint64_t cifras = en_orden(par(digitos / 10000), par(resto / 100), par(resto % 100));

  char* p = destino;
  *p = '-';
  p += negativo ? 1 : 0;
  if (x >= 0) {
    const int enteras = x + 1;
    std::memcpy(p, &cifras, 8);
    if (significativas > enteras) {
      p[enteras] = '.';
      const std::uint64_t decimales = saltar_bytes(cifras, enteras);
      std::memcpy(p + enteras + 1, &decimales, 8);
      return p + significativas + 1;
    }
    return p + enteras;
  }
  constexpr std::array<char, 5> cero_punto = {'0', '.', '0', '0', '0'};
  std::memcpy(p, cero_punto.data(), cero_punto.size());  // "0." and the -X - 1 zeros after it
  p += 1 - x;
  std::memcpy(p, &cifras, 8);
  return p + significativas;
}

}  // namespace

char* escribir_real(char* destino, float valor) {
  // The general format writes |valor| in fixed notation when its decimal exponent X, after
  // rounding to six digits, lies in [-4, 5]: the range of most series, written here from the
  // exact rounding of the binary value. Everything else (zero, exponent form, infinity, NaN,
  // subnormals) takes the exact route, slower but rare in data.
  const float magnitud = std::fabs(valor);
  if (!(magnitud >= 1e-4F && magnitud < 1e6F)) {
    return escribir_exacto(destino, valor);
  }
  // The decimal exponent of 2^e2 (log10(2) ~ 78913 / 2^18) is X or X - 1; one comparison with
  // the next power of ten decides. Then with s = 5 - X the integer part of |valor| * 10^s has six
  // digits (if a comparison ever misjudged, the check below hands the value to the exact route).
  const int e2 = static_cast<int>((std::bit_cast<std::uint32_t>(magnitud) >> 23) & 0xffU) - 127;
  int x = (e2 * 78913) >> 18;
  const int siguiente = x + 6;  // the index of 10^(x + 1)
  if (static_cast<double>(magnitud) >= potencias_double[static_cast<std::size_t>(siguiente)]) {
    ++x;
  }
  if (x < -4) {
    // Only 1e-4F itself, 9.99999975e-05: below 10^-4, yet six digits round it to 0.0001.
    return escribir_exacto(destino, valor);
  }
  const escalado r = escalar(magnitud, 5 - x);
  if (r.entero < 100000 || r.entero > 999999) {
    return escribir_exacto(destino, valor);
  }
  auto digitos = static_cast<std::uint32_t>(r.entero) + (r.sube ? 1U : 0U);
  if (digitos == 1000000) {  // 999999.5 * 10^(X-5) and the like round up to the next power of 10
    digitos = 100000;
    if (++x > 5) {
      return escribir_exacto(destino, valor);
    }
  }

  int significativas = 6;
  for (std::uint32_t t = digitos; t % 10 == 0; t /= 10) {
    --significativas;
  }
  return escribir_cifras(destino, std::signbit(valor), digitos, x, significativas);
}

char* escribir_decimal(char* destino, float valor, std::uint64_t m, std::int32_t exponente) {
  // A decimal of at most six significant digits comes back unchanged from the float nearest to
  // it, rounded to six digits again (FLT_DIG is 6: 10^6 < 2^23), so the stream writes the
  // decimal's own digits: they are written from it, with no need to take the float apart. It
  // pays: bench/run's ten million values take 0.305 s of CPU so and 0.407 s with every value
  // written by escribir_real (the g++ bench build, best of five runs of bench/measure).
  if (m == 0) {
    return escribir_real(destino, valor);
  }
  while (m % 10 == 0) {
    m /= 10;
    ++exponente;
  }
  if (m >= 1000000) {
    return escribir_real(destino, valor);
  }
  // The digits of m, 1 to 6, counted by comparisons that do not depend on each other: a loop
  // over the powers would be a chain of compare and branch, one a digit.
  const int cifras = 1 + static_cast<int>(m >= 10) + static_cast<int>(m >= 100) +
                     static_cast<int>(m >= 1000) + static_cast<int>(m >= 10000) +
                     static_cast<int>(m >= 100000);
  // The exponent is that of a float's decimal, saturated at 10^+-100000: no overflow here.
  const std::int32_t x = cifras - 1 + exponente;
  if (x < -4 || x > 5) {
    return escribir_real(destino, valor);
  }
  // m has no trailing zero now, so all its digits are significant.
  const auto digitos =
      static_cast<std::uint32_t>(m * potencias_de_10[static_cast<std::size_t>(6 - cifras)]);
  return escribir_cifras(destino, std::signbit(valor), digitos, x, cifras);
}
