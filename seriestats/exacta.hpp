#pragma once

// The exact statistics that seriestats keeps beside its float figures, to tell the user when the
// float arithmetic has strayed.
//
// A float is m * 2^(e - 150), with an integer m < 2^24 and its exponent field e (1 for the
// subnormals). The sum of the values and the sum of their squares are kept exactly, as integers
// per exponent field: the signed sum of the m and the sum of the m^2 (below 2^79 for 2^31 values,
// kept in two 64-bit words). Adding a value is three integer additions. At the end the fields
// are gathered into exact integers of a few hundred bits, and the exact mean and deviation, and
// the comparison with the float figures, are worked out in integer arithmetic alone: the result
// is the same bytes on every machine, whatever its floating-point unit does with excess
// precision, because no floating-point operation that could round takes part (the only ones are
// the conversion of a 53-bit integer to double and a scaling by a power of two, both exact).

#include <array>
#include <bit>
#include <cstdint>
#include <optional>
#include <string>

struct suma_exacta {
  std::array<std::int64_t, 256> lineal{};
  std::array<std::uint64_t, 256> cuadrado_bajo{};
  std::array<std::uint64_t, 256> cuadrado_alto{};

  void sumar(float v) {
    const auto bits = std::bit_cast<std::uint32_t>(v);
    auto e = static_cast<std::size_t>((bits >> 23) & 0xffU);
    std::uint32_t m = bits & 0x7fffffU;
    if (e != 0) {
      m |= 0x800000U;
    } else {
      e = 1;
    }
    lineal[e] += (bits >> 31) != 0 ? -static_cast<std::int64_t>(m) : static_cast<std::int64_t>(m);
    const std::uint64_t q = std::uint64_t{m} * m;
    cuadrado_bajo[e] += q;
    cuadrado_alto[e] += cuadrado_bajo[e] < q ? 1U : 0U;
  }
};

// The exact figures of a series of n > 0 values, as doubles (truncated to 53 bits), and whether
// the float figures stray from them beyond the tolerance: the deviation off by more than 0.1 % of
// itself; the mean off by more than 0.1 % of the larger of the exact mean's magnitude and the
// exact deviation; or a float figure infinite or NaN (the exact ones never are).
struct comparacion_exacta {
  double media = 0.0;
  double desviacion = 0.0;
  bool se_aparta = false;
};

comparacion_exacta comparar_con_exacta(const suma_exacta& sumas, std::int64_t n, float media_f,
                                       float desviacion_f);

// The warning line for standard error (without the program's name and line end), when the float
// figures stray from the exact ones; nothing for an empty series.
std::optional<std::string> aviso_de_desvio(const suma_exacta& sumas, std::int64_t n, float media_f,
                                           float desviacion_f);
