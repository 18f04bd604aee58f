#pragma once

#include <algorithm>
#include <cstdint>

#include "extendido.hpp"

// The recursion nests |n| calls deep; this bound keeps the deepest run far inside the default
// stack of 8 MiB, with or without the sanitizers' larger frames. Larger |n| are refused (and would
// take longer than anyone waits: the work grows like F(n)).
inline constexpr std::int32_t n_maximo = 10000;

// The calls of fibonacci_natural nested at the deepest point of a run: |n| for F(n) (one for
// n = 0), and |n - 1| for F(n - 1), one more than for F(n) when n is negative.
constexpr std::int64_t niveles(std::int32_t n) {
  const std::int64_t m = n;
  return std::max<std::int64_t>({m < 0 ? -m : m, m < 1 ? 1 - m : m - 1, 1});
}

// What the recursion takes of the stack: each level nests one call, which takes 40 to 48 bytes
// in the optimised builds on amd64, the sanitized one included (measured with ulimit -s, the
// deepest n that does not overflow a given stack); a level is allowed ten times that, for
// unoptimised builds and for machines whose calls take larger frames. What the run calls beside
// the recursion, below the frame where the free stack is measured (the progress line, the
// quotient's printing, a failure's message), is allowed pila_reservada bytes.
inline constexpr std::uint64_t pila_por_nivel = 512;
inline constexpr std::uint64_t pila_reservada = std::uint64_t{8} << 10;

// The deepest recursion, in levels, that `libre` bytes of stack hold. Two levels (n from -1 to 2)
// are always admitted: they nest no deeper than the rest of the program, which runs anyway, so
// refusing them would prevent no overflow.
constexpr std::int64_t niveles_admitidos(std::uint64_t libre) {
  const std::uint64_t caben =
      libre > pila_reservada ? (libre - pila_reservada) / pila_por_nivel : 0;
  return std::max<std::int64_t>(static_cast<std::int64_t>(caben), 2);
}

// The low 32 bits of a + b and of a - b, read as two's-complement values; the arithmetic is done
// unsigned, where wrapping is defined.
constexpr std::int32_t suma_32(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
constexpr std::int32_t resta_32(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}

// F(n) for n >= 0 by the plain two-way recursion, the call for n-1 first, nothing cached: one
// evaluation of F(n), n >= 1, makes 2 F(n+1) - 1 calls.
constexpr std::int32_t fibonacci_natural(std::int32_t n) {
  if (n == 0) {
    return 0;
  }
  if (n == 1) {
    return 1;
  }
  return suma_32(fibonacci_natural(n - 1), fibonacci_natural(n - 2));
}

// F(n) for n < 0 from F(-n): F(-m) = (-1)^(m+1) F(m), an identity of the integers that holds
// modulo 2^32 too, so it gives the values of the recurrence run backwards,
// F(n) = F(n+2) - F(n+1) (F(-1) = 1, F(-2) = -1, F(-3) = 2, F(-4) = -3), at the cost of F(m)
// instead of about twelve times that at m = 38.
constexpr std::int32_t fibonacci_negativo(std::int32_t m, std::int32_t f_m) {
  return m % 2 == 1 ? f_m : resta_32(0, f_m);
}

// F(n) with F(0) = 0 and F(1) = 1, in 32-bit wrap-around arithmetic, for |n| <= n_maximo.
constexpr std::int32_t fibonacci(std::int32_t n) {
  return n < 0 ? fibonacci_negativo(-n, fibonacci_natural(-n)) : fibonacci_natural(n);
}

// F(n) / F(n-1) in the extended format, both operands converted exactly; for n = 1 it is 1/0,
// +infinity. For |n| <= n_maximo. `evaluar` computes F: fibonacci, or fibonacci_avisando for a
// run that shows its progress.
template <typename Evaluar = std::int32_t (*)(std::int32_t)>
inline extendido cociente(std::int32_t n, Evaluar evaluar = fibonacci) {
  // fibonacci is pure, so an optimiser may merge evaluations: reuse the caller's F(n), or take
  // F(n-1) from inside F(n) = F(n-1) + F(n-2). Each argument is read through a volatile, which it
  // cannot see through, so both are evaluated in full, as documented.
  const volatile std::int32_t n_p = n;
  const volatile std::int32_t n_q = n - 1;
  const std::int32_t p = evaluar(n_p);
  const std::int32_t q = evaluar(n_q);
  return a_extendido(p) / a_extendido(q);
}
