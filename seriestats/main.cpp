// seriestats: reads a series from "vec.dat", echoes it, and prints its arithmetic mean and its
// standard deviation (population form).
//
// The values are read and echoed a block at a time; the running sum advances with each block.
// The sum of squared deviations needs the mean, so the series is gone through a second time:
// from memory while it fits in the budget below or cannot be read again (a named pipe). A longer
// series in a file that can be read again is held up to the budget, and the rest is read from
// the file a second time. That second reading must give the same values bit for bit (their number
// and a checksum of their bits are compared); if the file has changed, the run fails and prints
// no figure. Both figures are computed before the first is printed.
//
// Beside the float arithmetic runs an exact one (exacta.hpp); when the float figures stray from
// the exact ones beyond its tolerance, a warning line on standard error gives the exact values.

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <iostream>
#include <new>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "consola.hpp"
#include "estadistica.hpp"
#include "exacta.hpp"
#include "extendido.hpp"
#include "vec_dat.hpp"

#ifdef SERIESTATS_GANCHOS
#include "ganchos_prueba.hpp"
#endif

// The most values held in memory: 16 Mi values, 64 MiB. The test build lowers it to a handful,
// so that small files take the road of the second reading.
#ifndef SERIESTATS_PRESUPUESTO
#define SERIESTATS_PRESUPUESTO (std::int64_t{1} << 24)
#endif

namespace {

constexpr const char* programa = "seriestats";
constexpr std::int64_t presupuesto = SERIESTATS_PRESUPUESTO;
constexpr std::size_t trozo = 4096;  // values read, echoed and summed at a time

// A checksum of the values' bits, in their order.
std::uint64_t paso_huella(std::uint64_t huella, float v) {
  return (huella ^ std::bit_cast<std::uint32_t>(v)) * 0x100000001b3U;
}

[[noreturn]] void fallar_cambio() {
  throw std::runtime_error(std::string(nombre_vec) +
                           ": ha cambiado durante la lectura (la segunda lectura no da los mismos "
                           "valores); no se da ningun resultado");
}

// Room for the values that a file can hold: each needs a character and one of white space, so
// the bytes left bound their number. A pipe tells no size: the vector grows as values arrive.
std::size_t reserva(fichero_vec& datos, std::int64_t n) {
  const std::optional<std::int64_t> quedan = bytes_restantes(datos);
  const std::int64_t cota = quedan ? *quedan / 2 + 1 : std::int64_t{trozo};
  return static_cast<std::size_t>(std::min(n, cota));
}

int ejecutar() {
  fichero_vec datos = abrir_vec();
#ifdef SERIESTATS_GANCHOS
  ganchos_prueba ganchos(datos);
#endif
  comprobar_vec(datos);
  const std::int32_t n = leer_cuenta(datos);
  if (n < 0) {
    throw std::runtime_error(std::string(nombre_vec) + ": la cuenta de valores es negativa (" +
                             std::to_string(n) + ")");
  }
  // Past the budget, on a file that can be read again, the first `presupuesto` values are held
  // and the rest is read a second time, from the offset where it starts.
  const bool releer = n > presupuesto && se_puede_releer(datos);
  const std::int64_t guardados = releer ? presupuesto : n;
  std::int64_t inicio_relectura = 0;
  std::vector<float> x;

  // First reading: echo, running sum, exact sums, and the checksum of what will be read again.
  float suma = 0.0F;
  suma_exacta exacta;
  std::uint64_t huella = 0;
  std::array<float, trozo> bloque{};
  {
    eco_vec eco(std::cout);
    try {
      x.reserve(reserva(datos, guardados));
      for (std::int64_t hechos = 0; hechos < n;) {
        // A block ends where the held values end, so that the offset of the rest is known.
        const std::int64_t hasta = hechos < guardados ? guardados : n;
        const auto k = static_cast<std::size_t>(std::min<std::int64_t>(trozo, hasta - hechos));
        const std::span<float> valores(bloque.data(), k);
        leer_valores(datos, valores, hechos + 1, &eco);
        // Apart, so that each loop keeps its own chain in registers.
        for (const float v : valores) {
          suma = paso_suma(suma, v);
        }
        for (const float v : valores) {
          exacta.sumar(v);
        }
        if (hechos < guardados) {
#ifdef SERIESTATS_GANCHOS
          ganchos.al_guardar(hechos + static_cast<std::int64_t>(k));
#endif
          x.insert(x.end(), valores.begin(), valores.end());
        } else {
          for (const float v : valores) {
            huella = paso_huella(huella, v);
          }
        }
        hechos += static_cast<std::int64_t>(k);
        if (hechos == guardados) {
          inicio_relectura = posicion(datos);
        }
      }
    } catch (const std::bad_alloc&) {
      eco.cortar_linea();
      throw;
    }
    eco.terminar_linea();
  }
  const float m = media_de_suma(suma, n);

  // Second pass: the squared deviations about the float mean, in the order of the series.
  float acumulado = 0.0F;
  for (const float v : x) {
    acumulado = paso_desviacion(acumulado, v, m);
  }
  if (releer) {
#ifdef SERIESTATS_GANCHOS
    ganchos.entre_lecturas();
#endif
    std::uint64_t otra_huella = 0;
    try {
      volver_a(datos, inicio_relectura);
      for (std::int64_t hechos = guardados; hechos < n;) {
        const auto k = static_cast<std::size_t>(std::min<std::int64_t>(trozo, n - hechos));
        const std::span<float> valores(bloque.data(), k);
        leer_valores(datos, valores, hechos + 1, nullptr);
        for (const float v : valores) {
          acumulado = paso_desviacion(acumulado, v, m);
          otra_huella = paso_huella(otra_huella, v);
        }
        hechos += static_cast<std::int64_t>(k);
      }
    } catch (const std::runtime_error&) {
      fallar_cambio();  // the file now holds fewer values, or bad ones, or cannot be read again
    }
    if (otra_huella != huella) {
      fallar_cambio();
    }
  }
  const float s = desviacion_de_acumulado(acumulado, n);

  std::cout << "El valor medio de la serie de valores es " << a_double(m) << std::endl;
  std::cout << "La desviacion tipica de la serie de valores es " << a_double(s) << std::endl;
  if (const auto aviso = aviso_de_desvio(exacta, n, m, s)) {
    std::cerr << programa << ": " << *aviso << '\n';
  }
  cerrar_vec(datos);
  return terminar(programa);
}

}  // namespace

int main() { return ejecutar_informando(programa, ejecutar); }
