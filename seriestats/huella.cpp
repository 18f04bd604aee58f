#include "huella.hpp"

#include <exception>
#include <random>

#include "fallo.hpp"

clave_huella clave_aleatoria() {
  try {
    std::random_device fuente("/dev/urandom");
    const auto palabra = [&fuente] {
      const std::uint64_t alta = fuente();
      return (alta << 32) | fuente();
    };
    return {palabra(), palabra()};
  } catch (const std::exception&) {
    throw fallo(
        "/dev/urandom: no se puede leer, y hace falta para comprobar la segunda lectura de "
        "vec.dat");
  }
}
