// The reader against the stream library: the same bytes must give the same values, the same
// failures and leave the same characters unread as std::istream's formatted extraction.

#include "vec_dat.hpp"

#include <sys/resource.h>

#include "eco_vec.hpp"
#include "stream_oracle.hpp"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Pieces that tokens are glued from: every corner of the two grammars and of the conversions.
// clang-format off
const std::vector<std::string> piezas = {
    "", "+", "-", "0", "00", "1", "7", "9", "42", ".", "..", "e", "E", "e+", "e-", "E-7", "+-",
    "-+", "x", "X", "0x", "0x1p3", "inf", "-inf", "nan", "NAN", "infinity", ",", "\xff",
    std::string(1, '\0'), "1.", ".5", "-.5", "1e5", "1E+5", "1e-5", "1e", "2e+", "5e-x",
    "2147483647", "2147483648", "-2147483648", "-2147483649", "4294967296",
    "99999999999999999999", "00000000000000000000000000000000000000000001",
    "3.4028234e38", "3.40282357e38", "3.4028236e38", "1e39", "-1e39", "1e-38", "1.17549435e-38",
    "1.4e-45", "1e-45", "7e-46", "7.1e-46", "1e-46", "1e-400", "1e+400",
    "123456789012345678901234567890", "0.000000000000000000000000000001",
    "16777217", "16777219", "0.1", "3.14159265358979323846",
    // Past 19 digits a 64-bit mantissa would wrap: 2^64 + 5 and 2^65 + 7 would read as 5 and 7.
    "1844674407370955161", "18446744073709551621", "36893488147419103239", "0.18446744073709551621"};
const std::vector<std::string> separadores = {" ", "\t", "\n", "\r\n", "\v", "\f", "  \n\t ", ""};
// clang-format on

std::string texto_aleatorio(std::mt19937_64& rng) {
  std::string s;
  const auto tokens = 1 + rng() % 8;
  for (std::uint64_t t = 0; t < tokens; ++t) {
    const auto partes = 1 + rng() % 3;
    for (std::uint64_t p = 0; p < partes; ++p) {
      s += piezas[static_cast<std::size_t>(rng() % piezas.size())];
    }
    s += separadores[static_cast<std::size_t>(rng() % separadores.size())];
  }
  return s;
}

// Decimal texts near the halfway points between adjacent floats, where rounding is decided: the
// exact midpoint (ties go to even), and the same digits a little above and below it.
std::string cerca_de_un_empate(std::mt19937_64& rng) {
  const auto bits = static_cast<std::uint32_t>(rng() % 0x7f7fffffU);
  const float f = std::bit_cast<float>(bits);
  const double medio = (static_cast<double>(f) + static_cast<double>(std::nextafter(
                                                     f, std::numeric_limits<float>::infinity()))) /
                       2.0;
  std::array<char, 1100> texto{};
  std::snprintf(texto.data(), texto.size(), "%.760g", medio);
  const std::string exacto = texto.data();
  const auto e = exacto.find('e');
  std::string mantisa = exacto.substr(0, e);
  const std::string exponente = e == std::string::npos ? "" : exacto.substr(e);
  switch (rng() % 3) {
    case 0:  // the midpoint itself
      break;
    case 1:  // a little above it
      if (mantisa.find('.') == std::string::npos) {
        mantisa += '.';
      }
      mantisa += "000000001";
      break;
    default:  // a little below it: the expansion cut short
      if (const auto punto = mantisa.find('.');
          punto != std::string::npos && mantisa.size() > punto + 4) {
        mantisa.resize(mantisa.size() - 3);
      }
      break;
  }
  const std::string s = mantisa + exponente;
  return (rng() % 2 != 0 ? "-" : "") + s;
}

// Short plain decimals, the tokens that the reader converts without the general grammar: a
// mantissa of up to eight digits and up to ten decimals, half of them the nearest such decimal to
// the midpoint between two floats, where rounding twice (through a wider format) would show.
std::string decimal_corto(std::mt19937_64& rng) {
  std::array<char, 64> texto{};
  const auto decimales = static_cast<int>(rng() % 11);
  if (rng() % 2 == 0) {
    const auto m = rng() % ((std::uint64_t{1} << 24) + 2);
    std::snprintf(texto.data(), texto.size(), "%.*f", decimales,
                  static_cast<double>(m) / std::pow(10.0, decimales));
  } else {
    const auto bits = static_cast<std::uint32_t>(0x38d1b717U + rng() % (0x4b989680U - 0x38d1b717U));
    const float f = std::bit_cast<float>(bits);  // 1e-4 .. 2e7
    const double medio =
        (static_cast<double>(f) +
         static_cast<double>(std::nextafter(f, std::numeric_limits<float>::infinity()))) /
        2.0;
    std::snprintf(texto.data(), texto.size(), "%.*f", decimales, medio);
  }
  return std::string(rng() % 2 != 0 ? "-" : "") + texto.data();
}

