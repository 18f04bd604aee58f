#include "fibonacci.hpp"
#include "fibonacci_avance.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

constexpr std::int32_t max32 = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t min32 = std::numeric_limits<std::int32_t>::min();

// F(n) iteratively with 64-bit sums reduced modulo 2^32, read as signed: an independent reference.
std::int32_t fibonacci_iterativo(std::int32_t n) {
  std::uint64_t a = 0;  // F(k)
  std::uint64_t b = 1;  // F(k+1)
  for (std::int32_t k = 0; k < n; ++k) {
    const std::uint64_t siguiente = (a + b) & 0xffffffffU;
    a = b;
    b = siguiente;
  }
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a));
}

TEST(Suma32, WrapsAroundWithoutOverflow) {
  static_assert(suma_32(max32, 1) == min32);
  static_assert(suma_32(min32, -1) == max32);
  static_assert(suma_32(max32, max32) == -2);
  static_assert(resta_32(min32, 1) == max32);
  static_assert(resta_32(0, min32) == min32);
  // F(47) = F(46) + F(45) = 2971215073, which reads as 2971215073 - 2^32.
  EXPECT_EQ(suma_32(fibonacci_iterativo(46), fibonacci_iterativo(45)), -1323752223);
  EXPECT_EQ(suma_32(1836311903, 1134903170), -1323752223);
}

TEST(Fibonacci, MatchesTheIterativeDefinition) {
  for (std::int32_t n = 0; n <= 32; ++n) {
    ASSERT_EQ(fibonacci(n), fibonacci_iterativo(n)) << "n = " << n;
  }
}

TEST(Fibonacci, NegativeNGiveTheRecurrenceRunBackwards) {
  static_assert(fibonacci(-1) == 1 && fibonacci(-2) == -1 && fibonacci(-3) == 2 &&
                fibonacci(-4) == -3);
  // F(n) = F(n+2) - F(n+1) run down to -n_maximo in wrap-around arithmetic, against the sign rule
  // applied to the iterative F(m): the identity holds modulo 2^32 for every m.
  std::int32_t f_2 = 1;  // F(n+2), starting at n = -1
  std::int32_t f_1 = 0;  // F(n+1)
  for (std::int32_t m = 1; m <= n_maximo; ++m) {
    const std::int32_t f = resta_32(f_2, f_1);
    ASSERT_EQ(fibonacci_negativo(m, fibonacci_iterativo(m)), f) << "n = " << -m;
    f_2 = f_1;
    f_1 = f;
  }
  for (std::int32_t m = 1; m <= 30; ++m) {
    ASSERT_EQ(fibonacci(-m), fibonacci_negativo(m, fibonacci_iterativo(m))) << "n = " << -m;
  }
}

// The evaluation with progress reports gives fibonacci's value and reports, in all, exactly the
// calls that the plain recursion makes, wherever the top of the tree ends.
TEST(FibonacciAvisando, ReportsEveryCallOnceAndGivesTheSameValue) {
  for (const std::int32_t hoja : {0, 1, 2, 7, 30}) {
    for (std::int32_t n = -27; n <= 27; ++n) {
      std::uint64_t contadas = 0;
      auto avisar = [&contadas](std::uint64_t llamadas) { contadas += llamadas; };
      ASSERT_EQ(fibonacci_avisando(n, avisar, hoja), fibonacci(n)) << n << " " << hoja;
      // 2 F(|n|+1) - 1 from the iterative definition, 1 for F(0).
      const std::int32_t m = n < 0 ? -n : n;
      const auto esperadas =
          n == 0 ? 1U : 2U * static_cast<std::uint64_t>(fibonacci_iterativo(m + 1)) - 1U;
      ASSERT_EQ(contadas, esperadas) << n << " " << hoja;
      ASSERT_EQ(llamadas_exactas(n), esperadas) << n;
    }
  }
}

TEST(FibonacciAvisando, CountsTheCallsOfAWholeRun) {
  // A run evaluates F(n) twice and F(n-1) once; past |n| = 90 the count is taken from phi^k, and
  // both ways agree there.
  for (const std::int32_t n : {1, 2, 10, 40, 89, -40, -88}) {
    const auto exactas = 2.0 * static_cast<double>(llamadas_exactas(n)) +
                         static_cast<double>(llamadas_exactas(n - 1));
    EXPECT_NEAR(log10_llamadas_de_ejecucion(n), std::log10(exactas), 1e-12) << n;
  }
  EXPECT_NEAR(log10_llamadas_de_ejecucion(91) - log10_llamadas_de_ejecucion(90),
              std::log10((1.0 + std::sqrt(5.0)) / 2.0), 1e-9);
  // F(10001) has 2090 digits.
  EXPECT_NEAR(log10_llamadas_de_ejecucion(n_maximo), 2090.0, 1.0);
}

}  // namespace
