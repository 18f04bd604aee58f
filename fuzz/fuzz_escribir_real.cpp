// Differential fuzzer of the echo formatting: every float (4 bytes of input) must be written
// exactly as the stream's default format writes it. Any difference aborts.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "stream_oracle.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* datos, std::size_t tamano) {
  for (std::size_t i = 0; i + 4 <= tamano; i += 4) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, datos + i, sizeof bits);
    if (const auto d = oraculo::diferencia_de_escritura(std::bit_cast<float>(bits))) {
      std::fprintf(stderr, "echo and stream differ: %s\n", d->c_str());
      std::abort();
    }
  }
  return 0;
}