// A block that holds the whole text, where tokens are read straight from it.
constexpr std::size_t bloque_entero = 4096;

// Blocks of 1 to 16 bytes, so that tokens run over the end of a block at every position.
std::size_t bloque_pequeno(std::mt19937_64& rng) { return 1 + rng() % 16; }

void comparar_con_el_flujo(const std::string& texto, const std::string& plan,
                           std::size_t bloque = bloque_entero) {
  const auto d = oraculo::diferencia(texto, plan, bloque);
  ASSERT_FALSE(d) << *d << " in input [" << texto.substr(0, 300)
                  << (texto.size() > 300 ? "...]" : "]") << " read as " << plan << " in blocks of "
                  << bloque;
}

TEST(Extraccion, AgreesWithTheStreamOnGeneratedTokens) {
  std::mt19937_64 rng(7);
  for (int caso = 0; caso < 60000; ++caso) {
    const std::string texto = texto_aleatorio(rng);
    comparar_con_el_flujo(texto, "iffffffff");
    comparar_con_el_flujo(texto, "iiiiiiii");
    comparar_con_el_flujo(texto, "iffffffff", bloque_pequeno(rng));
    if (HasFatalFailure()) {
      return;
    }
  }
}

TEST(Extraccion, RoundsLikeTheStreamNearHalfwayPoints) {
  std::mt19937_64 rng(11);
  for (int caso = 0; caso < 20000; ++caso) {
    const std::string texto = cerca_de_un_empate(rng) + " ";
    comparar_con_el_flujo(texto, "ff");
    comparar_con_el_flujo(texto, "ff", bloque_pequeno(rng));
    if (HasFatalFailure()) {
      return;
    }
  }
}

TEST(Extraccion, ConvertsShortDecimalsAsTheStreamDoes) {
  std::mt19937_64 rng(13);
  for (int caso = 0; caso < 200000; ++caso) {
    const std::string texto =
        decimal_corto(rng) +
        std::array{" ", "\n", "\t", "x", ""}[static_cast<std::size_t>(rng() % 5)];
    comparar_con_el_flujo(texto + decimal_corto(rng) + " ", "ff", bloque_entero);
    comparar_con_el_flujo(texto, "ff", bloque_pequeno(rng));
    if (HasFatalFailure()) {
      return;
    }
  }
}

TEST(Extraccion, AgreesWithTheStreamOnDocumentedCorners) {
  for (const char* texto : {"3.0 .0",
                            "+5",
                            "-0",
                            "- 5",
                            "+",
                            "-",
                            "2e",
                            "2e+",
                            "2e+1",
                            "1e-50",
                            "1e39",
                            "-1e39",
                            "0x10",
                            "inf",
                            "nan",
                            "1.5.3",
                            ".e5",
                            "1e5e3",
                            "  \n\t",
                            "",
                            "00000000000000000000001",
                            "-2147483648",
                            "2147483648",
                            "-2147483649",
                            "1e-45",
                            "3.4028235677973366e38",
                            "340282356779733661637539395458142568448"}) {
    for (const std::size_t bloque : {1U, 2U, 3U, 5U, 64U, 4096U}) {
      comparar_con_el_flujo(texto, "ifff", bloque);
      comparar_con_el_flujo(texto, "ffff", bloque);
    }
  }
}

