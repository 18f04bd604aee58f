// vecprod: reads two vectors of three components from "vec.dat", echoes them, prints their vector
// product and writes it to "res_1.dat".

#include <array>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "consola.hpp"
#include "prod_vect.hpp"
#include "vec_dat.hpp"

namespace {

constexpr const char* programa = "vecprod";
constexpr const char* nombre_resultado = "res_1.dat";

// Writes the three components, each followed by "," and a line end.
void escribir_componentes(std::ostream& salida, const std::array<float, 3>& c) {
  for (const float componente : c) {
    salida << componente << ',' << std::endl;
  }
}

// A failed run leaves no result behind, not even a partial one: the file is emptied again.
void vaciar_resultado() { std::ofstream(nombre_resultado, std::ios::trunc).close(); }

int ejecutar() {
  // The data file is opened first, then the result file is created, or emptied, before anything
  // is read: after every run it exists, and it holds a result only when this run produced one.
  // (Opened in this order, a closed standard output is taken by the data file, which cannot be
  // written, and not by the result file, which would then receive the console's lines.)
  fichero_vec datos = abrir_vec();
  errno = 0;
  std::ofstream resultado(nombre_resultado, std::ios::trunc);
  if (!resultado) {
    // A file that exists but may not be written is left as it was, old result and all.
    if ((errno == EACCES || errno == EPERM) && std::filesystem::is_regular_file(nombre_resultado)) {
      throw std::runtime_error(std::string(nombre_resultado) +
                               ": existe y esta protegido contra escritura; se deja como estaba");
    }
    throw std::runtime_error(std::string(nombre_resultado) + ": no se puede crear");
  }
  comprobar_vec(datos);

  const std::int32_t n = leer_cuenta(datos);
  if (n != 3) {
    std::cout << "Error dimension incorrecta" << std::endl;
    return terminar(programa);
  }
  const std::vector<float> a = leer_grupo(datos, n, std::cout, 1);
  const std::vector<float> b = leer_grupo(datos, n, std::cout, 1 + n);
  std::array<float, 3> c{};
  prod_vect(std::span<const float, 3>(a.data(), 3), std::span<const float, 3>(b.data(), 3), c);

  std::cout << "El producto vectorial es";
  escribir_componentes(std::cout, c);
  escribir_componentes(resultado, c);
  cerrar_vec(datos);
  resultado.close();
  if (!resultado) {
    vaciar_resultado();
    throw std::runtime_error(std::string(nombre_resultado) + ": no se puede escribir el resultado");
  }
  std::cout.flush();
  if (!std::cout) {
    vaciar_resultado();
  }
  return terminar(programa);
}

}  // namespace

int main() { return ejecutar_informando(programa, ejecutar); }
