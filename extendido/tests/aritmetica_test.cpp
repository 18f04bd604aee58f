// The software model against the x87 itself: generated operands of every class, with the
// significand patterns that reach the hard roundings, each operation done both ways and compared
// bit for bit (prueba_x87.hpp).

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>

#include "extendido_software.hpp"
#include "pasos_fusionados.hpp"
#include "producto_64.hpp"
#include "prueba_x87.hpp"

namespace {

using namespace prueba_x87;

// k leading bits (random or all ones), then a tie for rounding to k bits (1000..), or just below
// (0111..) or above it (1000..1).
std::uint64_t cerca_de_empate(azar& g, std::uint32_t k) {
  const std::uint64_t alto =
      (g.hasta(4) == 0 ? ~std::uint64_t{0} : g()) & ~(~std::uint64_t{0} >> k);
  const std::uint64_t mitad = std::uint64_t{1} << (63 - k);
  const std::array<std::uint64_t, 3> colas = {mitad, mitad - 1, mitad | 1U};
  return alto | colas[g.hasta(3)] | bit_entero;
}

// Significands that reach the hard cases: few leading bits (as from float or int32), long runs of
// ones and zeros, odd numbers of k bits (two whose lengths add to 65 multiply to an exact tie),
// one or two bits besides the leading one (one of them among the last few), the extremes, and a
// tie, or just below or above one, at a random position.
std::uint64_t significando_con_patron(azar& g) {
  switch (g.hasta(8)) {
    case 0:
      return g() | bit_entero;
    case 1: {  // k leading bits, k < 64
      const std::uint32_t k = 1 + g.hasta(63);
      return (g() | bit_entero) & ~(~std::uint64_t{0} >> k);
    }
    case 2: {  // runs
      std::uint64_t s = 0;
      bool uno = (g() & 1U) != 0;
      for (int pos = 63; pos >= 0;) {
        const int largo = 1 + static_cast<int>(g.hasta(20));
        for (int i = 0; i < largo && pos >= 0; ++i, --pos) {
          s |= (uno ? std::uint64_t{1} : 0U) << pos;
        }
        uno = !uno;
      }
      return s | bit_entero;
    }
    case 3: {  // odd with k bits
      const std::uint32_t k = 1 + g.hasta(64);
      return (g() | 1U | bit_entero) << (64 - k) | bit_entero;
    }
    case 4: {
      const std::uint64_t uno = std::uint64_t{1} << g.hasta(64);
      return bit_entero | uno | std::uint64_t{1} << g.hasta(8);
    }
    case 5:
      return g.hasta(2) == 0 ? bit_entero : ~std::uint64_t{0};
    default:
      return cerca_de_empate(g, 1 + g.hasta(62));
  }
}

std::int32_t exponente_de_prueba(azar& g) {
  switch (g.hasta(8)) {
    case 0:
      return g.entre(1, 0x7ffe);
    case 1:
      return g.entre(1, 80);  // results near or among the denormals
    case 2:
      return g.entre(0x7ffe - 80, 0x7ffe);  // results near overflow
    case 3: {  // products and quotients landing near either end of the range
      const std::int32_t extremo = g.hasta(2) == 0 ? 8191 : -8191;
      return 16383 + extremo + g.entre(-80, 80);
    }
    default:
      return 16383 + g.entre(-40, 40);
  }
}

std::uint32_t float_de_prueba(azar& g) {
  const std::uint32_t signo = (g() & 1U) != 0 ? 0x80000000U : 0U;
  switch (g.hasta(8)) {
    case 0:
      return signo;  // zero
    case 1:
      return signo | 0x7f800000U;  // infinity
    case 2:
      return signo | 0x7f800000U | static_cast<std::uint32_t>(1 + g.hasta(0x7fffff));  // NaN
    case 3: {                                                                          // subnormal
      const std::uint32_t fraccion_llena = 1 + g.hasta(0x7fffff);
      const std::uint32_t fraccion = fraccion_llena >> g.hasta(23);
      return signo | (fraccion == 0 ? 1U : fraccion);
    }
    default:
      return static_cast<std::uint32_t>(g());
  }
}

std::int32_t entero_de_prueba(azar& g, std::uint64_t i) {
  constexpr std::array<std::int32_t, 5> fijos = {
      std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max(), 0, 1, -1};
  if (i < fijos.size()) {
    return fijos[static_cast<std::size_t>(i)];  // i < 5: no loss on 32-bit targets
  }
  const auto bits = static_cast<std::uint32_t>(g());
  return static_cast<std::int32_t>(bits >> g.hasta(32));
}

// Operands of every class: mostly normal numbers with patterned significands, and floats, int32s,
// results of earlier operations (full 64-bit significands), zeros, infinities, NaNs of both kinds,
// denormals, and random bits in every encoding that values take.
class operandos {
 public:
  explicit operandos(std::uint64_t semilla) : g_(semilla) {}