// Tokens far longer than a block, on which the float depends through its first digits and the
// position of the point alone: the exact halfway point between two floats, that point with a long
// run of zeros and then a 1 (just above: it rounds up) or a 4 for its last 5 and then a long run
// of 9s (just below: it rounds down), written with leading zeros, the point anywhere and the
// exponent that gives the same value, or one far out of range.
std::string token_largo(std::mt19937_64& rng) {
  const auto bits = static_cast<std::uint32_t>(rng() % 0x7f800000U);
  const float f = std::bit_cast<float>(bits);
  const double medio = (static_cast<double>(f) + static_cast<double>(std::nextafter(
                                                     f, std::numeric_limits<float>::infinity()))) /
                       2.0;
  std::array<char, 1200> texto{};
  std::snprintf(texto.data(), texto.size(), "%.1000e", medio);
  const std::string exacto = texto.data();
  const auto e = exacto.find('e');
  std::string cifras = exacto.substr(0, 1) + exacto.substr(2, e - 2);
  cifras.erase(cifras.find_last_not_of('0') + 1);
  std::int64_t exponente = std::stoll(exacto.substr(e + 1)) + 1;  // value = 0.cifras * 10^exponente
  const auto largo = static_cast<std::size_t>(rng() % 3000);
  switch (rng() % 3) {
    case 0:
      cifras.append(largo, '0');
      break;
    case 1:
      cifras.append(largo, '0').push_back('1');
      break;
    default:
      cifras.back() = static_cast<char>(cifras.back() - 1);
      cifras.append(largo, '9');
      break;
  }
  const auto punto = static_cast<std::size_t>(rng() % (cifras.size() + 1));
  exponente -= static_cast<std::int64_t>(punto);
  if (rng() % 8 == 0) {
    exponente += rng() % 2 == 0 ? 400 : -400;  // far beyond the float range either way
  }
  std::string token = rng() % 2 == 0 ? "" : "-";
  token.append(static_cast<std::size_t>(rng() % 300), '0');
  token.append(cifras, 0, punto).append(".").append(cifras, punto);
  if (exponente != 0 || rng() % 2 == 0) {
    token.append("e").append(std::to_string(exponente));
  }
  return token;
}

TEST(Extraccion, ReadsTokensLongerThanAnyBlockAsTheStreamDoes) {
  std::mt19937_64 rng(17);
  for (int caso = 0; caso < 1500; ++caso) {
    const std::string texto = token_largo(rng) + " " + token_largo(rng) + " 5 ";
    comparar_con_el_flujo(texto, "fff", 1 + rng() % 64);
    comparar_con_el_flujo(texto, "fff", 4096);
    if (HasFatalFailure()) {
      return;
    }
  }
}

// Tokens whose point lies further from their first significant digit than the reader's saturation
// of the exponent (10^100000), balanced by the exponent written: "0.<z zeros>DIGITSe+K" and
// "DIGITS<z zeros>e-K" with z near 100000 and K within a few units of z, so that the value is
// an ordinary float, a subnormal, zero or beyond the range. Only the sum of the written exponent
// and the point's position may saturate.
std::string token_desplazado(std::mt19937_64& rng) {
  const auto ceros = static_cast<std::int64_t>(99950 + rng() % 150);
  const std::string cifras = std::to_string(1 + rng() % 999999);
  const std::int64_t desvio = static_cast<std::int64_t>(rng() % 101) - 50;  // 10^desvio
  std::string token = rng() % 2 == 0 ? "" : "-";
  if (rng() % 2 == 0) {
    token.append("0.").append(static_cast<std::size_t>(ceros), '0').append(cifras);
    token.append("e+").append(std::to_string(ceros + desvio));
  } else {
    token.append(cifras).append(static_cast<std::size_t>(ceros), '0');
    token.append("e").append(std::to_string(desvio - ceros));
  }
  return token;
}

TEST(Extraccion, SaturatesTheExponentOfTheValueNotTheOneWritten) {
  std::mt19937_64 rng(28);
  for (int caso = 0; caso < 40; ++caso) {
    const std::string texto = token_desplazado(rng) + " 5 ";
    comparar_con_el_flujo(texto, "ff", 4096);
    comparar_con_el_flujo(texto, "ff", 1 + rng() % 64);
    if (HasFatalFailure()) {
      return;
    }
  }
}

// The bytes "2 1 0." then a run of `unos` 1s, made as they are read.
fichero_vec::funcion_lectura token_enorme(std::size_t unos) {
  return [quedan = unos, inicio = false](int /*fd*/, char* destino, std::size_t n) mutable {
    if (!inicio) {
      inicio = true;
      const std::string_view texto = "2\n1 0.";
      return static_cast<ssize_t>(std::copy(texto.begin(), texto.end(), destino) - destino);
    }
    const std::size_t k = std::min(quedan, n);
    std::fill_n(destino, k, '1');
    quedan -= k;
    return static_cast<ssize_t>(k);
  };
}

long pico_de_memoria_kib() {
  rusage uso{};
  getrusage(RUSAGE_SELF, &uso);
  return uso.ru_maxrss;
}

