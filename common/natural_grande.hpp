#pragma once

// Natural numbers of any size, for the exact figures the warnings give beside the wrapped ones.
//
// Digits in base 10^9, least significant first, with no zero digit on top (zero is empty): the
// decimal text is the digits written out, the lower ones padded to nine decimals. Every step stays
// in unsigned 64-bit integers, so the result is the same on every machine: a digit times a factor
// below 2^32 is below 10^9 * 2^32 < 2^62, and the carry added to it is below 2^33.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using natural_grande = std::vector<std::uint32_t>;

inline constexpr std::uint32_t base_natural = 1000000000;

inline natural_grande natural_de(std::uint64_t v) {
  natural_grande r;
  for (; v > 0; v /= base_natural) {
    r.push_back(static_cast<std::uint32_t>(v % base_natural));
  }
  return r;
}

// a * m + s.
inline natural_grande multiplicar_sumar(natural_grande a, std::uint32_t m, std::uint32_t s = 0) {
  std::uint64_t acarreo = s;
  for (std::uint32_t& cifra : a) {
    acarreo += std::uint64_t{cifra} * m;
    cifra = static_cast<std::uint32_t>(acarreo % base_natural);
    acarreo /= base_natural;
  }
  for (; acarreo > 0; acarreo /= base_natural) {
    a.push_back(static_cast<std::uint32_t>(acarreo % base_natural));
  }
  while (!a.empty() && a.back() == 0) {  // m = 0
    a.pop_back();
  }
  return a;
}

inline natural_grande sumar(const natural_grande& a, const natural_grande& b) {
  natural_grande r(std::max(a.size(), b.size()), 0);
  std::uint32_t acarreo = 0;
  for (std::size_t i = 0; i < r.size(); ++i) {
    const std::uint32_t s = (i < a.size() ? a[i] : 0U) + (i < b.size() ? b[i] : 0U) + acarreo;
    acarreo = s >= base_natural ? 1U : 0U;
    r[i] = s - acarreo * base_natural;
  }
  if (acarreo > 0) {
    r.push_back(acarreo);
  }
  return r;
}

// -1, 0 or 1 as a < b, a = b or a > b.
inline int comparar(const natural_grande& a, const natural_grande& b) {
  if (a.size() != b.size()) {
    return a.size() < b.size() ? -1 : 1;
  }
  for (std::size_t i = a.size(); i-- > 0;) {
    if (a[i] != b[i]) {
      return a[i] < b[i] ? -1 : 1;
    }
  }
  return 0;
}

// a - b, for a >= b.
inline natural_grande restar(const natural_grande& a, const natural_grande& b) {
  natural_grande r(a);
  std::uint32_t prestado = 0;
  for (std::size_t i = 0; i < r.size(); ++i) {
    const std::uint32_t resta = (i < b.size() ? b[i] : 0U) + prestado;
    prestado = r[i] < resta ? 1U : 0U;
    r[i] = r[i] + prestado * base_natural - resta;
  }
  while (!r.empty() && r.back() == 0) {
    r.pop_back();
  }
  return r;
}

// The decimal digits, without leading zeros; "0" for zero.
inline std::string texto(const natural_grande& a) {
  if (a.empty()) {
    return "0";
  }
  std::string r = std::to_string(a.back());
  for (std::size_t i = a.size() - 1; i-- > 0;) {
    const std::string cifra = std::to_string(a[i]);
    r.append(9 - cifra.size(), '0');
    r += cifra;
  }
  return r;
}
