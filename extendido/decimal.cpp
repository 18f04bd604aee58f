// The decimal text of an extended value, as the stream writes a long double in its general
// notation (printf's %.*Lg in the "C" locale): the exact binary value rounded once to the
// requested number of significant digits, nearest with ties to even.
//
// Only integer arithmetic is used, so the text is the same on every target. A finite value
// m * 2^e goes through one of two exact routes that both yield its leading decimal digits, the
// decimal exponent of the first one, and whether any nonzero digit follows those produced:
//   - a short one for -128 <= e <= 0 (m taken with bit 63 set: magnitudes 2^-65 .. 2^64), which
//     holds every quotient of two nonzero 32-bit integers: |p / q| lies in [2^-31, 2^31], and so
//     does its rounding, so e lies in [-31 - 63, 31 - 63] = [-94, -32];
//   - a big-number one for every other value (up to about 11500 digits, some milliseconds, for
//     the smallest denormals), simple rather than fast.
// The one rounding routine of exact figures then applies the rule and lays out the text
// (exacto/redondeo.hpp). glibc rounds in the current rounding mode; the programs never change it
// from nearest, the only mode here.

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <ios>
#include <locale>
#include <ostream>
#include <string>

#include "extendido_software.hpp"
#include "natural.hpp"
#include "redondeo.hpp"

namespace {

constexpr std::uint64_t bit_entero = 0x8000000000000000U;
constexpr int sesgo = 16383;

// m * 2^e for -128 <= e <= 0, m > 0, digits until `cuantas` have been produced or the expansion
// ends. The integer part m >> -e fits in 64 bits. The fraction is held as a 128-bit integer F
// standing for F / 2^128 (all its bits fit, since -e <= 128), in four 32-bit pieces. Multiplying
// F by 10 gives the next digit as what passes above bit 127, and the rest stays whole in F: each
// digit is exact, nothing is ever dropped, and as each step moves the lowest set bit of F up by
// one, F is zero after at most -e digits, when the expansion has ended. resto is then exactly
// "F is not zero".
cifras_decimales cifras_cortas(std::uint64_t m, int e, int cuantas) {
  const int k = -e;
  cifras_decimales r;
  const std::uint64_t entero = k == 0 ? m : (k < 64 ? m >> k : 0);
  std::uint64_t alto = 0;  // F's bits 64..127
  std::uint64_t bajo = 0;  // F's bits 0..63
  if (k > 0 && k <= 64) {
    const std::uint64_t frac = k == 64 ? m : m & ((std::uint64_t{1} << k) - 1);
    alto = frac << (64 - k);
  } else if (k > 64) {
    const int t = 128 - k;
    alto = t == 0 ? 0 : m >> (64 - t);
    bajo = m << t;
  }
  std::array<std::uint64_t, 4> f = {bajo & 0xffffffffU, bajo >> 32, alto & 0xffffffffU, alto >> 32};
  if (entero != 0) {
    r.cifras = std::to_string(entero);
    r.exponente10 = static_cast<int>(r.cifras.size()) - 1;
  } else {
    r.exponente10 = -1;
  }
  const auto nulo = [&f] { return (f[0] | f[1] | f[2] | f[3]) == 0; };
  while (!nulo() && static_cast<int>(r.cifras.size()) < cuantas) {
    std::uint64_t acarreo = 0;
    for (auto& pieza : f) {
      const std::uint64_t p = pieza * 10 + acarreo;
      pieza = p & 0xffffffffU;
      acarreo = p >> 32;
    }
    if (r.cifras.empty() && acarreo == 0) {
      --r.exponente10;  // a leading zero of a value below 1
    } else {
      r.cifras += static_cast<char>('0' + acarreo);
    }
  }
  r.resto = !nulo();
  return r;
}

// Every digit of m * 2^e: m * 2^e itself for e >= 0; for e < 0, m * 5^-e, which is the value
// times 10^-e, an integer.
cifras_decimales cifras_exactas(std::uint64_t m, int e) {
  const natural mantisa(m);
  if (e >= 0) {
    return cifras_de(mantisa.por_dos_a(static_cast<std::size_t>(e)), 0);
  }
  constexpr std::uint64_t cinco_a_la_13 = 1220703125U;  // the largest power of 5 below 2^32
  natural n = mantisa;
  int quedan = -e;
  for (; quedan >= 13; quedan -= 13) {
    n = n.por(cinco_a_la_13);
  }
  std::uint64_t ultimo = 1;
  for (; quedan > 0; --quedan) {
    ultimo *= 5;
  }
  return cifras_de(n.por(ultimo), e);
}

}  // namespace

std::string texto_g(const extendido_software& x, int precision) {
  // As printf: a negative precision is taken as omitted (6), zero as 1.
  if (precision < 0) {
    precision = 6;
  } else if (precision == 0) {
    precision = 1;
  }
  const std::string signo = x.negativo ? "-" : "";
  if (x.exponente == 0x7fff) {
    const bool infinito = x.significando == bit_entero;
    return signo + (infinito ? "inf" : "nan");
  }
  const std::uint64_t m = x.significando;
  // Denormals share the exponent of the smallest normals.
  const int e = (x.exponente == 0 ? 1 : x.exponente) - sesgo - 63;
  if (m == 0) {
    return signo + "0";
  }
  cifras_decimales d = e >= -128 && e <= 0
                           ? cifras_cortas(m, e, std::min(precision, INT_MAX - 1) + 1)
                           : cifras_exactas(m, e);
  redondear(d, precision);
  return signo + disponer(d, precision);
}

// Only the general notation is written, whatever the floatfield; showpos, showpoint and uppercase
// are not applied. The padding is the stream's for a number: fill after the text for left
// adjustment, between the sign and the digits for internal, before the text otherwise. The
// decimal point is the stream locale's; digit grouping is not applied (the "C" locale has none).
std::ostream& operator<<(std::ostream& salida, const extendido_software& x) {
  const std::streamsize pedida = salida.precision();
  const int precision = pedida > INT_MAX ? INT_MAX : static_cast<int>(pedida < 0 ? -1 : pedida);
  std::string texto = texto_g(x, precision);
  const char punto = std::use_facet<std::numpunct<char>>(salida.getloc()).decimal_point();
  if (punto != '.') {
    std::replace(texto.begin(), texto.end(), '.', punto);
  }
  const std::streamsize ancho = salida.width();
  if (ancho > static_cast<std::streamsize>(texto.size())) {
    const std::string relleno(static_cast<std::size_t>(ancho) - texto.size(), salida.fill());
    const auto ajuste = salida.flags() & std::ios_base::adjustfield;
    if (ajuste == std::ios_base::left) {
      texto += relleno;
    } else if (ajuste == std::ios_base::internal && texto[0] == '-') {
      texto.insert(1, relleno);
    } else {
      texto.insert(0, relleno);
    }
  }
  salida.width(0);
  return salida << texto;
}
