// The decimal text of the software model against the stream writing the same value as a hardware
// long double, byte for byte (prueba_x87.hpp): compared one by one on x86, and through the
// digest of the texts on every other target.

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstdint>
#include <iomanip>
#include <ios>
#include <limits>
#include <sstream>
#include <string>

#include "extendido_software.hpp"
#include "prueba_x87.hpp"

namespace {

using namespace prueba_x87;

// The text of each value, folded into the record's digest and, where there is an x87, compared
// with what the stream writes for the same bytes as a long double. One stream serves every
// value: its precision is set each time, its flags stay default.
class textos {
 public:
  void operator()(const extendido_software& x, int precision) {
    const std::string nuestro = texto_g(x, precision);
    registro_.anotar(nuestro);
    if constexpr (hay_x87) {
      flujo_.str("");
      flujo_ << std::setprecision(precision) << a_hardware(x);
      registro_.comparar(nuestro, flujo_.str(),
                         [&] { return hex(x) + " precision " + std::to_string(precision); });
    }
  }
  [[nodiscard]] const registro& r() const { return registro_; }

 private:
  registro registro_;
  std::ostringstream flujo_;
};

// A differential run of `todos` steps, paso(i, comparar) writing the texts of step i: all of them
// or the first twentieth (pasos_de_prueba), the digests checked at the end.
template <typename Paso>
void recorrer(std::uint64_t todos, std::uint64_t esperado, std::uint64_t esperado_prefijo,
              Paso paso) {
  textos comparar;
  pasos_de_prueba pasos(todos);
  for (std::uint64_t i = 0; i < pasos.cuantos(); ++i) {
    paso(i, comparar);
    pasos.tras_el_paso(i, comparar.r());
  }
  informar("textos", pasos.cuantos());
  pasos.comprobar(comparar.r(), esperado, esperado_prefijo);
}

// A precision as the tests draw it: 25 (fibratio's) half the time, else anything in 1..40.
int precision_al_azar(azar& g) { return g.hasta(2) == 0 ? 25 : static_cast<int>(1 + g.hasta(40)); }

// fibratio's route: a quotient of two int32 in the model (its division is held to the x87's by
// the arithmetic tests).
extendido_software cociente_de(std::int32_t p, std::int32_t q) {
  return extendido_software(p) / extendido_software(q);
}

// Random significands at every exponent: mostly fibratio's range and a little around it
// (2^-70 .. 2^70), then anywhere, the largest values, and the denormals and smallest normals,
// which take the long exact route.
TEST(TextoG, AgreesWithTheStreamOnRandomBitsOverTheWholeRange) {
  azar g(20261208);
  recorrer(200000, 0x3e5b53511fc21709U, 0xb7652a55e443a63fU, [&](std::uint64_t, textos& comparar) {
    std::uint64_t s = g() | bit_entero;
    std::int32_t e = 0;
    const std::uint32_t tipo = g.hasta(1000);
    if (tipo < 975) {
      e = 16383 - 70 + g.entre(0, 140);
    } else if (tipo < 990) {
      e = g.entre(1, 0x7ffe);
    } else if (tipo < 995) {
      e = g.entre(0x7ffe - 3, 0x7ffe);
    } else {
      e = g.entre(0, 2);
      if (e == 0) {
        s = (s >> g.hasta(64)) & ~bit_entero;
      }
    }
    const bool negativo = g.hasta(2) == 0;
    comparar(empaquetar(negativo, e, s), precision_al_azar(g));
  });
}

TEST(TextoG, AgreesWithTheStreamOnQuotientsOfInt32) {
  azar g(55);
  recorrer(1200000, 0x4c80e73703a8b503U, 0x70c5348ea4764fb3U,
           [&](std::uint64_t i, textos& comparar) {
             auto p = static_cast<std::int32_t>(static_cast<std::uint32_t>(g()));
             auto q = static_cast<std::int32_t>(static_cast<std::uint32_t>(g()));
             if (i % 4 == 0) {  // small operands, as consecutive Fibonacci numbers are early on
               p %= 1000;
               q %= 1000;
             }
             comparar(cociente_de(p, q), 25);
           });
}

// Exact decimal ties and their neighbours one ulp away. An odd c times 2^-t (t >= 1) ends its
// expansion in a 5; an odd u times 5^(j+1) * 2^j is 5u followed by j zeros. Either way, rounding
// to one digit fewer than the expansion has is a tie; every precision 1..40 is compared, so the
// tie's precision is among them whenever the expansion has at most 41 digits.
TEST(TextoG, AgreesWithTheStreamAtAndNextToDecimalTies) {
  azar g(9);
  recorrer(6000, 0x37084f357e99bf90U, 0x686ea6befd3ff7a8U, [&](std::uint64_t i, textos& comparar) {
    std::uint64_t c = 0;
    std::int32_t e2 = 0;  // value = c * 2^e2
    if (i % 2 == 0) {
      const std::uint32_t bits = 1 + g.hasta(40);
      c = (g() >> (64 - bits)) | 1U;
      e2 = -static_cast<std::int32_t>(1 + g.hasta(30));
    } else {
      const auto j = static_cast<std::int32_t>(g.hasta(26));
      std::uint64_t cinco = 1;
      for (std::int32_t k = 0; k <= j; ++k) {
        cinco *= 5;
      }
      c = ((g() % (std::numeric_limits<std::uint64_t>::max() / cinco)) | 1U) * cinco;
      e2 = j;
    }
    // Normalise: bit 63 set, the shift moved into the exponent.
    const int corrimiento = std::countl_zero(c);
    const std::uint64_t m = c << corrimiento;
    const std::int32_t e = e2 - corrimiento + 16383 + 63;
    const bool negativo = g.hasta(2) == 0;
    for (const std::uint64_t vecino : {m, m + 1, m - 1}) {
      if ((vecino & bit_entero) == 0) {
        continue;  // m - 1 left the binade
      }
      for (int precision = 1; precision <= 40; ++precision) {
        comparar(empaquetar(negativo, e, vecino), precision);
      }
    }
  });
}

// Zeros, infinities, NaNs (quiet, signalling, the x87's default) and the extremes of the range,
// at the precisions the stream may be given, negative and zero included.
TEST(TextoG, AgreesWithTheStreamOnSpecialValues) {
  struct codificacion {
    std::uint64_t significando;
    std::int32_t exponente;
  };
  // clang-format off
  const std::array<codificacion, 10> casos = {{
      {0, 0}, {bit_entero, 0x7fff}, {0xC000000000000000U, 0x7fff},
      {0x8000000000000001U, 0x7fff}, {0xFFFFFFFFFFFFFFFFU, 0x7fff}, {0xFFFFFFFFFFFFFFFFU, 0x7ffe},
      {bit_entero, 0x7ffe}, {bit_entero, 1}, {1, 0}, {0x7FFFFFFFFFFFFFFFU, 0}}};
  // clang-format on
  textos comparar;
  for (const auto& c : casos) {
    for (const bool negativo : {false, true}) {
      for (const int precision : {-1, 0, 1, 6, 17, 25, 40, 80}) {
        comparar(empaquetar(negativo, c.exponente, c.significando), precision);
      }
    }
  }
  comprobar_digest("whole run", comparar.r().digest(), 0xf8950578d703735dU);
}

// The field width as fibratio sets it, and the other adjustments, on quotients as fibratio
// computes them.
TEST(Insercion, PadsLikeTheStream) {
  azar g(3);
  registro r;
  for (int caso = 0; caso < 3000; ++caso) {
    const auto p = static_cast<std::int32_t>(static_cast<std::uint32_t>(g()) >> g.hasta(32));
    const auto q = static_cast<std::int32_t>(1 + g.hasta(100000));
    extendido_software x = cociente_de(p, q);
    x.negativo = x.negativo != (caso % 2 == 0);
    const int ancho = caso % 4 == 0 ? static_cast<int>(g.hasta(40)) : 25;
    const int precision = precision_al_azar(g);
    const char relleno = caso % 3 == 0 ? '*' : ' ';
    const auto ajuste = caso % 5 == 0   ? std::ios_base::left
                        : caso % 5 == 1 ? std::ios_base::internal
                                        : std::ios_base::fmtflags{};
    std::ostringstream nuestro;
    std::ostringstream flujo;
    for (std::ostringstream* s : {&nuestro, &flujo}) {
      s->fill(relleno);
      s->setf(ajuste, std::ios_base::adjustfield);
      *s << std::setprecision(precision) << '[' << std::setw(ancho);
    }
    nuestro << x << ']';
    r.anotar(nuestro.str());
    if constexpr (hay_x87) {
      flujo << a_hardware(x) << ']';
      r.comparar(nuestro.str(), flujo.str(), [&] { return hex(x); });
    }
  }
  comprobar_digest("whole run", r.digest(), 0xc70cf9c06603ecf7U);
}

}  // namespace
