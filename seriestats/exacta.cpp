#include "exacta.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <string>
#include <vector>

namespace {

// Natural numbers of any size: 32-bit digits, least significant first, no leading zero digits
// (zero is empty). Products of two digits fit in 64 bits on every machine.
using grande = std::vector<std::uint32_t>;

void normalizar(grande& a) {
  while (!a.empty() && a.back() == 0) {
    a.pop_back();
  }
}

std::size_t bits_de(const grande& a) {
  return a.empty() ? 0 : 32 * (a.size() - 1) + static_cast<std::size_t>(std::bit_width(a.back()));
}

bool bit(const grande& a, std::size_t i) { return ((a[i / 32] >> (i % 32)) & 1U) != 0; }

int comparar(const grande& a, const grande& b) {
  if (a.size() != b.size()) {
    return a.size() < b.size() ? -1 : 1;
  }
  for (std::size_t i = a.size(); i-- > 0;) {
    if (a[i] != b[i]) {
      return a[i] < b[i] ? -1 : 1;
    }
  }
  return 0;
}

grande sumar(const grande& a, const grande& b) {
  grande r(std::max(a.size(), b.size()) + 1, 0);
  std::uint64_t acarreo = 0;
  for (std::size_t i = 0; i < r.size(); ++i) {
    acarreo += (i < a.size() ? a[i] : 0U);
    acarreo += (i < b.size() ? b[i] : 0U);
    r[i] = static_cast<std::uint32_t>(acarreo);
    acarreo >>= 32;
  }
  normalizar(r);
  return r;
}

// a - b for a >= b.
grande restar(const grande& a, const grande& b) {
  grande r(a.size(), 0);
  std::int64_t prestado = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    std::int64_t d = static_cast<std::int64_t>(a[i]) - prestado -
                     static_cast<std::int64_t>(i < b.size() ? b[i] : 0U);
    prestado = d < 0 ? 1 : 0;
    if (d < 0) {
      d += std::int64_t{1} << 32;
    }
    r[i] = static_cast<std::uint32_t>(d);
  }
  normalizar(r);
  return r;
}

grande multiplicar(const grande& a, const grande& b) {
  if (a.empty() || b.empty()) {
    return {};
  }
  grande r(a.size() + b.size(), 0);
  for (std::size_t i = 0; i < a.size(); ++i) {
    std::uint64_t acarreo = 0;
    for (std::size_t j = 0; j < b.size(); ++j) {
      acarreo += std::uint64_t{a[i]} * b[j] + r[i + j];
      r[i + j] = static_cast<std::uint32_t>(acarreo);
      acarreo >>= 32;
    }
    r[i + b.size()] = static_cast<std::uint32_t>(acarreo);
  }
  normalizar(r);
  return r;
}

grande de_entero(std::uint64_t v) {
  grande r{static_cast<std::uint32_t>(v), static_cast<std::uint32_t>(v >> 32)};
  normalizar(r);
  return r;
}

grande desplazar(const grande& a, std::size_t n) {
  if (a.empty()) {
    return {};
  }
  grande r(a.size() + n / 32 + 1, 0);
  const std::size_t s = n % 32;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const std::uint64_t w = std::uint64_t{a[i]} << s;
    r[i + n / 32] |= static_cast<std::uint32_t>(w);
    r[i + n / 32 + 1] |= static_cast<std::uint32_t>(w >> 32);
  }
  normalizar(r);
  return r;
}

// The quotient of a by d > 0, truncated.
grande dividir(const grande& a, std::uint32_t d) {
  grande r(a.size(), 0);
  std::uint64_t resto = 0;
  for (std::size_t i = a.size(); i-- > 0;) {
    const std::uint64_t actual = (resto << 32) | a[i];
    r[i] = static_cast<std::uint32_t>(actual / d);
    resto = actual % d;
  }
  normalizar(r);
  return r;
}

// The largest r with r * r <= a, one bit at a time from the top.
grande raiz(const grande& a) {
  grande r;
  for (std::size_t b = (bits_de(a) + 1) / 2; b-- > 0;) {
    grande candidato = r;
    candidato.resize(std::max(candidato.size(), b / 32 + 1), 0);
    candidato[b / 32] |= std::uint32_t{1} << (b % 32);
    if (comparar(multiplicar(candidato, candidato), a) <= 0) {
      r = candidato;
    }
  }
  return r;
}

// a * 2^-escala, truncated to the 53 bits of a double. Both steps are exact: a 53-bit integer
// converts exactly, and ldexp only changes the exponent (the results lie far inside the range).
double a_double(const grande& a, int escala) {
  const std::size_t largo = bits_de(a);
  const std::size_t tomados = std::min<std::size_t>(largo, 53);
  std::uint64_t t = 0;
  for (std::size_t i = largo; i-- > largo - tomados;) {
    t = (t << 1) | (bit(a, i) ? 1U : 0U);
  }
  return std::ldexp(static_cast<double>(t), static_cast<int>(largo - tomados) - escala);
}