  extendido_software siguiente() { return siguiente(exponente_de_prueba(g_)); }

  // A second operand, with its exponent near the first one's half of the time: equal or close
  // (deep cancellation), within a significand's width, or where b falls just below a's last bit.
  extendido_software cerca_de(const extendido_software& a) {
    if (g_.hasta(2) == 0 && a.exponente > 0 && a.exponente < 0x7fff) {
      const std::int32_t signo = g_.hasta(2) == 0 ? 1 : -1;
      const std::array<std::int32_t, 3> distancias = {g_.entre(0, 3), g_.entre(0, 70),
                                                      g_.entre(60, 68)};
      const std::int32_t e = a.exponente + signo * distancias[g_.hasta(3)];
      if (e >= 1 && e <= 0x7ffe) {
        return siguiente(e);
      }
    }
    return siguiente();
  }

  void guardar(const extendido_software& resultado) {
    cadena_[g_.hasta(tamano_cadena)] = resultado;
  }
  azar& g() { return g_; }

 private:
  extendido_software siguiente(std::int32_t e) {
    const bool negativo = (g_() & 1U) != 0;
    switch (g_.hasta(20)) {
      case 0:
      case 1:
        return extendido_software(std::bit_cast<float>(float_de_prueba(g_)));
      case 2:
        return extendido_software(entero_de_prueba(g_, 100));
      case 3:
      case 4:
      case 5:
        return cadena_[g_.hasta(tamano_cadena)];
      case 6:
        switch (g_.hasta(4)) {
          case 0:
            return empaquetar(negativo, 0, 0);
          case 1:
            return empaquetar(negativo, 0x7fff, bit_entero);
          case 2:  // NaN, quiet or signalling
          {
            const std::uint64_t carga = g_() >> 1;
            return empaquetar(negativo, 0x7fff, bit_entero | carga | (g_.hasta(2) + 1U));
          }
          default:  // denormal
          {
            const std::uint64_t s = significando_con_patron(g_);
            return empaquetar(negativo, 0, s >> (1 + g_.hasta(63)));
          }
        }
      case 7: {  // random bits: bit 63 is set exactly where the exponent is not 0
        const auto exponente = static_cast<std::int32_t>(g_() & 0x7fffU);
        const std::uint64_t bits = g_();
        return empaquetar(negativo, exponente,
                          exponente == 0 ? bits & ~bit_entero : bits | bit_entero);
      }
      default:
        return empaquetar(negativo, e, significando_con_patron(g_));
    }
  }

