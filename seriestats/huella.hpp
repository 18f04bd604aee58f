#pragma once

// The checksum that seriestats compares between its two readings of a long file: SipHash-2-4
// (Aumasson and Bernstein) of the values' bits, 4 bytes a value in little-endian order, under a
// 128-bit key drawn for each run from the operating system's random source.
//
// A change in the values, in their order or in their number then gives the same checksum with a
// probability of 2^-64, and no one can do better by searching: without the key, which never
// leaves the process, an edit cannot be tested before the run, and each run draws a new one.
// SipHash compresses a 64-bit word (two values here) in two rounds of additions, rotations and
// exclusive ors, a few nanoseconds a value.

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>

using clave_huella = std::array<std::uint64_t, 2>;

// A new key from the operating system's random source; throws a `fallo` if there is none.
clave_huella clave_aleatoria();

class huella_siphash {
 public:
  explicit huella_siphash(const clave_huella& clave)
      : v0_(clave[0] ^ 0x736f6d6570736575U),
        v1_(clave[1] ^ 0x646f72616e646f6dU),
        v2_(clave[0] ^ 0x6c7967656e657261U),
        v3_(clave[1] ^ 0x7465646279746573U) {}

  // Appends the values to the message.
  void agregar(std::span<const float> valores) {
    std::size_t i = 0;
    if (impar_ && !valores.empty()) {  // completes the word begun by the last value
      comprimir(pendiente_ | (std::uint64_t{bits(valores[0])} << 32));
      impar_ = false;
      i = 1;
    }
    for (; i + 1 < valores.size(); i += 2) {
      comprimir(std::uint64_t{bits(valores[i])} | (std::uint64_t{bits(valores[i + 1])} << 32));
    }
    if (i < valores.size()) {
      pendiente_ = bits(valores[i]);
      impar_ = true;
    }
    cuenta_ += valores.size();
  }

  // The hash of the values appended so far.
  [[nodiscard]] std::uint64_t valor() const {
    huella_siphash h = *this;
    // The last word: the message's length in bytes in its top byte, the bytes left below it.
    const std::uint64_t longitud = (std::uint64_t{4} * h.cuenta_) & 0xffU;
    h.comprimir((longitud << 56) | (h.impar_ ? h.pendiente_ : 0U));
    h.v2_ ^= 0xffU;
    for (int r = 0; r < 4; ++r) {
      h.ronda();
    }
    return h.v0_ ^ h.v1_ ^ h.v2_ ^ h.v3_;
  }

 private:
  static std::uint32_t bits(float v) { return std::bit_cast<std::uint32_t>(v); }

  void ronda() {
    v0_ += v1_;
    v1_ = std::rotl(v1_, 13) ^ v0_;
    v0_ = std::rotl(v0_, 32);
    v2_ += v3_;
    v3_ = std::rotl(v3_, 16) ^ v2_;
    v0_ += v3_;
    v3_ = std::rotl(v3_, 21) ^ v0_;
    v2_ += v1_;
    v1_ = std::rotl(v1_, 17) ^ v2_;
    v2_ = std::rotl(v2_, 32);
  }

  void comprimir(std::uint64_t m) {
    v3_ ^= m;
    ronda();
    ronda();
    v0_ ^= m;
  }

  std::uint64_t v0_;
  std::uint64_t v1_;
  std::uint64_t v2_;
  std::uint64_t v3_;
  std::uint64_t pendiente_ = 0;  // the bits of the last value, when it began a word
  bool impar_ = false;
  std::uint64_t cuenta_ = 0;  // values appended
};
