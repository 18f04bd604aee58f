#pragma once

// The true figures behind fibratio's wrapped ones, in exact integer arithmetic, and the warning
// that gives them.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "natural_grande.hpp"

// Significant digits of the printed quotient, and so of the true one the warning gives.
inline constexpr int cifras_cociente = 25;

struct entero_grande {
  bool negativo = false;  // never for zero
  natural_grande magnitud;
};

// F(n) exactly, by the iteration F(k+2) = F(k+1) + F(k), for n < 0 with the sign rule
// F(-m) = (-1)^(m+1) F(m) that fibonacci applies. For |n| <= n_maximo + 1 it takes a few thousand
// additions of at most 2090 digits.
inline entero_grande fibonacci_exacto(std::int32_t n) {
  const std::int32_t m = n < 0 ? -n : n;
  natural_grande a;                  // F(k)
  natural_grande b = natural_de(1);  // F(k+1)
  for (std::int32_t k = 0; k < m; ++k) {
    natural_grande siguiente = sumar(a, b);
    a = std::move(b);
    b = std::move(siguiente);
  }
  return {n < 0 && m % 2 == 0, std::move(a)};
}

// Whether v lies in the range of std::int32_t, -2^31 to 2^31 - 1: whether the wrap-around
// arithmetic gives it unchanged.
inline bool cabe_en_32_bits(const entero_grande& v) {
  return comparar(v.magnitud, natural_de(v.negativo ? 2147483648U : 2147483647U)) <= 0;
}

// a / b for b > 0, correctly rounded to `cifras` >= 1 significant digits (a tie to the even digit),
// written without exponent and, as the stream's general notation does, without zeros at the end
// of the fraction nor a point with nothing after it: "1.618033988749894848204587", "0.5", "20".
//
// Long division, one decimal digit at a time: the remainder r < b, times 10 plus the next digit of
// a (0 past its end), holds b at most 9 times. Once the last digit kept is known, the rest of the
// quotient is r / b units of that digit, more than half a unit exactly when 2r > b; when digits
// of a are left (a quotient of more than `cifras` integer digits), each one brought down into r
// multiplies that unit, and so b, by 10.
inline std::string cociente_redondeado(const natural_grande& a, const natural_grande& b,
                                       int cifras) {
  if (a.empty()) {
    return "0";
  }
  const auto total = static_cast<std::size_t>(cifras);
  const std::string cifras_a = texto(a);
  std::string cifras_q;        // of the quotient, from its first nonzero one
  std::ptrdiff_t enteras = 0;  // of cifras_q before the point (0 or less: "0.", zeros, cifras_q)
  const auto cifra_a = [&cifras_a](std::size_t i) {
    return i < cifras_a.size() ? static_cast<std::uint32_t>(cifras_a[i] - '0') : 0U;
  };
  natural_grande r;
  std::size_t i = 0;  // digits of a brought down
  for (; cifras_q.size() < total; ++i) {
    r = multiplicar_sumar(std::move(r), 10, cifra_a(i));
    char cifra = '0';
    for (; comparar(r, b) >= 0; ++cifra) {
      r = restar(r, b);
    }
    if (cifras_q.empty()) {
      if (cifra == '0') {
        continue;
      }
      enteras = static_cast<std::ptrdiff_t>(cifras_a.size()) - static_cast<std::ptrdiff_t>(i);
    }
    cifras_q += cifra;
  }
  natural_grande unidad = b;
  for (; i < cifras_a.size(); ++i) {
    r = multiplicar_sumar(std::move(r), 10, cifra_a(i));
    unidad = multiplicar_sumar(std::move(unidad), 10);
  }
  const int mitad = comparar(multiplicar_sumar(r, 2), unidad);
  if (mitad > 0 || (mitad == 0 && (cifras_q.back() - '0') % 2 == 1)) {
    std::size_t k = cifras_q.size();
    while (k > 0 && cifras_q[k - 1] == '9') {
      cifras_q[--k] = '0';
    }
    if (k > 0) {
      ++cifras_q[k - 1];
    } else {  // 99...9 became 100...0, one digit longer: its last 0 is dropped
      cifras_q[0] = '1';
      ++enteras;
    }
  }
  const auto largo = static_cast<std::ptrdiff_t>(cifras_q.size());
  if (enteras >= largo) {
    return cifras_q + std::string(static_cast<std::size_t>(enteras - largo), '0');
  }
  std::string q;
  if (enteras <= 0) {
    q = "0." + std::string(static_cast<std::size_t>(-enteras), '0') + cifras_q;
  } else {
    const auto punto = static_cast<std::size_t>(enteras);
    q = cifras_q.substr(0, punto) + "." + cifras_q.substr(punto);
  }
  q.erase(q.find_last_not_of('0') + 1);
  if (q.back() == '.') {
    q.pop_back();
  }
  return q;
}

// The warning about the figures of a run for n, for standard error (without the program's name
// and line end), when F(n) or F(n-1) does not fit in 32 bits: from n = 47 on, and for n <= -46
// (F(-47) = 2971215073). It names the wrapped values and gives each one's true value, and the
// true quotient F(n) / F(n-1) to the precision of the printed one. A true value of more than 40
// digits is shown by its first 20 digits and its length. Nothing when both fit: every figure
// printed is then the plain recursion's true result.
inline std::optional<std::string> aviso_de_desbordamiento(std::int32_t n) {
  const entero_grande p = fibonacci_exacto(n);
  const entero_grande q = fibonacci_exacto(n - 1);
  const auto nombre = [](std::int32_t k) { return "F(" + std::to_string(k) + ")"; };
  std::string nombres;
  std::string valores;
  int desbordados = 0;
  for (const auto& [k, f] : {std::pair{n, &p}, std::pair{n - 1, &q}}) {
    if (cabe_en_32_bits(*f)) {
      continue;
    }
    const std::string cifras = texto(f->magnitud);
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
           nombre(n - 1) + " es " + (p.negativo != q.negativo ? "-" : "");
  aviso += cociente_redondeado(p.magnitud, q.magnitud, cifras_cociente);
  return aviso;
}