// A finite float as S * 2^(e + 149) / 2^149: the integer S * 2^(e + 149), e >= -149.
grande escalado(float v) {
  const auto bits = std::bit_cast<std::uint32_t>(v);
  const auto campo = static_cast<std::size_t>((bits >> 23) & 0xffU);
  std::uint32_t m = bits & 0x7fffffU;
  if (campo != 0) {
    m |= 0x800000U;
  }
  return desplazar(de_entero(m), campo == 0 ? 0 : campo - 1);
}

struct con_signo {
  bool negativo = false;
  grande magnitud;
};

// |a - b| for signed a and b.
grande distancia(const con_signo& a, const con_signo& b) {
  if (a.negativo != b.negativo) {
    return sumar(a.magnitud, b.magnitud);
  }
  return comparar(a.magnitud, b.magnitud) >= 0 ? restar(a.magnitud, b.magnitud)
                                               : restar(b.magnitud, a.magnitud);
}

std::string texto(double v) {
  std::array<char, 32> t{};
  const auto r = std::to_chars(t.data(), t.data() + t.size(), v, std::chars_format::general, 6);
  return {t.data(), r.ptr};
}

}  // namespace

comparacion_exacta comparar_con_exacta(const suma_exacta& sumas, std::int64_t n, float media_f,
                                       float desviacion_f) {
  // With a value written m * 2^(e - 150), the sums scaled by 2^149 and 2^298 are integers:
  // A = sum x * 2^149 and B = sum x^2 * 2^298. Then, exactly,
  //   mean = A / (n 2^149),  variance = (n B - A^2) / (n^2 2^298),  deviation = sqrt(V) / (n 2^149)
  // with V = n B - A^2, which Cauchy-Schwarz makes non-negative.
  grande positivos;
  grande negativos;
  grande b;
  for (std::size_t e = 1; e < sumas.lineal.size(); ++e) {
    const std::int64_t l = sumas.lineal[e];
    const auto magnitud =
        l < 0 ? 0U - static_cast<std::uint64_t>(l) : static_cast<std::uint64_t>(l);
    grande& destino = l < 0 ? negativos : positivos;
    destino = sumar(destino, desplazar(de_entero(magnitud), e - 1));
    const grande cuadrado =
        sumar(desplazar(de_entero(sumas.cuadrado_alto[e]), 64), de_entero(sumas.cuadrado_bajo[e]));
    b = sumar(b, desplazar(cuadrado, 2 * (e - 1)));
  }
  con_signo a;
  a.negativo = comparar(positivos, negativos) < 0;
  a.magnitud = a.negativo ? restar(negativos, positivos) : restar(positivos, negativos);
  const auto cuenta = static_cast<std::uint32_t>(n);
  const grande nb = multiplicar(b, de_entero(cuenta));
  const grande a2 = multiplicar(a.magnitud, a.magnitud);
  const grande v = comparar(nb, a2) > 0 ? restar(nb, a2) : grande{};

  comparacion_exacta r;
  r.media = a_double(dividir(desplazar(a.magnitud, 96), cuenta), 149 + 96);
  if (a.negativo) {
    r.media = -r.media;
  }
  r.desviacion = a_double(dividir(raiz(desplazar(v, 128)), cuenta), 149 + 64);

  if (!std::isfinite(media_f) || !std::isfinite(desviacion_f)) {
    r.se_aparta = true;
    return r;
  }
  // The deviation: s n 2^149 = T, and |s - sd| > sd / 1000 means s > 1.001 sd or s < 0.999 sd,
  // that is, squared and times 10^6: 10^6 T^2 > 1002001 V or 10^6 T^2 < 998001 V.
  const grande t = multiplicar(escalado(desviacion_f), de_entero(cuenta));
  const grande t2 = multiplicar(multiplicar(t, t), de_entero(1000000));
  const bool desviacion_mal = comparar(t2, multiplicar(v, de_entero(1002001))) > 0 ||
                              comparar(t2, multiplicar(v, de_entero(998001))) < 0;
  // The mean: with U = m n 2^149 and D = |U - A|, |m - mean| > max(|mean|, sd) / 1000 means
  // 1000 D > |A| and 10^6 D^2 > V.
  const con_signo u{std::signbit(media_f), multiplicar(escalado(media_f), de_entero(cuenta))};
  const grande d = distancia(u, a);
  const bool media_mal = comparar(multiplicar(d, de_entero(1000)), a.magnitud) > 0 &&
                         comparar(multiplicar(multiplicar(d, d), de_entero(1000000)), v) > 0;
  r.se_aparta = desviacion_mal || media_mal;
  return r;
}

std::optional<std::string> aviso_de_desvio(const suma_exacta& sumas, std::int64_t n, float media_f,
                                           float desviacion_f) {
  if (n <= 0) {
    return std::nullopt;
  }
  const comparacion_exacta c = comparar_con_exacta(sumas, n, media_f, desviacion_f);
  if (!c.se_aparta) {
    return std::nullopt;
  }
  return "aviso: el calculo en float se aparta del exacto en mas del 0.1 %: la media exacta es " +
         texto(c.media) + " y la desviacion tipica exacta es " + texto(c.desviacion);
}