TEST(Extraccion, ReadsAHugeTokenInBoundedMemory) {
  constexpr std::size_t unos = std::size_t{64} << 20;
  const long antes = pico_de_memoria_kib();
  fichero_vec datos(token_enorme(unos), bloque_normal);
  EXPECT_EQ(datos.leer_cuenta(), 2);
  std::array<float, 2> valores{};
  const valores_leidos r = datos.leer_valores(valores, {}, 1);
  EXPECT_EQ(r.cuantos, 2U);
  EXPECT_EQ(valores[0], 1.0F);
  EXPECT_EQ(valores[1], std::strtof("0.111111111111111111111111111111111111111", nullptr));
  EXPECT_EQ(datos.posicion(), static_cast<std::int64_t>(6 + unos));
  EXPECT_LT(pico_de_memoria_kib() - antes, 16 * 1024) << "KiB more at the peak";
}

// A token that is not a number gets a hint when it starts with a comma glued to the number
// before it (a decimal comma, "1,5"), whichever block boundary falls between them, and only then.
TEST(LeerValores, SaysTheDecimalSeparatorIsAPointAfterAGluedComma) {
  const std::string pista =
      "; empieza por una coma pegada al numero anterior: el separador decimal es el punto, y los "
      "valores se separan con blancos";
  const struct {
    const char* texto;
    const char* mensaje;  // without the hint
    bool con_pista;
  } casos[] = {
      {"3 1,5 2", "vec.dat: el valor 2 no es un numero", true},
      {"3 -1.,5", "vec.dat: el valor 2 no es un numero", true},
      {"3,5 2 1", "vec.dat: el valor 1 no es un numero", true},
      {"3 1 2,", "vec.dat: el valor 3 no es un numero", true},
      {"3 1 ,5", "vec.dat: el valor 2 no es un numero", false},
      {"3 1\n,5", "vec.dat: el valor 2 no es un numero", false},
      {"3 ,5", "vec.dat: el valor 1 no es un numero", false},
      {"3 1+,5", "vec.dat: el valor 2 no es un numero", false},
      {"3 1e,5", "vec.dat: el valor 1 no es un numero", false},
      {"3 1;5", "vec.dat: el valor 2 no es un numero", false},
  };
  for (const auto& caso : casos) {
    for (const std::size_t bloque : {1U, 2U, 3U, 4U, 5U, 4096U}) {
      fichero_vec datos(desde_texto(caso.texto), bloque);
      ASSERT_EQ(datos.leer_cuenta(), 3);
      std::array<float, 3> valores{};
      const valores_leidos r = datos.leer_valores(valores, {}, 1);
      EXPECT_EQ(r.motivo, parada::valor_erroneo);
      EXPECT_EQ(r.mensaje, std::string(caso.mensaje) + (caso.con_pista ? pista : ""))
          << "[" << caso.texto << "] in blocks of " << bloque;
    }
  }
}

void comparar_escritura(float v) {
  const auto d = oraculo::diferencia_de_escritura(v);
  ASSERT_FALSE(d) << *d;
}

TEST(EscribirReal, WritesWhatTheStreamWritesAroundEveryPowerOfTen) {
  // The neighbourhoods where the decimal exponent changes, for the six-digit rounding and for the
  // switch between fixed and exponent notation, with both signs.
  for (int k = -45; k <= 38; ++k) {
    auto v = static_cast<float>(std::pow(10.0, k) * 0.9999995);
    for (int paso = 0; paso < 200; ++paso) {
      v = std::nextafter(v, std::numeric_limits<float>::infinity());
      comparar_escritura(v);
      comparar_escritura(-v);
    }
  }
}

TEST(EscribirReal, RoundsExactTiesToEven) {
  // 100000.5 lies exactly between 100000 and 100001: the even one is written.
  for (float v = 100000.5F; v < 100200.0F; v += 1.0F) {
    comparar_escritura(v);
  }
  for (const float v :
       {0.5F, 2.5F, 0.0001F, 999999.5F, 999998.5F, 0.00012345650F, 1.0F / 3.0F, 0.0F, -0.0F,
        std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
        std::numeric_limits<float>::quiet_NaN(), -std::numeric_limits<float>::quiet_NaN(),
        std::numeric_limits<float>::denorm_min(), std::numeric_limits<float>::max()}) {
    comparar_escritura(v);
  }
}

TEST(EscribirReal, WritesWhatTheStreamWritesForRandomFloats) {
  std::mt19937_64 rng(5);
  for (int caso = 0; caso < 300000; ++caso) {
    const float v = std::bit_cast<float>(static_cast<std::uint32_t>(rng()));
    comparar_escritura(v);
  }
}

