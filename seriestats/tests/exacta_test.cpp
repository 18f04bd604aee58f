// The true figures of a series: the exact sums of the decimals as written, through the reader,
// against a plain rational oracle, and the warning's tolerance.

#include "exacta.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "redondeo.hpp"
#include "serie_completa.hpp"
#include "texto_de_lectura.hpp"

namespace {

struct serie_leida {
  std::vector<float> valores;
  suma_exacta sumas;
};

// The values of `texto` ("v1 v2 ..."), read as seriestats reads them, and their exact sums.
serie_leida leer(const std::string& texto, std::size_t cuantos) {
  fichero_vec datos(desde_texto(texto), 4096);
  serie_leida s;
  s.valores.resize(cuantos);
  std::vector<decimal_leido> decimales(cuantos);
  const valores_leidos r = datos.leer_valores(s.valores, decimales, 1);
  EXPECT_EQ(r.cuantos, cuantos) << r.mensaje;
  for (std::size_t i = 0; i < cuantos; ++i) {
    s.sumas.sumar(s.valores[i], decimales[i], datos);
  }
  return s;
}

// The oracle: a token's value as sign, digits and power of ten, read from its text by hand.
entero por_diez(const entero& a, std::int64_t k) {
  return {a.negativo, a.magnitud.por_diez_a(static_cast<std::size_t>(k))};
}
std::pair<entero, std::int64_t> racional(const std::string& token) {
  std::size_t i = 0;
  const bool negativo = token[0] == '-';
  i += token[0] == '-' || token[0] == '+' ? 1U : 0U;
  std::string cifras;
  std::int64_t exponente = 0;
  bool punto = false;
  for (; i < token.size() && token[i] != 'e' && token[i] != 'E'; ++i) {
    if (token[i] == '.') {
      punto = true;
    } else {
      cifras += token[i];
      exponente -= punto ? 1 : 0;
    }
  }
  if (i < token.size()) {
    exponente += std::stoll(token.substr(i + 1));
  }
  return {entero(negativo, natural::de_cifras(cifras)), exponente};
}

// Sum x and sum x^2 exactly, in units of 10^u and 10^2u, u the smallest exponent of a token.
suma_exacta::totales oraculo(const std::vector<std::string>& tokens) {
  std::vector<std::pair<entero, std::int64_t>> x;
  std::int64_t u = 0;
  for (const std::string& t : tokens) {
    x.push_back(racional(t));
    u = std::min(u, x.back().second);
  }
  suma_exacta::totales r;
  r.u = static_cast<std::int32_t>(u);
  for (const auto& [d, e] : x) {
    const entero v = por_diez(d, e - u);
    r.s = r.s + v;
    r.q = r.q + v.magnitud * v.magnitud;
  }
  return r;
}

// Whether a * 10^ea equals b * 10^eb.
bool iguales(const entero& a, std::int64_t ea, const entero& b, std::int64_t eb) {
  const std::int64_t e = std::min(ea, eb);
  const entero x = por_diez(a, ea - e);
  const entero y = por_diez(b, eb - e);
  return x.negativo == y.negativo && x.magnitud == y.magnitud;
}

// The digits and decimal exponent of a figure's text ("1.5e-07" as 15 and -8).
std::pair<entero, std::int64_t> de_texto(const std::string& s) { return racional(s); }

// The figure `texto` is the true value q rounded to six significant digits: with t its digits
// and 10^k their unit, |q - t 10^k| <= 10^k / 2, that is, for q = a / b:
// |2 a - 2 t 10^k b| <= 10^k b, all brought to integers.
bool redondeado(const std::string& texto, const entero& a, std::int64_t ea, const natural& b) {
  const auto [t, k] = de_texto(texto);
  const std::int64_t e = std::min(ea, k);
  const entero dos_a = por_diez(entero(a.negativo, a.magnitud.por(2)), ea - e);
  const entero dos_t_b = por_diez(entero(t.negativo, t.magnitud.por(2) * b), k - e);
  const natural unidad_b = natural(1).por_diez_a(static_cast<std::size_t>(k - e)) * b;
  return (dos_a - dos_t_b).magnitud <= unidad_b;
}

// The same for a deviation sqrt(v) 10^u / n: |sqrt(v) 10^u - t 10^k n| <= 10^k n / 2, squared:
// (2 t - 1)^2 (10^k n)^2 <= 4 v 10^2u <= (2 t + 1)^2 (10^k n)^2.
bool raiz_redondeada(const std::string& texto, const natural& v, std::int64_t u, const natural& n) {
  const auto [t, k] = de_texto(texto);
  const std::int64_t e = std::min(u, k);
  const natural cuatro_v = v.por(4).por_diez_a(static_cast<std::size_t>(2 * (u - e)));
  const natural unidad = natural(1).por_diez_a(static_cast<std::size_t>(k - e)) * n;
  const natural abajo = (t.magnitud.por(2) - natural(1)) * unidad;
  const natural arriba = t.magnitud.por(2, 1) * unidad;
  return abajo * abajo <= cuatro_v && cuatro_v <= arriba * arriba;
}

std::string decimal_aleatorio(std::mt19937_64& azar, int forma) {
  std::string t = azar() % 2 == 0 ? "-" : "";
  switch (forma) {
    case 0: {  // an offset far above its steps: 1000000.2 and around, 16777216.13...
      const std::array<std::string, 4> centros = {"1000000", "10000000", "16777216", "0"};
      t += centros[static_cast<std::size_t>(azar() % centros.size())] + "." +
           std::to_string(azar() % 100);
      break;
    }
    case 1:  // below float's range, subnormal, or near its smallest normal
      t += std::to_string(1 + azar() % 99999) + "e-" + std::to_string(38 + azar() % 20);
      break;
    case 2: {  // a long digit string, the point anywhere
      std::string cifras;
      const auto largo = static_cast<std::size_t>(20 + azar() % 180);
      for (std::size_t i = 0; i < largo; ++i) {
        cifras += static_cast<char>('0' + azar() % 10);
      }
      cifras[0] = static_cast<char>('1' + azar() % 9);
      const auto punto = static_cast<std::size_t>(azar() % 12);
      t += cifras.substr(0, punto + 1) + "." + cifras.substr(punto + 1) + "e-" +
           std::to_string(azar() % 40);
      break;
    }
    case 3: {  // a plain decimal of 19 digits, the most the common case takes: sums beyond 2^64
      const std::string cifras =
          std::to_string(1000000000000000000U + azar() % 8999999999999999999U);
      const auto punto = static_cast<std::size_t>(1 + azar() % 18);
      t += cifras.substr(0, punto) + "." + cifras.substr(punto);
      break;
    }
    default:  // any exponent a float holds
      t += std::to_string(azar() % 100000) + "." + std::to_string(azar() % 1000) + "e" +
           std::to_string(static_cast<int>(azar() % 70) - 40);
      break;
  }
  return t;
}

// Generated series, one shape or all mixed, through the reader: the exact sums are the oracle's
// to the last digit, and the true figures are the exact mean and deviation rounded to six digits.
TEST(Exacta, SumsTheDecimalsAsWrittenExactly) {
  std::mt19937_64 azar(24);
  for (int serie = 0; serie < 300; ++serie) {
    const int forma = serie % 6;  // 5: every shape mixed
    std::vector<std::string> tokens(static_cast<std::size_t>(1 + azar() % 60));
    std::string texto;
    for (std::string& t : tokens) {
      t = decimal_aleatorio(azar, forma == 5 ? static_cast<int>(azar() % 5) : forma);
      texto += t + " ";
    }
    const serie_leida s = leer(texto, tokens.size());
    const suma_exacta::totales obtenido = s.sumas.total();
    const suma_exacta::totales esperado = oraculo(tokens);
    ASSERT_TRUE(iguales(obtenido.s, obtenido.u, esperado.s, esperado.u)) << texto;
    ASSERT_TRUE(iguales(entero(false, obtenido.q), 2 * std::int64_t{obtenido.u},
                        entero(false, esperado.q), 2 * std::int64_t{esperado.u}))
        << texto;
    const auto n = static_cast<std::int64_t>(tokens.size());
    const natural cuenta(static_cast<std::uint64_t>(n));
    const figuras_verdaderas f = figuras(obtenido, n);
    ASSERT_TRUE(redondeado(f.media, esperado.s, esperado.u, cuenta)) << f.media << " " << texto;
    const natural v = cuenta * esperado.q - esperado.s.magnitud * esperado.s.magnitud;
    if (v.es_cero()) {
      ASSERT_EQ(f.desviacion, "0");
    } else {
      ASSERT_TRUE(raiz_redondeada(f.desviacion, v, esperado.u, cuenta)) << f.desviacion;
    }
  }
}

std::optional<std::string> aviso(const std::string& texto, std::size_t cuantos, float m, float s) {
  const serie_leida x = leer(texto, cuantos);
  return aviso_de_desvio(x.sumas, static_cast<std::int64_t>(cuantos), m, s);
}

TEST(Exacta, WarnsJustBeyondTheTolerance) {
  // Mean 0 and deviation 1 exactly: the deviation may be off by 0.1 %, the mean by 0.001.
  EXPECT_FALSE(aviso("-1 1", 2, 0.0F, 1.0009F));
  EXPECT_FALSE(aviso("-1 1", 2, 0.0F, 0.9991F));
  EXPECT_TRUE(aviso("-1 1", 2, 0.0F, 1.0011F));
  EXPECT_TRUE(aviso("-1 1", 2, 0.0F, 0.9989F));
  EXPECT_FALSE(aviso("-1 1", 2, 0.00099F, 1.0F));
  EXPECT_TRUE(aviso("-1 1", 2, -0.00101F, 1.0F));
  // Mean 1000, deviation 1: the mean is measured against its own magnitude.
  EXPECT_FALSE(aviso("999 1001", 2, 1000.9F, 1.0F));
  EXPECT_TRUE(aviso("999 1001", 2, 1001.1F, 1.0F));
  EXPECT_TRUE(aviso("999 1001", 2, std::numeric_limits<float>::infinity(), 1.0F));
  EXPECT_TRUE(aviso("999 1001", 2, 1000.0F, std::numeric_limits<float>::quiet_NaN()));
  // A true deviation of 0 shown nonzero, and a true nonzero one shown 0.
  EXPECT_TRUE(aviso("0.1 0.1", 2, 0.1F, 1e-9F));
  EXPECT_TRUE(aviso("1e-50 3e-50", 2, 0.0F, 0.0F));
  EXPECT_FALSE(aviso("", 0, std::nanf(""), std::nanf("")));
}

// Where float cannot hold the values written, the figures of the float images are not the true
// ones: the series about 1000000.2 with steps of 0.1, whose float images step by 0.125.
TEST(Exacta, GivesTheFiguresOfTheDecimalsNotOfTheirFloats) {
  std::string texto;
  std::vector<float> x;
  for (int i = 0; i < 1001; ++i) {
    const char* const v = i % 2 == 0 ? "1000000.2" : (i % 4 == 1 ? "1000000.1" : "1000000.3");
    texto += std::string(v) + " ";
  }
  const serie_leida s = leer(texto, 1001);
  const figuras_verdaderas f = figuras(s.sumas.total(), 1001);
  EXPECT_EQ(f.media, "1e+06");
  EXPECT_EQ(f.desviacion, "0.0706753");
  const float m = media(s.valores);
  EXPECT_TRUE(aviso_de_desvio(s.sumas, 1001, m, desviacion_tipica(s.valores, m)));
}

}  // namespace
