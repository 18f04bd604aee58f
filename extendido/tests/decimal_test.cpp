// The decimal text of the software model against the stream writing the same bytes as a
// hardware long double. The comparisons need the x87 format (amd64, i386); elsewhere they are
// skipped.

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <iomanip>
#include <iostream>
#include <limits>
#include <random>
#include <sstream>
#include <string>

#include "extendido_software.hpp"

namespace {

// Only x86 has the x87: m68k's long double has the same widths, but its NaNs, denormals and
// encodings are the 68881's.
#if defined(__x86_64__) || defined(__i386__)
constexpr bool hay_x87 =
    std::numeric_limits<long double>::digits == 64 && sizeof(long double) >= 10;
#else
constexpr bool hay_x87 = false;
#endif

extendido_software de_campos(std::uint64_t significando, std::uint16_t exponente, bool negativo) {
  extendido_software x;
  x.significando = significando;
  x.exponente = exponente;
  x.negativo = negativo;
  return x;
}

// The x87 bytes: significand in bytes 0-7, sign and exponent in bytes 8-9, little-endian.
long double a_hardware(const extendido_software& x) {
  long double v = 0;
  const auto alto = static_cast<std::uint16_t>(x.exponente | (x.negativo ? 0x8000U : 0U));
  std::memcpy(&v, &x.significando, 8);
  std::memcpy(reinterpret_cast<unsigned char*>(&v) + 8, &alto, 2);
  return v;
}

extendido_software de_hardware(long double v) {
  extendido_software x;
  std::uint16_t alto = 0;
  std::memcpy(&x.significando, &v, 8);
  std::memcpy(&alto, reinterpret_cast<const unsigned char*>(&v) + 8, 2);
  x.exponente = static_cast<std::uint16_t>(alto & 0x7fffU);
  x.negativo = (alto & 0x8000U) != 0;
  return x;
}

// One stream reused for every value: its precision is set each time, its flags stay default.
class comparador {
 public:
  // The number of values compared so far.
  long cuenta = 0;

