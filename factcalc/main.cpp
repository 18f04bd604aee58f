// factcalc: asks for an integer and prints its factorial in 32-bit wrap-around arithmetic. When
// the true factorial does not fit, a warning on standard error says so.

#include <cstdint>
#include <iomanip>
#include <iostream>

#include "argumentos.hpp"
#include "consola.hpp"
#include "entero_consola.hpp"
#include "fact.hpp"
#include "factorial_exacto.hpp"

namespace {

constexpr const char* programa = "factcalc";

// What --help says of the program, between its first line and the manual's name.
constexpr const char* descripcion =
    "Lee un numero entero de la entrada estandar y escribe en la salida estandar su\n"
    "factorial en aritmetica de 32 bits. No lee ni escribe ningun fichero.\n";

int ejecutar() {
  std::cout << "Entrar un numero" << std::endl;
  comprobar_salida();  // a prompt the user cannot see is not answered
  const std::int32_t n = leer_entero_consola(programa);
  const std::int32_t f = fact(n);
  // The field of 20 is the integer's; the precision of 18 is set with it and stays on the stream,
  // though it changes nothing in an integer.
  std::cout << "El factorial de  " << n << " es " << std::setw(20) << std::setprecision(18) << f
            << std::endl;
  return terminar_avisando(programa, aviso_de_desbordamiento(n));
}

}  // namespace

int main(int argc, char** argv) {
  return ejecutar_con_argumentos(programa, descripcion, argc, argv, ejecutar);
}
