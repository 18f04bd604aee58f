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
// One rounding routine then applies the rule and one routine lays out the text. glibc rounds in
// the current rounding mode; the programs never change it from nearest, the only mode here.
//
// Encodings: the canonical ones of the format are supported. For the others the text is the one
// glibc's printf writes on amd64, measured there: an unnormal (exponent 1..0x7ffe with bit 63
// clear), a pseudo-infinity and a pseudo-NaN (exponent 0x7fff with bit 63 clear) print as "nan"
// with their sign; a pseudo-denormal (exponent 0 with bit 63 set) prints as if bit 63 were
// clear, except when that leaves nothing, where it prints 2^-16382 (the x87's value for it).

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <ios>
#include <locale>
#include <ostream>
#include <string>
#include <vector>

#include "extendido_software.hpp"

namespace {

constexpr std::uint64_t bit_entero = 0x8000000000000000U;
constexpr int sesgo = 16383;

// Leading decimal digits of a positive value, most significant first, the first nonzero.
struct cifras_decimales {
  std::string cifras;
  int exponente10 = 0;  // decimal exponent of cifras[0]
  bool resto = false;   // some nonzero digit follows those in cifras
};

std::string entero_a_texto(std::uint64_t n) {
  std::array<char, 20> buf{};
  std::size_t i = buf.size();
  do {
    buf[--i] = static_cast<char>('0' + n % 10);
    n /= 10;
  } while (n != 0);
  return {buf.data() + i, buf.size() - i};
}

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
    r.cifras = entero_a_texto(entero);
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

// Big natural numbers in base 10^9, least significant piece first, so that the decimal digits
// come out without any division of the big number.
constexpr std::uint32_t base = 1000000000U;

void multiplicar(std::vector<std::uint32_t>& n, std::uint64_t factor) {
  // Each piece is below 2^30 and factor at most 2^32, so piece * factor + carry < 2^63.
  std::uint64_t acarreo = 0;
  for (auto& pieza : n) {
    const std::uint64_t p = pieza * factor + acarreo;
    pieza = static_cast<std::uint32_t>(p % base);
    acarreo = p / base;
  }
  while (acarreo != 0) {
    n.push_back(static_cast<std::uint32_t>(acarreo % base));
    acarreo /= base;
  }
}

// Every digit of m * 2^e: m * 2^e itself for e >= 0; for e < 0, m * 5^-e, which is the value
// times 10^-e, an integer.
cifras_decimales cifras_exactas(std::uint64_t m, int e) {
  std::vector<std::uint32_t> n;
  for (std::uint64_t resto = m; resto != 0; resto /= base) {
    n.push_back(static_cast<std::uint32_t>(resto % base));
  }
  int escala = 0;  // value = n / 10^escala
  if (e >= 0) {
    for (int quedan = e; quedan > 0; quedan -= 32) {
      multiplicar(n, std::uint64_t{1} << std::min(quedan, 32));
    }
  } else {
    escala = -e;
    constexpr std::uint64_t cinco_a_la_13 = 1220703125U;  // the largest power of 5 below 2^32
    int quedan = -e;
    for (; quedan >= 13; quedan -= 13) {
      multiplicar(n, cinco_a_la_13);
    }
    std::uint64_t ultimo = 1;
    for (; quedan > 0; --quedan) {
      ultimo *= 5;
    }
    multiplicar(n, ultimo);
  }
  cifras_decimales r;
  r.cifras = std::to_string(n.back());
  for (auto i = n.size() - 1; i-- > 0;) {
    const std::string pieza = std::to_string(n[i]);
    r.cifras.append(9 - pieza.size(), '0');
    r.cifras += pieza;
  }
  r.exponente10 = static_cast<int>(r.cifras.size()) - 1 - escala;
  return r;
}

// Rounds to `precision` significant digits, nearest with ties to even, and drops trailing zeros.
void redondear(cifras_decimales& d, int precision) {
  const auto p = static_cast<std::size_t>(precision);
  if (d.cifras.size() > p) {
    const char siguiente = d.cifras[p];
    bool arriba = siguiente > '5';
    if (siguiente == '5') {
      const bool mas_alla = d.resto || d.cifras.find_first_not_of('0', p + 1) != std::string::npos;
      arriba = mas_alla || (d.cifras[p - 1] - '0') % 2 != 0;
    }
    d.cifras.resize(p);
    d.resto = false;
    if (arriba) {
      auto i = p;
      while (i > 0 && d.cifras[i - 1] == '9') {
        d.cifras[--i] = '0';
      }
      if (i == 0) {  // 99..9 went up to 100..0; the zeros go with the trailing ones
        d.cifras[0] = '1';
        ++d.exponente10;
      } else {
        ++d.cifras[i - 1];
      }
    }
  }
  d.cifras.erase(d.cifras.find_last_not_of('0') + 1);
}

// %g's layout of rounded digits: fixed notation when -4 <= exponent < precision, else
// d.ddde+XX with at least two exponent digits.
std::string disponer(const cifras_decimales& d, int precision) {
  const int x = d.exponente10;
  const std::string& c = d.cifras;
  std::string s;
  if (x >= -4 && x < precision) {
    if (x < 0) {
      s = "0.";
      s.append(static_cast<std::size_t>(-x - 1), '0');
      s += c;
    } else {
      const auto enteras = static_cast<std::size_t>(x) + 1;
      if (c.size() <= enteras) {
        s = c;
        s.append(enteras - c.size(), '0');
      } else {
        s = c.substr(0, enteras) + '.' + c.substr(enteras);
      }
    }
  } else {
    s = c.substr(0, 1);
    if (c.size() > 1) {
      s += '.';
      s += c.substr(1);
    }
    s += x < 0 ? "e-" : "e+";
    const std::string exp = entero_a_texto(static_cast<std::uint64_t>(x < 0 ? -x : x));
    if (exp.size() < 2) {
      s += '0';
    }
    s += exp;
  }
  return s;
}

}  // namespace

std::string texto_general(const extendido_software& x, int precision) {
  // As printf: a negative precision is taken as omitted (6), zero as 1.
  if (precision < 0) {
    precision = 6;
  } else if (precision == 0) {
    precision = 1;
  }
  const std::string signo = x.negativo ? "-" : "";
  const bool entero_puesto = (x.significando & bit_entero) != 0;
  if (x.exponente == 0x7fff) {
    const bool infinito = x.significando == bit_entero;
    return signo + (infinito ? "inf" : "nan");
  }
  if (x.exponente != 0 && !entero_puesto) {
    return signo + "nan";  // an unnormal
  }
  std::uint64_t m = x.significando;
  int e = x.exponente - sesgo - 63;
  if (x.exponente == 0) {
    e = 1 - sesgo - 63;  // denormals share the exponent of the smallest normals
    if (entero_puesto && m != bit_entero) {
      m &= ~bit_entero;  // a pseudo-denormal, read as glibc reads it
    }
  }
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
  std::string texto = texto_general(x, precision);
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