  ::testing::AssertionResult operator()(const extendido_software& x, int precision) {
    ++cuenta;
    flujo_.str("");
    flujo_ << std::setprecision(precision) << a_hardware(x);
    const std::string nuestro = texto_general(x, precision);
    if (flujo_.str() == nuestro) {
      return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << std::hex << "significando 0x" << x.significando << " exponente 0x" << x.exponente
           << " negativo " << x.negativo << std::dec << " precision " << precision << ": stream ["
           << flujo_.str() << "] ours [" << nuestro << "]";
  }

 private:
  std::ostringstream flujo_;
};

// A precision as the tests draw it: 25 (fibratio's) half the time, else anything in 1..40.
int precision_al_azar(std::mt19937_64& rng) {
  return rng() % 2 == 0 ? 25 : static_cast<int>(1 + rng() % 40);
}

TEST(TextoGeneral, AgreesWithTheStreamOnRandomBitsOverTheWholeRange) {
  if (!hay_x87) {
    GTEST_SKIP() << "long double is not the x87 format here";
  }
  std::mt19937_64 rng(20261208);
  comparador comparar;
  for (int caso = 0; caso < 200000; ++caso) {
    std::uint64_t s = rng() | 0x8000000000000000U;
    std::uint16_t e = 0;
    const auto tipo = rng() % 1000;
    if (tipo < 975) {  // fibratio's range and a little around it: 2^-70 .. 2^70
      e = static_cast<std::uint16_t>(16383 - 70 + static_cast<int>(rng() % 141));
    } else if (tipo < 990) {  // anywhere
      e = static_cast<std::uint16_t>(1 + rng() % 0x7ffe);
    } else if (tipo < 995) {  // the largest values
      e = static_cast<std::uint16_t>(0x7ffe - rng() % 4);
    } else {  // denormals and the smallest normals
      e = static_cast<std::uint16_t>(rng() % 3);
      if (e == 0) {
        s >>= rng() % 64;
        s &= ~0x8000000000000000U;
      }
    }
    ASSERT_TRUE(comparar(de_campos(s, e, rng() % 2 != 0), precision_al_azar(rng)));
  }
  std::cout << "[ compared ] " << comparar.cuenta << " values\n";
}

TEST(TextoGeneral, AgreesWithTheStreamOnQuotientsOfInt32) {
  if (!hay_x87) {
    GTEST_SKIP() << "long double is not the x87 format here";
  }
  std::mt19937_64 rng(55);
  comparador comparar;
  for (int caso = 0; caso < 1200000; ++caso) {
    auto p = static_cast<std::int32_t>(static_cast<std::uint32_t>(rng()));
    auto q = static_cast<std::int32_t>(static_cast<std::uint32_t>(rng()));
    if (caso % 4 == 0) {  // small operands, as consecutive Fibonacci numbers are early on
      p = static_cast<std::int32_t>(p % 1000);
      q = static_cast<std::int32_t>(q % 1000);
    }
    const long double r = static_cast<long double>(p) / static_cast<long double>(q);
    ASSERT_TRUE(comparar(de_hardware(r), 25)) << p << " / " << q;
  }
  std::cout << "[ compared ] " << comparar.cuenta << " values\n";
}

// Exact decimal ties and their neighbours one ulp away. An odd c times 2^-t (t >= 1) ends its
// expansion in a 5; an odd u times 5^(j+1) * 2^j is 5u followed by j zeros. Either way, rounding
// to one digit fewer than the expansion has is a tie; every precision 1..40 is compared, so the
// tie's precision is among them whenever the expansion has at most 41 digits.
TEST(TextoGeneral, AgreesWithTheStreamAtAndNextToDecimalTies) {
  if (!hay_x87) {
    GTEST_SKIP() << "long double is not the x87 format here";
  }
  std::mt19937_64 rng(9);
  comparador comparar;
  for (int caso = 0; caso < 6000; ++caso) {
    std::uint64_t c = 0;
    int e2 = 0;  // value = c * 2^e2
    if (caso % 2 == 0) {
      const auto bits = 1 + rng() % 40;
      c = (rng() >> (64 - bits)) | 1U;
      e2 = -static_cast<int>(1 + rng() % 30);
    } else {
      const auto j = static_cast<int>(rng() % 26);
      std::uint64_t cinco = 1;
      for (int i = 0; i <= j; ++i) {
        cinco *= 5;
      }
      c = ((rng() % (std::numeric_limits<std::uint64_t>::max() / cinco)) | 1U) * cinco;
      e2 = j;
    }
    // Normalise: bit 63 set, the shift moved into the exponent.
    const int corrimiento = std::countl_zero(c);
    const std::uint64_t m = c << corrimiento;
    const auto e = static_cast<std::uint16_t>(e2 - corrimiento + 16383 + 63);
    const bool negativo = rng() % 2 != 0;
    for (const std::uint64_t vecino : {m, m + 1, m - 1}) {
      if ((vecino & 0x8000000000000000U) == 0) {
        continue;  // m - 1 left the binade
      }
      for (int precision = 1; precision <= 40; ++precision) {
        ASSERT_TRUE(comparar(de_campos(vecino, e, negativo), precision));
      }
    }
  }
  std::cout << "[ compared ] " << comparar.cuenta << " values\n";
}

// Zeros, infinities, NaNs (quiet, signalling, the x87's default), the extremes of the range,
// and the encodings the x87 never produces: pseudo-denormals, unnormals, pseudo-infinities.
TEST(TextoGeneral, AgreesWithTheStreamOnSpecialValuesAndEncodings) {
  if (!hay_x87) {
    GTEST_SKIP() << "long double is not the x87 format here";
  }
  struct codificacion {
    std::uint64_t significando;
    std::uint16_t exponente;
  };
  // clang-format off
  const codificacion casos[] = {
      {0, 0}, {0x8000000000000000U, 0x7fff}, {0xC000000000000000U, 0x7fff},
      {0x8000000000000001U, 0x7fff}, {0xFFFFFFFFFFFFFFFFU, 0x7fff}, {0xFFFFFFFFFFFFFFFFU, 0x7ffe},
      {0x8000000000000000U, 0x7ffe}, {0x8000000000000000U, 1}, {1, 0}, {0x7FFFFFFFFFFFFFFFU, 0},
      // pseudo-denormals, unnormals, a pseudo-infinity and a pseudo-NaN
      {0x8000000000000000U, 0}, {0x8000000000000001U, 0}, {0xC000000000000000U, 0},
      {0x4000000000000000U, 0x3fff}, {0, 0x3fff}, {0, 0x7fff}, {0x4000000000000000U, 0x7fff}};
  // clang-format on
  comparador comparar;
  for (const auto& c : casos) {
    for (const bool negativo : {false, true}) {
      for (const int precision : {-1, 0, 1, 6, 17, 25, 40, 80}) {
        EXPECT_TRUE(comparar(de_campos(c.significando, c.exponente, negativo), precision));
      }
    }
  }
}

// The field width as fibratio sets it, and the other adjustments, on a sample of values.
TEST(Insercion, PadsLikeTheStream) {
  if (!hay_x87) {
    GTEST_SKIP() << "long double is not the x87 format here";
  }
  std::mt19937_64 rng(3);
  for (int caso = 0; caso < 3000; ++caso) {
    const auto p = static_cast<std::int32_t>(static_cast<std::uint32_t>(rng()) >> (rng() % 32));
    const auto q = static_cast<std::int32_t>(1 + rng() % 100000);
    const long double r =
        (caso % 2 == 0 ? -1.0L : 1.0L) * static_cast<long double>(p) / static_cast<long double>(q);
    const int ancho = caso % 4 == 0 ? static_cast<int>(rng() % 40) : 25;
    const int precision = precision_al_azar(rng);
    const char relleno = caso % 3 == 0 ? '*' : ' ';
    const auto ajuste = caso % 5 == 0   ? std::ios_base::left
                        : caso % 5 == 1 ? std::ios_base::internal
                                        : std::ios_base::fmtflags{};
    std::ostringstream flujo;
    std::ostringstream nuestro;
    for (std::ostringstream* s : {&flujo, &nuestro}) {
      s->fill(relleno);
      s->setf(ajuste, std::ios_base::adjustfield);
      *s << std::setprecision(precision) << '[' << std::setw(ancho);
    }
    flujo << r << ']';
    nuestro << de_hardware(r) << ']';
    ASSERT_EQ(flujo.str(), nuestro.str());
  }
}

}  // namespace
