// seriestats: reads a series from "vec.dat", echoes it, and prints its arithmetic mean and its
// standard deviation (population form).

#include <cstdint>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "consola.hpp"
#include "estadistica.hpp"
#include "extendido.hpp"
#include "vec_dat.hpp"

namespace {

constexpr const char* programa = "seriestats";

int ejecutar() {
  std::ifstream datos = abrir_vec();
  comprobar_vec(datos);
  const std::int32_t n = leer_cuenta(datos);
  if (n < 0) {
    throw std::runtime_error(std::string(nombre_vec) + ": la cuenta de valores es negativa (" +
                             std::to_string(n) + ")");
  }
  const std::vector<float> x = leer_grupo(datos, n, std::cout);
  const float m = media(x);
  const float s = desviacion_tipica(x, m);
  std::cout << "El valor medio de la serie de valores es " << a_double(m) << std::endl;
  std::cout << "La desviacion tipica de la serie de valores es " << a_double(s) << std::endl;
  cerrar_vec(datos);
  return terminar(programa);
}

}  // namespace

int main() { return ejecutar_informando(programa, ejecutar); }
