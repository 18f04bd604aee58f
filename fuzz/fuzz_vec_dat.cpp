// Differential fuzzer of the vec.dat reader: any bytes, read as a count followed by values and as
// values alone, must give exactly what std::istream's formatted extraction gives (values,
// failures, characters consumed), read in blocks of 1 to 17 bytes, so that tokens run over block
// ends, and of 4096. Any difference aborts.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "stream_oracle.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* datos, std::size_t tamano) {
  const std::string texto(reinterpret_cast<const char*>(datos), tamano);
  for (const char* plan : {"iffffffffffffffff", "ffffffffffffffff", "iiii"}) {
    for (const std::size_t bloque : {1 + tamano % 17, std::size_t{4096}}) {
      if (const auto d = oraculo::diferencia(texto, plan, bloque)) {
        std::fprintf(stderr, "reader and stream differ, read as %s: %s\n", plan, d->c_str());
        std::abort();
      }
    }
  }
  return 0;
}
