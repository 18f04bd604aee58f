#pragma once

// What the model's differential tests share: a generator that gives the same numbers on every
// target, the x87's own bytes of a value where there is an x87, and the record of a run, which
// compares each model result with the hardware's where it can and folds every result into a
// digest. Where long double is not the x87 format the model runs alone, and the digest of its
// results must equal the one recorded on amd64, where it equals the hardware's.

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <limits>
#include <string>
#include <string_view>

#include "extendido_software.hpp"

namespace prueba_x87 {

// Only x86 has the x87: m68k's long double has the same widths, but its NaNs, denormals and
// encodings are the 68881's.
#if defined(__x86_64__) || defined(__i386__)
constexpr bool hay_x87 = std::numeric_limits<long double>::digits == 64 &&
                         std::numeric_limits<long double>::max_exponent == 16384;
#else
constexpr bool hay_x87 = false;
#endif

constexpr std::uint64_t bit_entero = std::uint64_t{1} << 63;

// splitmix64: small, fast, and the same sequence on every target. The generators below draw at
// most once per expression, so that no compiler's order of evaluation changes what they make.
class azar {
 public:
  explicit azar(std::uint64_t semilla) : estado_(semilla) {}
  std::uint64_t operator()() {
    std::uint64_t z = (estado_ += 0x9e3779b97f4a7c15U);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9U;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebU;
    return z ^ (z >> 31);
  }
  // Uniform enough in 0 .. n-1.
  std::uint32_t hasta(std::uint32_t n) {
    return static_cast<std::uint32_t>(((*this)() >> 32) * n >> 32);
  }
  std::int32_t entre(std::int32_t desde, std::int32_t hasta_incluido) {
    return desde +
           static_cast<std::int32_t>(hasta(static_cast<std::uint32_t>(hasta_incluido - desde + 1)));
  }

 private:
  std::uint64_t estado_;
};

// A value from its fields, as it is kept.
inline extendido_software empaquetar(bool negativo, std::int32_t exponente,
                                     std::uint64_t significando) {
  extendido_software x;
  x.significando = significando;
  x.exponente = static_cast<std::uint16_t>(exponente);
  x.negativo = negativo;
  return x;
}

// The 80 bits of x as the x87 keeps them: significand in bytes 0-7, sign and exponent in 8-9.
inline long double a_hardware(const extendido_software& x) {
  std::array<unsigned char, sizeof(long double)> bytes{};
  for (std::size_t i = 0; i < 8; ++i) {
    bytes[i] = static_cast<unsigned char>(x.significando >> (8 * i));
  }
  bytes[8] = static_cast<unsigned char>(x.exponente);
  bytes[9] = static_cast<unsigned char>((x.exponente >> 8) | (x.negativo ? 0x80U : 0U));
  long double v = 0;
  std::memcpy(&v, bytes.data(), sizeof v);
  return v;
}

inline extendido_software desde_hardware(long double v) {
  std::array<unsigned char, sizeof(long double)> bytes{};
  std::memcpy(bytes.data(), &v, sizeof v);
  std::uint64_t significando = 0;
  for (std::size_t i = 0; i < 8; ++i) {
    significando |= std::uint64_t{bytes[i]} << (8 * i);
  }
  const auto signo_exponente = static_cast<std::uint32_t>(bytes[8] | (bytes[9] << 8));
  return empaquetar((signo_exponente >> 15) != 0,
                    static_cast<std::int32_t>(signo_exponente & 0x7fffU), significando);
}

inline std::string hex(const extendido_software& x) {
  std::array<char, 40> texto{};
  std::snprintf(texto.data(), texto.size(), "%c%04x:%016llx", x.negativo ? '-' : '+',
                static_cast<unsigned>(x.exponente),
                static_cast<unsigned long long>(x.significando));
  return texto.data();
}

inline std::string hex(float v) {
  std::array<char, 12> texto{};
  std::snprintf(texto.data(), texto.size(), "%08x",
                static_cast<unsigned>(std::bit_cast<std::uint32_t>(v)));
  return texto.data();
}

// A text as the failure messages show it.
inline std::string hex(const std::string& texto) { return "[" + texto + "]"; }

inline bool iguales(const extendido_software& a, const extendido_software& b) {
  return a.significando == b.significando && a.exponente == b.exponente && a.negativo == b.negativo;
}

// Counts the operations and disagreements of one test, reports the first few disagreements, and
// folds every model result into a digest.
class registro {
 public:
  void anotar(std::uint64_t palabra) { digest_ = (digest_ ^ palabra) * 0x100000001b3U; }
  void anotar(const extendido_software& x) {
    anotar(x.significando);
    anotar((std::uint64_t{x.exponente} << 1) | (x.negativo ? 1U : 0U));
  }
  void anotar(float v) { anotar(std::uint64_t{std::bit_cast<std::uint32_t>(v)}); }
  void anotar(std::string_view texto) {
    for (const char c : texto) {
      anotar(std::uint64_t{static_cast<unsigned char>(c)});
    }
    anotar(std::uint64_t{0x100});  // the end of the text, which no byte equals
  }

