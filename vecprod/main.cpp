// vecprod: reads two vectors of three components from "vec.dat", echoes them, prints their vector
// product and writes it to "res_1.dat".

#include <array>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <span>
#include <string>
#include <system_error>

#include "argumentos.hpp"
#include "consola.hpp"
#include "eco_vec.hpp"
#include "fallo.hpp"
#include "prod_vect.hpp"
#include "vec_dat.hpp"

namespace {

constexpr const char* programa = "vecprod";

// What --help says of the program, between its first line and the manual's name.
constexpr const char* descripcion =
    "Lee de vec.dat, en el directorio de trabajo, la cuenta 3 y dos vectores de tres\n"
    "componentes; escribe en la salida estandar los vectores y su producto vectorial,\n"
    "y el producto tambien en res_1.dat.\n";

constexpr const char* nombre_resultado = "res_1.dat";

// Writes the three components, each followed by "," and a line end.
void escribir_componentes(std::ostream& salida, const std::array<float, 3>& c) {
  for (const float componente : c) {
    salida << componente << ',' << std::endl;
  }
}

// A failed run leaves no result behind, not even a partial one: the file is emptied again.
void vaciar_resultado() { std::ofstream(nombre_resultado, std::ios::trunc).close(); }

// Creates or empties the result file. Refuses first if it is vec.dat itself under another name (a
// hard link, or a symbolic link either way): emptying it would destroy the data before they are
// read. Then neither file is touched.
std::ofstream crear_resultado() {
  std::error_code error;
  if (std::filesystem::equivalent(nombre_vec, nombre_resultado, error)) {
    throw fallo(std::string(nombre_resultado) + ": es el mismo fichero que " + nombre_vec +
                "; no se escribe en el para no borrar los datos");
  }
  errno = 0;
  std::ofstream resultado(nombre_resultado, std::ios::trunc);
  if (!resultado) {
    // A file that exists but may not be written is left as it was, old result and all.
    const bool sin_permiso = errno == EACCES || errno == EPERM;
    if (sin_permiso &&
        std::filesystem::is_regular_file(std::filesystem::status(nombre_resultado, error))) {
      throw fallo(std::string(nombre_resultado) +
                  ": existe y esta protegido contra escritura; se deja como estaba");
    }
    throw fallo(std::string(nombre_resultado) + ": no se puede crear");
  }
  return resultado;
}

// Reads one vector and echoes it on a line of its own.
void leer_vector(fichero_vec& datos, std::span<float, 3> v, std::int64_t primer_valor) {
  eco_vec eco(std::cout);
  leer_con_eco(datos, v, primer_valor, eco);
  eco.terminar_linea();
}

int ejecutar() {
  // The data file is opened first, then the result file is created, or emptied, before anything
  // is read: after every run it exists, and it holds a result only when this run produced one.
  fichero_vec datos;
  std::ofstream resultado = crear_resultado();
  datos.comprobar();

  const std::int32_t n = datos.leer_cuenta();
  if (n != 3) {
    std::cout << "Error dimension incorrecta" << std::endl;
    return terminar(programa);
  }
  std::array<float, 3> a{};
  std::array<float, 3> b{};
  leer_vector(datos, a, 1);
  leer_vector(datos, b, 4);
  std::array<float, 3> c{};
  prod_vect(a, b, c);

  std::cout << "El producto vectorial es";
  escribir_componentes(std::cout, c);
  comprobar_salida();  // a result the user was not shown is not written either
  escribir_componentes(resultado, c);
  datos.cerrar();
  resultado.close();
  if (!resultado) {
    vaciar_resultado();
    throw fallo(std::string(nombre_resultado) + ": no se puede escribir el resultado");
  }
  return terminar(programa);
}

}  // namespace

int main(int argc, char** argv) {
  return ejecutar_con_argumentos(programa, descripcion, argc, argv, ejecutar);
}