// The straightforward reading with the stream: count, then n values each echoed with ",".
std::string eco_del_flujo(std::istream& flujo, std::vector<float>& valores) {
  std::ostringstream eco;
  std::int32_t n = 0;
  flujo >> n;
  for (std::int32_t i = 0; i < n; ++i) {
    float v = 0.0F;
    flujo >> v;
    valores.push_back(v);
    eco << v << ',';
  }
  eco << std::endl;
  return eco.str();
}

// The same with the reader and the echo, as the programs read a group.
std::string eco_propio(fichero_vec& datos, std::vector<float>& valores) {
  std::ostringstream texto;
  valores.resize(static_cast<std::size_t>(datos.leer_cuenta()));
  std::vector<decimal_leido> decimales(valores.size());
  {
    eco_vec eco(texto);
    leer_con_eco(datos, valores, decimales, 1, eco);
    eco.terminar_linea();
  }
  return texto.str();
}

TEST(LeerGrupo, EchoesPlainDecimalsAsTheStreamWritesTheirFloats) {
  // Mantissas at the edges of six digits, with the point at every place and beyond: the echo
  // written from the decimal's digits must still switch to the float's text where the stream
  // does.
  std::string texto;
  int n = 0;
  const auto poner = [&](std::initializer_list<std::string_view> partes) {
    for (const std::string_view pieza : partes) {
      texto.append(pieza);
    }
    texto.push_back(' ');
    ++n;
  };
  for (const std::string_view m : {"1", "9", "10", "99999", "999999", "1000000", "9999995",
                                   "123456", "100000", "1234567", "16777216", "000120"}) {
    for (std::size_t punto = 0; punto <= m.size(); ++punto) {
      for (const std::string_view ceros : {"", "0", "0000", "00000000000"}) {
        for (const std::string_view signo : {"", "-", "+"}) {
          poner({signo, ceros, m.substr(0, punto), ".", m.substr(punto)});
          poner({signo, "0.", ceros, m});
          poner({signo, m, ceros});
        }
      }
    }
  }
  texto = std::to_string(n) + " " + texto;
  std::istringstream flujo(texto);
  std::vector<float> esperados;
  const std::string esperado = eco_del_flujo(flujo, esperados);
  fichero_vec propio(desde_texto(texto), bloque_entero);
  std::vector<float> obtenidos;
  EXPECT_EQ(eco_propio(propio, obtenidos), esperado);
  EXPECT_EQ(obtenidos, esperados);
}

TEST(LeerGrupo, EchoesEveryValueAsTheStreamWritesIt) {
  // Random bit patterns cover every exponent, subnormals included; the texts use several
  // notations, and short plain decimals of every length and position of the point.
  std::mt19937_64 rng(3);
  const std::filesystem::path ruta =
      std::filesystem::temp_directory_path() / ("vec_dat_test." + std::to_string(rng()));
  for (int fichero = 0; fichero < 20; ++fichero) {
    constexpr int n = 5000;
    std::string texto = std::to_string(n) + "\n";
    std::array<char, 64> numero{};
    for (int i = 0; i < n; ++i) {
      const float f = std::bit_cast<float>(static_cast<std::uint32_t>(rng() % 0x7f800000U) |
                                           (rng() % 2 != 0 ? 0x80000000U : 0U));
      const char* formato =
          std::array{"%.9g", "%.3e", "%f", "%.12g", "%g", ""}[static_cast<std::size_t>(rng() % 6)];
      if (*formato == '\0') {
        texto += decimal_corto(rng);  // echoed from the decimal's own digits
      } else {
        std::snprintf(numero.data(), numero.size(), formato, static_cast<double>(f));
        texto += numero.data();
      }
      texto += std::array{" ", "\n", "\t"}[static_cast<std::size_t>(rng() % 3)];
    }
    { std::ofstream(ruta, std::ios::binary) << texto; }

    std::ifstream flujo(ruta);
    std::vector<float> esperados;
    const std::string esperado = eco_del_flujo(flujo, esperados);

    // Whole blocks, and blocks of a few bytes that split tokens everywhere.
    fichero_vec fichero_propio(ruta.c_str(), fichero % 2 == 0 ? bloque_entero : 7);
    std::vector<float> obtenidos;
    ASSERT_EQ(eco_propio(fichero_propio, obtenidos), esperado);
    ASSERT_EQ(obtenidos, esperados);
  }
  std::filesystem::remove(ruta);
}

}  // namespace
