#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "avance.hpp"

namespace {

// The progress line at given points of a run: the share done, and the time left at the rate so
// far in the unit that fits it, up to years in exponent form for a total beyond any double.
TEST(LineaDeAvance, GivesTheShareDoneAndTheTimeLeft) {
  const double mil = 3.0;  // log10 of a total of 1000
  EXPECT_EQ(linea_de_avance("p", 0, mil, 2.0), "p: 0.0 % hecho");
  EXPECT_EQ(linea_de_avance("p", 500, mil, 2.0), "p: 50.0 % hecho, quedan aprox. 2 s");
  EXPECT_EQ(linea_de_avance("p", 1000, mil, 2.0), "p: 100.0 % hecho, quedan aprox. 0 s");
  EXPECT_EQ(linea_de_avance("p", 1, mil, 2.0), "p: 0.1 % hecho, quedan aprox. 33 min 18 s");
  EXPECT_EQ(linea_de_avance("p", 1, 6.0, 2.0), "p: 0.0 % hecho, quedan aprox. 23 dias 3 h");
  EXPECT_EQ(linea_de_avance("p", 10, 5.0, 3.6), "p: 0.0 % hecho, quedan aprox. 9 h 59 min");
  // Minutes and seconds under ten are written with two digits after a larger unit.
  EXPECT_EQ(linea_de_avance("p", 500, mil, 65.0), "p: 50.0 % hecho, quedan aprox. 1 min 05 s");
  EXPECT_EQ(linea_de_avance("p", 500, mil, 3930.0), "p: 50.0 % hecho, quedan aprox. 1 h 05 min");
  // 2 s per call, 10^8 calls to go: 6.34 years; 10^2090 calls: 6.3e+2082 years.
  EXPECT_EQ(linea_de_avance("p", 1, 8.0, 2.0), "p: 0.0 % hecho, quedan aprox. 6 anos");
  EXPECT_EQ(linea_de_avance("p", 1, 2090.0, 2.0), "p: 0.0 % hecho, quedan aprox. 6.3e+2082 anos");
  // 9.96e+17 years read 1.0e+18, not 10.0e+17.
  EXPECT_EQ(linea_de_avance("p", 1, 17.0 + std::log10(9.96 * 365.25 * 86400.0 / 2.0), 2.0),
            "p: 0.0 % hecho, quedan aprox. 1.0e+18 anos");
}

// The line fitted to a width: the detail gives way first, its shorter form before it goes, then
// the time left, and the share done is cut only where nothing else is left; no width is ever
// exceeded, so the terminal never wraps the line.
TEST(LineaDeAvance, FitsTheWidthShorteningTheDetailFirst) {
  const std::vector<std::string> detalles = {"500 de 1000 valores leidos", "500 leidos"};
  const auto linea = [&detalles](std::size_t ancho) {
    return linea_de_avance("seriestats", 500, 3.0, 2.0, detalles, ancho);
  };
  const std::string entera =
      "seriestats: 50.0 % hecho, 500 de 1000 valores leidos, quedan aprox. 2 s";
  const std::string corta = "seriestats: 50.0 % hecho, 500 leidos, quedan aprox. 2 s";
  const std::string sin_detalle = "seriestats: 50.0 % hecho, quedan aprox. 2 s";
  const std::string hecho = "seriestats: 50.0 % hecho";
  const struct {
    std::size_t ancho;
    std::string linea;
  } casos[] = {
      {200, entera},
      {entera.size(), entera},
      {entera.size() - 1, corta},
      {corta.size(), corta},
      {corta.size() - 1, sin_detalle},
      {sin_detalle.size(), sin_detalle},
      {sin_detalle.size() - 1, hecho},
      {hecho.size(), hecho},
      {hecho.size() - 1, "seriestats: 50.0 % hech"},
      {0, ""},
  };
  for (const auto& caso : casos) {
    EXPECT_EQ(linea(caso.ancho), caso.linea) << "width " << caso.ancho;
  }
  for (std::size_t ancho = 0; ancho <= entera.size(); ++ancho) {
    EXPECT_LE(linea(ancho).size(), ancho);
  }
  // Without a detail, and before any work is done (no time left yet).
  EXPECT_EQ(linea_de_avance("p", 0, 3.0, 2.0, {}, 79), "p: 0.0 % hecho");
  EXPECT_EQ(linea_de_avance("p", 500, 3.0, 2.0, {}, 20), "p: 50.0 % hecho");
}

}  // namespace
