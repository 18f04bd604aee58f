// The checksum of the second reading is SipHash-2-4: its published test vectors (key 00 01 .. 0f,
// message 00 01 02 ...), fed as floats whose little-endian bytes are the message, in pieces of
// every size, since a reading hands the values over a block at a time.

#include "huella.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace {

TEST(HuellaSiphash, GivesTheReferenceVectorsWhateverThePieces) {
  const clave_huella clave = {0x0706050403020100U, 0x0f0e0d0c0b0a0908U};
  // SipHash-2-4 of the first 4k bytes of 00 01 02 ..., as a 64-bit little-endian word.
  const std::vector<std::pair<int, std::uint64_t>> referencia = {
      {0, 0x726fdb47dd0e0e31U}, {1, 0xcf2794e0277187b7U}, {2, 0x93f5f5799a932462U},
      {3, 0x751e8fbc860ee5fbU}, {4, 0x3f2acc7f57c29bdbU}, {15, 0x6ca4ecb15c5f91e1U}};
  for (const auto& [k, esperado] : referencia) {
    std::vector<float> valores;
    for (int i = 0; i < k; ++i) {
      const auto b = static_cast<std::uint32_t>(4 * i);
      valores.push_back(std::bit_cast<float>(b | (b + 1) << 8 | (b + 2) << 16 | (b + 3) << 24));
    }
    for (std::size_t pieza = 1; pieza <= 4; ++pieza) {
      huella_siphash h(clave);
      const std::span<const float> todo(valores);
      for (std::size_t i = 0; i < todo.size(); i += pieza) {
        h.agregar(todo.subspan(i, std::min(pieza, todo.size() - i)));
      }
      EXPECT_EQ(h.valor(), esperado) << k << " values in pieces of " << pieza;
    }
  }
}

}  // namespace
