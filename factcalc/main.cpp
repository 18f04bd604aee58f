// factcalc: asks for an integer and prints its factorial in 32-bit wrap-around arithmetic.

#include <cstdint>
#include <exception>
#include <iomanip>
#include <iostream>

#include "consola.hpp"
#include "fact.hpp"

namespace {
constexpr const char* programa = "factcalc";
}

int main() {
  std::cout << "Entrar un numero" << std::endl;
  std::int32_t n = 0;
  try {
    n = leer_entero_consola(std::cin);
  } catch (const std::exception& error) {
    return fallar(programa, error.what());
  }
  const std::int32_t f = fact(n);
  std::cout << "El factorial de  " << n << " es " << std::setw(20) << std::setprecision(18) << f
            << std::endl;
  return terminar(programa);
}
