#include "fibonacci.hpp"

#include <gtest/gtest.h>

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

TEST(Fibonacci, RunsTheRecurrenceBackwardsForNegativeN) {
  // F(-n) = (-1)^(n+1) F(n): 1, -1, 2, -3, 5, -8, ...
  static_assert(fibonacci(-1) == 1 && fibonacci(-2) == -1 && fibonacci(-3) == 2 &&
                fibonacci(-4) == -3);
  for (std::int32_t n = 1; n <= 30; ++n) {
    const std::int32_t signo = n % 2 == 1 ? 1 : -1;
    ASSERT_EQ(fibonacci(-n), signo * fibonacci_iterativo(n)) << "n = " << -n;
  }
}

}  // namespace
