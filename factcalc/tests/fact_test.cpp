#include "fact.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace {

// The true n! reduced modulo 2^32, from 64-bit arithmetic reduced after every step, read as signed.
std::int32_t factorial_modulo_2_32(std::int64_t n) {
  std::uint64_t r = 1;
  for (std::int64_t i = 1; i <= n; ++i) {
    r = (r * static_cast<std::uint64_t>(i)) & 0xffffffffU;
  }
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(r));
}

TEST(Fact, IsTheLow32BitsOfTheTrueFactorial) {
  for (std::int32_t n = 0; n <= 200; ++n) {
    ASSERT_EQ(fact(n), factorial_modulo_2_32(n)) << "n = " << n;
  }
}

TEST(Fact, IsOneForZeroAndEveryNegativeNumber) {
  for (const std::int32_t n : {0, -1, -3, -1000, std::numeric_limits<std::int32_t>::min()}) {
    EXPECT_EQ(fact(n), 1) << "n = " << n;
  }
}

}  // namespace
