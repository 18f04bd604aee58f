// fibratio: asks for n and prints the n-th Fibonacci number, computed by the plain two-way
// recursion, and the quotient F(n) / F(n-1) in extended precision with 25 significant digits.
// When F(n) or F(n-1) wraps around, a warning on standard error gives the true figures.

#include <cstdint>
#include <iomanip>
#include <iostream>
#include <optional>
#include <string>

#include "argumentos.hpp"
#include "avance.hpp"
#include "consola.hpp"
#include "entero_consola.hpp"
#include "fallo.hpp"
#include "fibonacci.hpp"
#include "fibonacci_avance.hpp"
#include "fibonacci_exacto.hpp"
#include "ganchos.hpp"
#include "pila.hpp"

namespace {

constexpr const char* programa = "fibratio";

// What --help says of the program, between its first line and the manual's name.
constexpr const char* descripcion =
    "Lee un numero entero n de la entrada estandar y escribe en la salida estandar\n"
    "el n-esimo numero de Fibonacci y el cociente F(n)/F(n-1) con 25 cifras. No lee\n"
    "ni escribe ningun fichero.\n";

int ejecutar(char* const* argv) {
  std::cout << "Entrar un numero entero" << std::endl;
  comprobar_salida();  // a prompt the user cannot see is not answered
  const std::int32_t n = leer_entero_consola(programa);
  if (n > n_maximo || n < -n_maximo) {
    throw fallo("entrada estandar: n = " + std::to_string(n) +
                " anidaria demasiadas llamadas; se admite de -" + std::to_string(n_maximo) + " a " +
                std::to_string(n_maximo));
  }
  // A small stack, or one that the environment already fills, would overflow before the
  // recursion reaches its depth. What is left is measured from this frame, below which the
  // recursion runs.
  const char marca = 0;
  if (const std::optional<pila> libre = pila_libre(argv, &marca);
      libre && niveles(n) > niveles_admitidos(libre->libre)) {
    const std::int64_t admitidos = niveles_admitidos(libre->libre);
    throw fallo("entrada estandar: n = " + std::to_string(n) + " anidaria " +
                std::to_string(niveles(n)) +
                " llamadas, que no caben en lo que queda de la pila de " +
                std::to_string(libre->limite >> 10) + " KiB (ulimit -s); se admite de " +
                std::to_string(1 - admitidos) + " a " + std::to_string(admitidos));
  }
  // A long run shows its progress on a terminal's standard error, erased before each line of
  // standard output.
  avance_en_terminal avance(programa, log10_llamadas_de_ejecucion(n), avance_si::terminal,
                            espera_de_avance());
  const auto evaluar = [&avance](std::int32_t m) { return fibonacci_avisando(m, avance); };
  const std::int32_t f = evaluar(n);
  avance.borrar();
  // The first line is complete on the console before the quotient, which takes longer, starts.
  std::cout << " El numero de Fibonacci " << n << "-esimo es " << f << std::endl;
  comprobar_salida();  // no quotient is computed for a run whose first line was lost
  // Written with the stream's general notation, whether r is a long double or the software
  // model's value, which prints the same text.
  const extendido r = cociente(n, evaluar);
  avance.borrar();
  std::cout << "El cociente entre dos numeros consecutivos de la serie Fibonacci es"
            << std::setw(25) << std::setprecision(cifras_cociente) << r << std::endl;
  return terminar_avisando(programa, aviso_de_desbordamiento(n));
}

}  // namespace

int main(int argc, char** argv) {
  return ejecutar_con_argumentos(programa, descripcion, argc, argv,
                                 [argv] { return ejecutar(argv); });
}
