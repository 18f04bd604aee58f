// vecprod: reads two vectors of three components from "vec.dat", echoes them, prints their vector
// product and writes it to "res_1.dat".

#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <optional>
#include <span>
#include <sstream>
#include <string>
#include <system_error>
#include <utility>

#include "argumentos.hpp"
#include "consola.hpp"
#include "eco_vec.hpp"
#include "fallo.hpp"
#include "fichero_resultado.hpp"
#include "prod_vect.hpp"
#include "producto_verdadero.hpp"
#include "vec_dat.hpp"

namespace {

constexpr const char* programa = "vecprod";

// What --help says of the program, between its first line and the manual's name.
constexpr const char* descripcion =
    "Lee de vec.dat, en el directorio de trabajo, la cuenta 3 y dos vectores de tres\n"
    "componentes; escribe en la salida estandar los vectores y su producto\n"
    "vectorial, y el producto tambien en res_1.dat.\n";

constexpr const char* nombre_resultado = "res_1.dat";

// The three components, each followed by "," and a line end, as the stream writes them.
void escribir_componentes(std::ostream& salida, const std::array<float, 3>& c) {
  for (const float componente : c) {
    salida << componente << ',' << std::endl;
  }
}

// Creates or empties the result file. Refuses first if it is vec.dat itself under another name (a
// hard link, or a symbolic link either way): emptying it would destroy the data before they are
// read. Then neither file is touched.
fichero_resultado crear_resultado() {
  std::error_code error;
  if (std::filesystem::equivalent(nombre_vec, nombre_resultado, error)) {
    throw fallo(std::string(nombre_resultado) + ": es el mismo fichero que " + nombre_vec +
                "; no se escribe en el para no borrar los datos");
  }
  return fichero_resultado(nombre_resultado);
}

// The values of a vector as written, exactly: each decimal's digits with the sign of its value.
std::array<decimal_exacto, 3> escritos(const fichero_vec& datos, const std::array<float, 3>& v,
                                       const std::array<decimal_leido, 3>& decimales) {
  std::array<decimal_exacto, 3> x;
  for (std::size_t i = 0; i < 3; ++i) {
    x[i] = datos.exacto(decimales[i], std::signbit(v[i]));
  }
  return x;
}

// Reads one vector and echoes it on a line of its own.
void leer_vector(fichero_vec& datos, std::span<float, 3> v, std::span<decimal_leido, 3> decimales,
                 std::int64_t primer_valor) {
  eco_vec eco(std::cout);
  leer_con_eco(datos, v, decimales, primer_valor, eco);
  eco.terminar_linea();
}

int ejecutar() {
  // The data file is opened first, then the result file is created, or emptied, before anything
  // is read: after every run it exists, and it holds a result only when this run produced one.
  fichero_vec datos;
  fichero_resultado resultado = crear_resultado();
  datos.comprobar();

  const std::int32_t n = datos.leer_cuenta();
  if (n != 3) {
    std::cout << "Error dimension incorrecta" << std::endl;
    return terminar(programa);
  }
  std::array<float, 3> a{};
  std::array<float, 3> b{};
  std::array<decimal_leido, 3> decimales_a{};
  std::array<decimal_leido, 3> decimales_b{};
  leer_vector(datos, a, decimales_a, 1);
  leer_vector(datos, b, decimales_b, 4);
  std::array<float, 3> c{};
  prod_vect(a, b, c);
  const std::optional<std::string> aviso = aviso_de_producto(
      c, producto_verdadero(escritos(datos, a, decimales_a), escritos(datos, b, decimales_b)));

  std::cout << "El producto vectorial es";
  escribir_componentes(std::cout, c);
  comprobar_salida();  // a result the user was not shown is not written either
  datos.cerrar();
  std::ostringstream texto;
  escribir_componentes(texto, c);
  resultado.escribir(texto.str());
  return terminar_avisando(programa, aviso);
}

}  // namespace

int main(int argc, char** argv) {
  return ejecutar_con_argumentos(programa, descripcion, argc, argv, ejecutar);
}