  static constexpr std::uint32_t tamano_cadena = 64;
  azar g_;
  std::array<extendido_software, tamano_cadena> cadena_{};
};

constexpr std::uint64_t por_operacion = 10'000'000;

TEST(AritmeticaSoftware, AddsSubtractsMultipliesAndDividesAsTheX87) {
  operandos op(1);
  registro r;
  pasos_de_prueba pasos(por_operacion);
  std::uint64_t productos_portatiles_distintos = 0;
  for (std::uint64_t i = 0; i < pasos.cuantos(); ++i) {
    const extendido_software a = op.siguiente();
    const extendido_software b = op.cerca_de(a);
    const std::array<extendido_software, 4> modelo = {a + b, a - b, a * b, a / b};
    for (const extendido_software& x : modelo) {
      r.anotar(x);
    }
    op.guardar(modelo[op.g().hasta(4)]);
    // The product of targets without a 128-bit integer, checked here where there is one.
    const auto p = multiplicar_64x64(a.significando, b.significando);
    const auto q = multiplicar_64x64_portatil(a.significando, b.significando);
    productos_portatiles_distintos += p.alto != q.alto || p.bajo != q.bajo ? 1U : 0U;
    if constexpr (hay_x87) {
      const long double ha = a_hardware(a);
      const long double hb = a_hardware(b);
      const std::array<extendido_software, 4> hardware = {
          desde_hardware(ha + hb), desde_hardware(ha - hb), desde_hardware(ha * hb),
          desde_hardware(ha / hb)};
      for (std::size_t k = 0; k < 4; ++k) {
        r.comparar(modelo[k], hardware[k], [&] { return hex(a) + " " + "+-*/"[k] + " " + hex(b); });
      }
    }
    pasos.tras_el_paso(i, r);
  }
  informar("sumas", pasos.cuantos());
  informar("restas", pasos.cuantos());
  informar("productos", pasos.cuantos());
  informar("cocientes", pasos.cuantos());
  EXPECT_EQ(productos_portatiles_distintos, 0U);
  pasos.comprobar(r, 0xdb0f229f96720dc0U, 0xe4f1ee4c99719440U);
}

// Values for the rounding to float: the float's exponents from below its subnormals to beyond its
// largest, with ties at the precision of each (24 bits, fewer among the subnormals), and every
// other class of operand.
extendido_software para_float(operandos& op) {
  azar& g = op.g();
  if (g.hasta(5) == 0) {
    return op.siguiente();
  }
  const std::int32_t e = g.entre(-45, 260);  // the float's biased exponent
  const std::int32_t precision = e >= 1 ? 24 : 23 + e;
  const std::uint64_t s = precision >= 1 && g.hasta(2) == 0
                              ? cerca_de_empate(g, static_cast<std::uint32_t>(precision))
                              : significando_con_patron(g);
  return empaquetar((g() & 1U) != 0, e + 16383 - 127, s);
}

TEST(AritmeticaSoftware, ConvertsAsTheX87) {
  operandos op(2);
  azar& g = op.g();
  registro r;
  pasos_de_prueba pasos(por_operacion);
  for (std::uint64_t i = 0; i < pasos.cuantos(); ++i) {
    const float f =
        std::bit_cast<float>(i % 2 == 0 ? float_de_prueba(g) : static_cast<std::uint32_t>(g()));
    const extendido_software x(f);
    const std::int32_t n = entero_de_prueba(g, i);
    const extendido_software y(n);
    const extendido_software z = para_float(op);
    const auto fz = static_cast<float>(z);
    r.anotar(x);
    r.anotar(y);
    r.anotar(fz);
    if constexpr (hay_x87) {
      r.comparar(x, desde_hardware(static_cast<long double>(f)),
                 [&] { return "long double(" + hex(f) + ")"; });
      r.comparar(y, desde_hardware(static_cast<long double>(n)),
                 [&] { return "long double(" + std::to_string(n) + ")"; });
      r.comparar(fz, static_cast<float>(a_hardware(z)), [&] { return "float(" + hex(z) + ")"; });
    }
    pasos.tras_el_paso(i, r);
  }
  informar("desde_float", pasos.cuantos());
  informar("desde_int32", pasos.cuantos());
  informar("a_float", pasos.cuantos());
  pasos.comprobar(r, 0x37f1ffdcb634394aU, 0xc4e8bfc0710ddf89U);
}

// A finite float of either sign with its exponent 2^-30 .. 2^30, as data of the programs.
float dato(azar& g) {
  const auto bits = static_cast<std::uint32_t>(g());
  const std::uint32_t e = 127 - 30 + g.hasta(61);
  return std::bit_cast<float>((bits & 0x807fffffU) | (e << 23));
}

// The steps of the programs, floats in and out: the running sum and the running sum of squared
// deviations of seriestats, its mean, and a component of vecprod's vector product. The float
// results of chains of them meet both roundings, to 64 bits and then to 24, at their ties.
TEST(AritmeticaSoftware, TakesTheProgramsStepsAsTheX87) {
  pasos_de_prueba pasos(2'000'000);
  azar g(3);
  registro r;
  float suma = 0.0F;
  float acumulado = 0.0F;
  using ext = extendido_software;
  for (std::uint64_t i = 0; i < pasos.cuantos(); ++i) {
    if (i % 64 == 0) {
      suma = dato(g);
      acumulado = dato(g);
    }
    const float v = dato(g);
    const float m = g.hasta(2) == 0 ? dato(g) : static_cast<float>(ext(v) + ext(dato(g) * 1e-6F));
    const std::array<float, 4> p = {dato(g), dato(g), dato(g), dato(g)};
    const auto n = static_cast<std::int32_t>(1 + g.hasta(1U << 24));

    const auto suma_m = static_cast<float>(ext(suma) + ext(v));
    const ext d = ext(v) - ext(m);
    const auto acumulado_m = static_cast<float>(d * d + ext(acumulado));
    const auto media_m = static_cast<float>(ext(suma) / ext(n));
    const auto vectorial_m = static_cast<float>(ext(p[0]) * ext(p[1]) - ext(p[2]) * ext(p[3]));
    for (const float x : {suma_m, acumulado_m, media_m, vectorial_m}) {
      r.anotar(x);
    }
    if constexpr (hay_x87) {
      using ld = long double;
      const auto suma_h = static_cast<float>(static_cast<ld>(suma) + static_cast<ld>(v));
      const ld dh = static_cast<ld>(v) - static_cast<ld>(m);
      const auto acumulado_h = static_cast<float>(dh * dh + static_cast<ld>(acumulado));
      const auto media_h = static_cast<float>(static_cast<ld>(suma) / static_cast<ld>(n));
      const auto vectorial_h = static_cast<float>(static_cast<ld>(p[0]) * static_cast<ld>(p[1]) -
                                                  static_cast<ld>(p[2]) * static_cast<ld>(p[3]));
      const auto describir = [&] {
        return "suma " + hex(suma) + " v " + hex(v) + " media " + hex(m) + " acumulado " +
               hex(acumulado);
      };
      r.comparar(suma_m, suma_h, describir);
      r.comparar(acumulado_m, acumulado_h, describir);
      r.comparar(media_m, media_h, [&] { return hex(suma) + " / " + std::to_string(n); });
      r.comparar(vectorial_m, vectorial_h, [&] {
        return hex(p[0]) + " * " + hex(p[1]) + " - " + hex(p[2]) + " * " + hex(p[3]);
      });
    }
    suma = suma_m;
    acumulado = acumulado_m;
    pasos.tras_el_paso(i, r);
  }
  informar("pasos de cada expresion", pasos.cuantos());
  pasos.comprobar(r, 0x751a9dc43f74a1c6U, 0x33d2b8c62ec87c99U);
}

// A float of either sign: 24 significand bits of a pattern that reaches the hard roundings, scaled
// by 2^exponente (the unbiased exponent of its leading bit); below the normal range it loses its
// last bits as ldexp rounds them, above it becomes infinity.
float float_con_patron(azar& g, std::int32_t exponente) {
  const bool negativo = (g() & 1U) != 0;
  const auto significando = static_cast<float>(significando_con_patron(g) >> 40);
  const float magnitud = std::ldexp(significando, exponente - 23);
  return negativo ? -magnitud : magnitud;
}

// An exponent gap from a to b in the sum: b's bits within a's, at a's halfway point (23 .. 25),
// around the widest sum the 64 bits hold exactly (38 .. 42), beyond, or anywhere.
std::int32_t hueco_de_prueba(azar& g) {
  switch (g.hasta(5)) {
    case 0:
      return g.entre(0, 3);
    case 1:
      return g.entre(22, 26);
    case 2:
      return g.entre(36, 44);
    case 3:
      return g.entre(45, 80);
    default:
      return g.entre(0, 60);
  }
}

// The fused steps against the expressions they stand for, and the x87. The running sum: floats of
// every class, with b at the gaps where the roundings change character, and the last result as a
// again. The sum of squares: acumulado set so that acumulado + (v - m)^2 falls next to one of
// the float's halfway points, at distances from far to below the 64-bit rounding's last unit (v a
// power of two, or near one in the odd binades, m a small correction), as well as data of every
// class, negative acumulado, and the last result as acumulado again.
TEST(AritmeticaSoftware, FusedStepsGiveTheExpressionAndTheX87) {
  const pasos_de_prueba pasos(4'000'000);
  azar g(4);
  registro r;
  using ext = extendido_software;
  using ld = long double;
  float suma = 0.0F;
  float acumulado = 0.0F;
  for (std::uint64_t i = 0; i < pasos.cuantos(); ++i) {
    const std::int32_t ea = g.entre(-140, 128);
    const float a = g.hasta(4) == 0   ? std::bit_cast<float>(float_de_prueba(g))
                    : g.hasta(4) == 0 ? suma
                                      : float_con_patron(g, ea);
    const std::int32_t hueco = hueco_de_prueba(g);
    const float b = g.hasta(8) == 0    ? std::bit_cast<float>(float_de_prueba(g))
                    : g.hasta(16) == 0 ? -a
                                       : float_con_patron(g, ea - hueco);
    const float suma_f = suma_de_floats(a, b);
    const auto suma_m = static_cast<float>(ext(a) + ext(b));

    float v = 0.0F;
    float m = 0.0F;
    switch (g.hasta(4)) {
      case 0: {  // acumulado + (v - m)^2 near acumulado + half its unit
        const std::int32_t binade = g.entre(-126, 127);
        acumulado = float_con_patron(g, binade);
        acumulado = std::abs(acumulado);
        // v^2 = 2^(binade - 24), half a unit of acumulado, or near it.
        v = static_cast<float>(std::sqrt(std::ldexp(1.0, binade - 24)));
        const std::int32_t hueco_m = g.entre(18, 100);
        m = float_con_patron(g, std::ilogb(v) - hueco_m);
        if (g.hasta(2) == 0) {
          v = -v;
          m = -m;
        }
        break;
      }
      case 1:  // data of every class
        v = std::bit_cast<float>(float_de_prueba(g));
        m = std::bit_cast<float>(float_de_prueba(g));
        acumulado = std::bit_cast<float>(float_de_prueba(g));
        break;
      default:  // a running sum of squares, now and then started again from a datum of any sign
        v = dato(g);
        m = g.hasta(2) == 0 ? dato(g) : v * (1.0F + 1e-4F);
        if (i % 64 == 0) {
          acumulado = dato(g);
        }
        break;
    }
    const float acumulado_f = cuadrado_mas(v, m, acumulado);
    const ext d = ext(v) - ext(m);
    const auto acumulado_m = static_cast<float>(d * d + ext(acumulado));

    const auto describir_suma = [&] { return hex(a) + " + " + hex(b); };
    const auto describir_cuadrado = [&] {
      return "v " + hex(v) + " m " + hex(m) + " acumulado " + hex(acumulado);
    };
    r.comparar(suma_f, suma_m, describir_suma);
    r.comparar(acumulado_f, acumulado_m, describir_cuadrado);
    if constexpr (hay_x87) {
      // The floats go to the x87 through memory as the model loads them (that load is checked
      // above): written as static_cast<long double>(a) + static_cast<long double>(b) the
      // compiler makes one SSE addition of the floats, or an x87 operation on a float in memory,
      // and either picks among NaN operands by rules of its own.
      const ld ha = a_hardware(ext(a));
      const ld hb = a_hardware(ext(b));
      r.comparar(suma_f, static_cast<float>(ha + hb), describir_suma);
      const ld dh = a_hardware(ext(v)) - a_hardware(ext(m));
      r.comparar(acumulado_f, static_cast<float>(dh * dh + a_hardware(ext(acumulado))),
                 describir_cuadrado);
    }
    suma = suma_f;
    acumulado = acumulado_f;
  }
  informar("suma_de_floats", pasos.cuantos());
  informar("cuadrado_mas", pasos.cuantos());
}

// What the x87 does with special values, pinned on every target: the default NaN of the invalid
// operations, the choice between two NaNs that differ only in sign, and the signs of zero.
TEST(AritmeticaSoftware, HandlesTheX87sSpecialValues) {
  using ext = extendido_software;
  const ext cero(0.0F);
  const ext menos_cero(-0.0F);
  const ext uno(1.0F);
  const ext inf(std::numeric_limits<float>::infinity());
  const ext nan_por_defecto = empaquetar(true, 0x7fff, 0xc000000000000000U);
  for (const ext& x : {cero / cero, inf - inf, cero * inf, inf / inf}) {
    EXPECT_TRUE(iguales(x, nan_por_defecto)) << hex(x);
  }
  const ext nan_positiva = empaquetar(false, 0x7fff, 0xc000000000000001U);
  const ext nan_negativa = empaquetar(true, 0x7fff, 0xc000000000000001U);
  EXPECT_TRUE(iguales(nan_negativa + nan_positiva, nan_positiva));
  EXPECT_TRUE(iguales(nan_positiva * nan_negativa, nan_positiva));
  EXPECT_EQ(std::bit_cast<std::uint32_t>(static_cast<float>(nan_por_defecto)), 0xffc00000U);
  EXPECT_EQ(std::bit_cast<std::uint32_t>(
                static_cast<float>(ext(std::bit_cast<float>(std::uint32_t{0xff800001U})))),
            0xffc00001U);  // a signalling float NaN loads quieted and keeps sign and payload

  const ext siete(7);
  const std::array<std::pair<ext, bool>, 8> ceros = {{{menos_cero + menos_cero, true},
                                                      {cero + menos_cero, false},
                                                      {menos_cero - cero, true},
                                                      {siete - siete, false},
                                                      {ext(-7) + siete, false},
                                                      {menos_cero * uno, true},
                                                      {ext(-1) / inf, true},
                                                      {cero / ext(-1), true}}};
  for (const auto& [x, negativo] : ceros) {
    EXPECT_TRUE(iguales(x, empaquetar(negativo, 0, 0))) << hex(x);
  }
  EXPECT_TRUE(iguales(uno / menos_cero, empaquetar(true, 0x7fff, bit_entero)));
}

}  // namespace
