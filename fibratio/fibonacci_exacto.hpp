#pragma once

// The true figures behind fibratio's wrapped ones, in exact integer arithmetic, and the warning
// that gives them.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "natural.hpp"
#include "redondeo.hpp"

// Significant digits of the printed quotient, and so of the true one the warning gives.
inline constexpr int cifras_cociente = 25;

// F(n) exactly, by the iteration F(k+2) = F(k+1) + F(k), for n < 0 with the sign rule
// F(-m) = (-1)^(m+1) F(m) that fibonacci applies. For |n| <= n_maximo + 1 it takes a few thousand
// additions of at most 2090 digits.
inline entero fibonacci_exacto(std::int32_t n) {
  const std::int32_t m = n < 0 ? -n : n;
  natural a;     // F(k)
  natural b{1};  // F(k+1)
  for (std::int32_t k = 0; k < m; ++k) {
    natural siguiente = a + b;
    a = std::move(b);
    b = std::move(siguiente);
  }
  return {n < 0 && m % 2 == 0, std::move(a)};
}

// Whether v lies in the range of std::int32_t, -2^31 to 2^31 - 1: whether the wrap-around
// arithmetic gives it unchanged.
inline bool cabe_en_32_bits(const entero& v) {
  return v.magnitud <= natural{v.negativo ? 2147483648U : 2147483647U};
}

// The warning about the figures of a run for n, for standard error (without the program's name
// and line end), when F(n) or F(n-1) does not fit in 32 bits: from n = 47 on, and for n <= -46
// (F(-47) = 2971215073). It names the wrapped values and gives each one's true value, and the
// true quotient F(n) / F(n-1) to the precision of the printed one. A true value of more than 40
// digits is shown by its first 20 digits and its length. Nothing when both fit: every figure
// printed is then the plain recursion's true result.
inline std::optional<std::string> aviso_de_desbordamiento(std::int32_t n) {
  const entero p = fibonacci_exacto(n);
  const entero q = fibonacci_exacto(n - 1);
  const auto nombre = [](std::int32_t k) { return "F(" + std::to_string(k) + ")"; };
  std::string nombres;
  std::string valores;
  int desbordados = 0;
  for (const auto& [k, f] : {std::pair{n, &p}, std::pair{n - 1, &q}}) {
    if (cabe_en_32_bits(*f)) {
      continue;
    }
    const std::string cifras = f->magnitud.decimal();
    const std::string y = desbordados > 0 ? " y " : "";
    nombres += y + nombre(k);
    valores += y + nombre(k) + " = " + (f->negativo ? "-" : "");
    if (cifras.size() <= 40) {
      valores += cifras;
    } else {
      valores += cifras.substr(0, 20) + "... (" + std::to_string(cifras.size()) + " cifras)";
    }
    ++desbordados;
  }
  if (desbordados == 0) {
    return std::nullopt;
  }
  std::string aviso = "aviso: " + nombres;
  aviso += desbordados == 1 ? " no cabe en 32 bits: se usa su resto modulo 2^32 leido como numero "
                              "con signo: el valor exacto es "
                            : " no caben en 32 bits: se usan sus restos modulo 2^32 leidos como "
                              "numeros con signo: los valores exactos son ";
  aviso += valores + (desbordados == 1 ? "" : ",") + " y el cociente exacto " + nombre(n) + "/" +
           nombre(n - 1) + " es ";
  // |F(n) / F(n-1)| lies between 1/2 and 2, so %g writes it without exponent.
  const cifras_decimales cifras = cifras_del_cociente(p.magnitud, q.magnitud, cifras_cociente + 1);
  aviso += texto_g(p.negativo != q.negativo, &cifras, cifras_cociente);
  return aviso;
}