  // descripcion() names the operation and its operands; it runs only for a disagreement.
  template <typename T, typename D>
  void comparar(const T& modelo, const T& hardware, D descripcion) {
    if (!iguales_(modelo, hardware) && ++fallos_ <= 10) {
      ADD_FAILURE() << descripcion() << ": model " << hex(modelo) << ", hardware " << hex(hardware);
    }
  }
  std::uint64_t digest() const { return digest_; }

 private:
  static bool iguales_(const extendido_software& a, const extendido_software& b) {
    return iguales(a, b);
  }
  static bool iguales_(float a, float b) {
    return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b);
  }
  static bool iguales_(const std::string& a, const std::string& b) { return a == b; }
  std::uint64_t digest_ = 0xcbf29ce484222325U;
  int fallos_ = 0;
};

inline void informar(const char* clave, std::uint64_t cuenta) {
  ::testing::Test::RecordProperty(clave, std::to_string(cuenta));
  std::cout << "  " << clave << ": " << cuenta << " operations\n";
}

inline void comprobar_digest(const char* tramo, std::uint64_t digest, std::uint64_t esperado) {
  std::cout << "  digest of the model's results, " << tramo << ": 0x" << std::hex << digest
            << std::dec << "\n";
  EXPECT_EQ(digest, esperado) << "the model's results differ from those recorded on amd64 "
                                 "(if the generator changed, record the printed digest)";
}

// The steps of a differential run: all of them, or only the first twentieth where the environment
// sets NUMERICOS_PRUEBA_REDUCIDA (the test presets do, under emulation and the sanitizers, where
// a step costs ten to a hundred times more). The digest of that first twentieth is recorded beside
// the whole run's, and every whole run checks both: on amd64, where the model's results are
// compared with the x87's one by one, the recorded prefix is thereby the hardware's too.
class pasos_de_prueba {
 public:
  explicit pasos_de_prueba(std::uint64_t todos)
      : todos_(todos), prefijo_(todos / 20), cuantos_(reducida() ? prefijo_ : todos) {}

  [[nodiscard]] std::uint64_t cuantos() const { return cuantos_; }

  // After step i: keeps the digest at the end of the prefix.
  void tras_el_paso(std::uint64_t i, const registro& r) {
    if (i + 1 == prefijo_) {
      digest_prefijo_ = r.digest();
    }
  }

  void comprobar(const registro& r, std::uint64_t esperado, std::uint64_t esperado_prefijo) const {
    comprobar_digest("first twentieth", digest_prefijo_, esperado_prefijo);
    if (cuantos_ == todos_) {
      comprobar_digest("whole run", r.digest(), esperado);
    }
  }

 private:
  static bool reducida() {
    const char* valor = std::getenv("NUMERICOS_PRUEBA_REDUCIDA");
    return valor != nullptr && !std::string_view(valor).empty() && std::string_view(valor) != "0";
  }

  std::uint64_t todos_;
  std::uint64_t prefijo_;
  std::uint64_t cuantos_;
  std::uint64_t digest_prefijo_ = 0;
};

}  // namespace prueba_x87
