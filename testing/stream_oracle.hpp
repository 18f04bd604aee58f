#pragma once

// The vec.dat reader against the stream library: the same bytes must give the same values, the
// same failures and leave the same characters unread as std::istream's formatted extraction.
// Shared by the unit tests and the fuzzer.

#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

#include "escritura_real.hpp"
#include "texto_de_lectura.hpp"
#include "vec_dat.hpp"

namespace oraculo {

// What the stream reports, put in the reader's terms: after a failure the stream leaves the value
// untouched when it found no token, 0 for a non-number, the nearest limit for a number too large.
template <typename T>
lectura segun_el_flujo(bool bien, T valor, T intacto) {
  if (bien) {
    return lectura::ok;
  }
  if (valor == intacto) {
    return lectura::fin;
  }
  return valor == T{0} ? lectura::no_numero : lectura::fuera_de_rango;
}

template <typename T>
std::string mostrar(T v) {
  std::ostringstream o;
  o.precision(9);
  o << v;
  return o.str();
}

// Reads `plan` ('i' an integer, 'f' a real) from `texto` with both and stops where the stream first
// fails, as a program would. The reader works on blocks of `bloque` bytes, as it reads vec.dat (a
// token may then run over the end of a block). Where it hands back the decimal a value was read
// from, the echo written from that decimal must be the one written from the value. Returns a
// description of the first difference, if any.
inline std::optional<std::string> diferencia(const std::string& texto, std::string_view plan,
                                             std::size_t bloque) {
  std::istringstream flujo(texto);
  fichero_vec bloques(desde_texto(texto), bloque);
  for (std::size_t paso = 0; paso < plan.size(); ++paso) {
    const std::string donde = "step " + std::to_string(paso) + ": ";
    bool bien = false;
    if (plan[paso] == 'i') {
      constexpr std::int32_t intacto = 12345;
      std::int32_t esperado = intacto;
      std::int32_t obtenido = intacto;
      bien = static_cast<bool>(flujo >> esperado);
      const lectura r = bloques.extraer_entero(obtenido);
      if (r != segun_el_flujo(bien, esperado, intacto) || obtenido != esperado) {
        return donde + "integer " + mostrar(obtenido) + " (outcome " +
               std::to_string(static_cast<int>(r)) + "), stream " + mostrar(esperado) +
               (bien ? " (read)" : " (failed)");
      }
    } else {
      constexpr float intacto = 12345.0F;
      float esperado = intacto;
      float obtenido = intacto;
      decimal_leido decimal;
      bien = static_cast<bool>(flujo >> esperado);
      const lectura r = bloques.extraer_real(obtenido, decimal);
      if (r != segun_el_flujo(bien, esperado, intacto) ||
          std::bit_cast<std::uint32_t>(obtenido) != std::bit_cast<std::uint32_t>(esperado)) {
        return donde + "real " + mostrar(obtenido) + " (outcome " +
               std::to_string(static_cast<int>(r)) + "), stream " + mostrar(esperado) +
               (bien ? " (read)" : " (failed)");
      }
      if (r == lectura::ok && decimal.exponente != exponente_largo) {
        std::array<char, largo_real_maximo> de_valor{};
        std::array<char, largo_real_maximo> de_decimal{};
        const std::string a(de_valor.data(), escribir_real(de_valor.data(), obtenido));
        const std::string b(
            de_decimal.data(),
            escribir_decimal(de_decimal.data(), obtenido, decimal.mantisa, decimal.exponente));
        if (a != b) {
          std::string mensaje = donde + "echo from the decimal " + std::to_string(decimal.mantisa);
          mensaje.append("e").append(std::to_string(decimal.exponente)).append(" is ").append(b);
          return mensaje.append(", from the value ").append(a);
        }
      }
    }
    flujo.clear();
    const auto consumido_flujo = static_cast<std::int64_t>(flujo.tellg());
    if (bloques.posicion() != consumido_flujo) {
      return donde + "consumed " + std::to_string(bloques.posicion()) + " characters, stream " +
             std::to_string(consumido_flujo);
    }
    if (!bien) {
      return std::nullopt;
    }
  }
  return std::nullopt;
}

// The echo of one value against what the stream writes for it.
inline std::optional<std::string> diferencia_de_escritura(float v) {
  // The stream writes the double that the float widens to. x86 keeps a NaN's sign there, and the
  // echo writes it; RISC-V's conversion gives its canonical positive NaN, so the sign is put back.
  const double ancho = static_cast<double>(v);
  std::ostringstream o;
  o << (std::isnan(v) ? std::copysign(ancho, std::signbit(v) ? -1.0 : 1.0) : ancho);
  std::array<char, largo_real_maximo> texto{};
  const std::string propio(texto.data(), escribir_real(texto.data(), v));
  if (propio != o.str()) {
    return "wrote " + propio + ", stream " + o.str() + " for bits " +
           std::to_string(std::bit_cast<std::uint32_t>(v));
  }
  return std::nullopt;
}

}  // namespace oraculo
