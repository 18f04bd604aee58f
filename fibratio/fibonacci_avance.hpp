#pragma once

// The count of fibratio's calls, for its progress line: the recursion of fibonacci.hpp, call for
// call, telling how many calls each completed subtree made, and the total of a run.

#include <cmath>
#include <cstdint>

#include "fibonacci.hpp"

// Evaluation with progress reports. The recursion is the same, call for call and in the same
// order, but the top of the tree, where arguments exceed `hoja`, runs here: each subtree below
// it is evaluated by fibonacci_natural, and when it is complete `avisar(llamadas)` is told how
// many calls of fibonacci_natural it made. The few thousand calls at the top cost nothing
// beside the millions in each subtree, and the recursion itself carries no counter.
inline constexpr std::int32_t hoja_avisos = 30;

// The calls one evaluation of F(n) makes in fibonacci_natural: 2 F(|n|+1) - 1 (1 for n = 0).
constexpr std::uint64_t llamadas_exactas(std::int32_t n) {
  std::uint64_t a = 0;  // F(k)
  std::uint64_t b = 1;  // F(k+1)
  for (std::int32_t k = 0; k < (n < 0 ? -n : n); ++k) {
    const std::uint64_t siguiente = a + b;
    a = b;
    b = siguiente;
  }
  return n == 0 ? 1 : 2 * b - 1;
}

template <typename Avisar>
std::int32_t fibonacci_avisando_natural(std::int32_t n, Avisar& avisar, std::int32_t hoja) {
  if (n <= hoja || n <= 1) {
    const std::int32_t f = fibonacci_natural(n);
    avisar(llamadas_exactas(n));
    return f;
  }
  const std::int32_t f = suma_32(fibonacci_avisando_natural(n - 1, avisar, hoja),
                                 fibonacci_avisando_natural(n - 2, avisar, hoja));
  avisar(std::uint64_t{1});
  return f;
}

// fibonacci(n), reporting its calls to `avisar` as described above.
template <typename Avisar>
std::int32_t fibonacci_avisando(std::int32_t n, Avisar& avisar, std::int32_t hoja = hoja_avisos) {
  if (n < 0) {
    return fibonacci_negativo(-n, fibonacci_avisando_natural(-n, avisar, hoja));
  }
  return fibonacci_avisando_natural(n, avisar, hoja);
}

// log10 of the calls a whole run of fibratio makes: F(n) twice and F(n-1) once. The counts
// outgrow every integer type from |n| = 92 on and double from about 1475; past 90 they are taken
// from F(k) = phi^k / sqrt(5), exact to far more digits than a progress line shows.
inline double log10_llamadas_de_ejecucion(std::int32_t n) {
  const auto log10_llamadas = [](std::int32_t m) {
    const std::int32_t k = (m < 0 ? -m : m) + 1;
    if (k <= 90) {
      return std::log10(static_cast<double>(llamadas_exactas(m)));
    }
    const double log10_phi = std::log10((1.0 + std::sqrt(5.0)) / 2.0);
    return static_cast<double>(k) * log10_phi - std::log10(std::sqrt(5.0)) + std::log10(2.0);
  };
  const double a = log10_llamadas(n);      // F(n), evaluated twice
  const double b = log10_llamadas(n - 1);  // F(n-1), once
  return a + std::log10(2.0 + std::pow(10.0, b - a));
}
