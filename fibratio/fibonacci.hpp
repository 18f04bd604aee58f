#pragma once

#include <cstdint>

#include "extendido.hpp"

// The recursion nests |n| calls deep; this bound keeps the deepest run far inside the default
// stack of 8 MiB, with or without the sanitizers' larger frames. Larger |n| are refused (and would
// take longer than anyone waits: the work grows like F(n)).
inline constexpr std::int32_t n_maximo = 10000;

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

// F(n) for n < 0 by the same recurrence run backwards, F(n) = F(n+2) - F(n+1), again plainly
// recursive: F(-1) = 1, F(-2) = -1, F(-3) = 2, F(-4) = -3.
constexpr std::int32_t fibonacci_hacia_atras(std::int32_t n) {
  if (n >= 0) {
    return fibonacci_natural(n);
  }
  return resta_32(fibonacci_hacia_atras(n + 2), fibonacci_hacia_atras(n + 1));
}

// F(n) with F(0) = 0 and F(1) = 1, in 32-bit wrap-around arithmetic, for |n| <= n_maximo.
constexpr std::int32_t fibonacci(std::int32_t n) {
  return n < 0 ? fibonacci_hacia_atras(n) : fibonacci_natural(n);
}

// F(n) / F(n-1) in the extended format, both operands converted exactly; for n = 1 it is 1/0,
// +infinity. For |n| <= n_maximo.
inline extendido cociente(std::int32_t n) {
  // fibonacci is pure, so an optimiser may merge evaluations: reuse the caller's F(n), or take
  // F(n-1) from inside F(n) = F(n-1) + F(n-2). Each argument is read through a volatile, which it
  // cannot see through, so both are evaluated in full, as documented.
  const volatile std::int32_t n_p = n;
  const volatile std::int32_t n_q = n - 1;
  const std::int32_t p = fibonacci(n_p);
  const std::int32_t q = fibonacci(n_q);
  return a_extendido(p) / a_extendido(q);
}
