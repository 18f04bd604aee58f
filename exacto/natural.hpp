#pragma once

// Exact integers of any size, for the true figures that the warnings give beside the printed ones
// and for the decimal text of the software model's extended values.
//
// A natural is held in base 10^9, least significant digit first, with no zero digit on top (zero
// has no digits), so that its decimal text is its digits written out and multiplying or dividing
// by a power of ten moves whole digits. Every step stays in unsigned 64-bit integers: a digit times
// a factor of at most 2^32, plus a carry, is below 10^9 * 2^32 + 2^33 < 2^63. So the results are
// the same bytes on every machine.
//
// The operations are the few that the programs need, written plainly: sums and differences,
// products (schoolbook: the numbers are a few thousand digits at most, except in the exact sums of
// series whose values span the whole range of exponents), comparison, division by a small
// number, powers of ten, the integer square root and the decimal text.

#include <compare>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class natural {
 public:
  static constexpr std::uint32_t base = 1000000000;  // 10^9: nine decimal digits a digit

  natural() = default;
  explicit natural(std::uint64_t v);

  // The number whose decimal digits are `cifras` (only '0' to '9'; none: zero).
  static natural de_cifras(std::string_view cifras);
  // The number sum d[i] * 10^(9 i), for digits d[i] that may exceed 10^9 - 1 (each below 2^63):
  // the carries are taken once, here.
  static natural de_digitos_sin_acarreo(std::span<const std::uint64_t> d);

  [[nodiscard]] bool es_cero() const { return digitos_.empty(); }
  // The digits in base 10^9, least significant first.
  [[nodiscard]] std::span<const std::uint32_t> digitos() const { return digitos_; }
  // The number of decimal digits; 0 for zero.
  [[nodiscard]] std::size_t cifras() const;
  // The decimal text, without leading zeros; "0" for zero.
  [[nodiscard]] std::string decimal() const;

  friend natural operator+(const natural& a, const natural& b);
  // a - b, for a >= b.
  friend natural operator-(const natural& a, const natural& b);
  friend natural operator*(const natural& a, const natural& b);
  friend std::strong_ordering operator<=>(const natural& a, const natural& b);
  friend bool operator==(const natural& a, const natural& b) = default;

  // this * m + s, for m <= 2^32 and s < 2^32.
  [[nodiscard]] natural por(std::uint64_t m, std::uint32_t s = 0) const;
  // this * 2^k.
  [[nodiscard]] natural por_dos_a(std::size_t k) const;
  // this * 10^k.
  [[nodiscard]] natural por_diez_a(std::size_t k) const;
  // The quotient by d > 0, truncated, and the remainder.
  [[nodiscard]] std::pair<natural, std::uint32_t> entre(std::uint32_t d) const;
  // The quotient by 10^k, truncated, and whether the remainder is nonzero.
  [[nodiscard]] std::pair<natural, bool> entre_diez_a(std::size_t k) const;

 private:
  void normalizar();

  std::vector<std::uint32_t> digitos_;
};

// The largest r with r * r <= a. Found one decimal digit at a time, from the top: meant for
// numbers of a few dozen digits.
natural raiz_entera(const natural& a);

// An integer of any size with its sign.
struct entero {
  bool negativo = false;  // never for zero
  natural magnitud;

  entero() = default;
  entero(bool negativo_, natural magnitud_)
      : negativo(negativo_ && !magnitud_.es_cero()), magnitud(std::move(magnitud_)) {}

  friend entero operator+(const entero& a, const entero& b);
  friend entero operator-(const entero& a, const entero& b);
  friend entero operator*(const entero& a, const entero& b);
};
