#pragma once

// The true figures of the series, the mean and the population standard deviation of the values
// as written in vec.dat (not of their float images), which seriestats keeps beside its float
// figures to tell the user when those stray.
//
// A value written d * 10^e (d an integer of at most 19 digits, or of up to 201 for a long token,
// see vec_dat.hpp) goes into two exact sums, of the values and of their squares, in integers
// alone, in one pass:
//   - the common case, d < 10^19 and -19 <= e <= 0 (a plain decimal of up to 19 digits), adds d
//     to a 128-bit sum for its sign and e, and d^2 to a 192-bit sum for 2e: a 64 x 64-bit
//     product and a few additions. 2^31 values stay below 2^95 and 2^159;
//   - any other value adds its base-10^9 digits, and those of its square, into arrays of 64-bit
//     words indexed by the power of ten, each word taking one digit below 10^9 a value at most:
//     2^31 values stay below 2^61, so no carry is taken until the end. The arrays span the
//     exponents that the reader lets through (10^+-100000, saturated), some 1 MiB at most.
// So a value costs a bounded amount of work and memory whatever its count, digits and exponent.
//
// At the end the sums become integers S = sum x / 10^u and Q = sum x^2 / 10^2u for the smallest
// exponent u met. Then, exactly, mean = S 10^u / n and deviation = sqrt(V) 10^u / n, with
// V = n Q - S^2 >= 0 (Cauchy-Schwarz). The figures are rounded once, to the six digits of the
// printed ones (exacto/redondeo.hpp), and compared with the printed floats in integers: the same
// bytes on every machine.

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "natural.hpp"
#include "producto_64.hpp"
#include "vec_dat.hpp"

class suma_exacta {
 public:
  // Adds the value `v` read from the decimal `d` (its sign is v's); a long decimal is taken from
  // `datos`'s list.
  void sumar(float v, const decimal_leido& d, const fichero_vec& datos) {
    // -19 <= exponente <= 0 as an index 0..19; anything else, exponente_largo included, lands
    // beyond it in unsigned arithmetic.
    const std::uint32_t k = 0U - static_cast<std::uint32_t>(d.exponente);
    if (k < cortos) {
      const std::uint32_t signo = std::bit_cast<std::uint32_t>(v) >> 31;
      std::array<std::uint64_t, 2>& l = lineal_[std::size_t{signo} * cortos + k];
      l[0] += d.mantisa;
      l[1] += l[0] < d.mantisa ? 1U : 0U;
      const auto [alto, bajo] = multiplicar_64x64(d.mantisa, d.mantisa);
      std::array<std::uint64_t, 3>& q = cuadrado_[k];
      q[0] += bajo;
      const std::uint64_t c0 = q[0] < bajo ? 1U : 0U;
      q[1] += alto;
      std::uint64_t c1 = q[1] < alto ? 1U : 0U;
      q[1] += c0;
      c1 += q[1] < c0 ? 1U : 0U;
      q[2] += c1;
    } else {
      sumar_general(datos.exacto(d, std::signbit(v)));
    }
  }

  // The sums as exact integers in units of 10^u (S) and 10^2u (Q).
  struct totales {
    entero s;
    natural q;
    std::int32_t u = 0;
  };
  [[nodiscard]] totales total() const;

 private:
  static constexpr std::size_t cortos = 20;  // exponents 0 down to -19

  void sumar_general(const decimal_exacto& x);

  std::array<std::array<std::uint64_t, 2>, 2 * cortos> lineal_{};  // [sign * 20 + k]
  std::array<std::array<std::uint64_t, 3>, cortos> cuadrado_{};    // d^2 at 10^-2k
  // The other values: base-10^9 digits without carries, word i standing for 10^(base + 9 i)
  // (10^(2 base + 9 i) for the squares).
  std::vector<std::uint64_t> positivos_;
  std::vector<std::uint64_t> negativos_;
  std::vector<std::uint64_t> cuadrados_;
};

// The warning line for standard error (without the program's name and line end), when the
// printed figures stray from the true ones beyond the tolerance: the deviation off by more than
// 0.1 % of the true one; the mean off by more than 0.1 % of the larger of the true mean's
// magnitude and the true deviation; a figure infinite or NaN. Nothing for an empty series.
std::optional<std::string> aviso_de_desvio(const suma_exacta& sumas, std::int64_t n, float media_f,
                                           float desviacion_f);

// The true figures of the series, each rounded once to six significant digits as the stream
// writes a figure: mean and deviation.
struct figuras_verdaderas {
  std::string media;
  std::string desviacion;
};
figuras_verdaderas figuras(const suma_exacta::totales& t, std::int64_t n);
