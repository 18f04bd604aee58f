// The straightforward seriestats: the stream's own formatted extraction and insertion, one value
// at a time. The benchmark checks that seriestats prints exactly what this prints, and times it.

#include <cstdint>
#include <fstream>
#include <iostream>
#include <vector>

#include "serie_completa.hpp"

int main() {
  std::ifstream datos("vec.dat");
  std::int32_t n = 0;
  datos >> n;
  std::vector<float> x(static_cast<std::size_t>(n));
  for (float& v : x) {
    datos >> v;
    std::cout << v << ',';
  }
  std::cout << std::endl;
  const float m = media(x);
  std::cout << "El valor medio de la serie de valores es " << m << std::endl;
  std::cout << "La desviacion tipica de la serie de valores es " << desviacion_tipica(x, m)
            << std::endl;
}
