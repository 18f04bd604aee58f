// seriestats: reads a series from "vec.dat", echoes it, and prints its arithmetic mean and its
// standard deviation (population form).
//
// The values are read and echoed a block at a time; the running sum advances with each block.
// The sum of squared deviations needs the mean, so the series is gone through a second time:
// from memory while it fits in the budget (valores_en_memoria) or cannot be read again (a named
// pipe). A longer series in a file that can be read again is held up to the budget, and the rest
// is read from the file a second time. That second reading must give the same values bit for bit
// (their number and a keyed checksum of their bits, huella.hpp, are compared); if the file has
// changed, the run fails and prints no figure. Both figures are computed before the first is
// printed.
//
// Beside the float arithmetic run exact sums of the values as written (exacta.hpp); when the
// printed figures stray from the true ones beyond its tolerance, a warning line on standard error
// gives the true values.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "argumentos.hpp"
#include "avance.hpp"
#include "consola.hpp"
#include "eco_vec.hpp"
#include "estadistica.hpp"
#include "exacta.hpp"
#include "extendido.hpp"
#include "fallo.hpp"
#include "ganchos.hpp"
#include "huella.hpp"
#include "vec_dat.hpp"

namespace {

constexpr const char* programa = "seriestats";

// What --help says of the program, between its first line and the manual's name.
constexpr const char* descripcion =
    "Lee de vec.dat, en el directorio de trabajo, una cuenta n y n valores; escribe\n"
    "en la salida estandar la serie, su media y su desviacion tipica (de poblacion).\n"
    "No escribe ningun fichero.\n";

constexpr std::size_t trozo = 4096;  // values read, echoed and summed at a time

// The most values held in memory, 16 Mi values (64 MiB); the test build's hooks make it smaller.
constexpr std::int64_t valores_en_memoria = std::int64_t{1} << 24;

// How the series is gone through: its length, how many of its values are held in memory, and
// whether the rest is read from the file a second time (then with the key of its checksum).
struct plan_de_lectura {
  std::int64_t n = 0;
  std::int64_t guardados = 0;
  std::optional<clave_huella> clave;
};

// What the first reading leaves for the figures.
struct primera_lectura {
  std::vector<float> valores;  // the values held
  float suma = 0.0F;           // the running float sum of all of them
  suma_exacta exacta;
  std::optional<huella_siphash> huella;  // of the values read again, in their order
  std::int64_t inicio_relectura = 0;     // the file offset where those begin
};

std::int32_t leer_numero_de_valores(fichero_vec& datos) {
  const std::int32_t n = datos.leer_cuenta();
  if (n < 0) {
    throw fallo(std::string(nombre_vec) + ": la cuenta de valores es negativa (" +
                std::to_string(n) + ")");
  }
  return n;
}

plan_de_lectura planear(fichero_vec& datos, std::int32_t n, const ganchos& g) {
  const std::int64_t guardados = g.presupuesto(valores_en_memoria);
  if (n > guardados && datos.se_puede_releer()) {
    return {n, guardados, clave_aleatoria()};
  }
  return {n, n, std::nullopt};
}

// The progress line of a long run, on a terminal that is not standard output: the values read of
// the count, then the values read a second time.
class avance_de_serie {
 public:
  avance_de_serie(const plan_de_lectura& plan, const ganchos& g)
      : n_(plan.n),
        por_releer_(plan.clave ? plan.n - plan.guardados : 0),
        linea_(programa,
               std::log10(static_cast<double>(std::max<std::int64_t>(1, n_ + por_releer_))),
               avance_si::salida_aparte, g.espera_de_avance()) {}

  void leidos(std::size_t k) {
    leidos_ += static_cast<std::int64_t>(k);
    linea_.avanzar(k, [this] { return detalle(); });
  }
  void releidos(std::size_t k) {
    releidos_ += static_cast<std::int64_t>(k);
    linea_.avanzar(k, [this] { return detalle(); });
  }
  void borrar() { linea_.borrar(); }

 private:
  // The counts, "1234 de 5000 valores leidos", or on a narrow terminal "1234 leidos".
  [[nodiscard]] std::vector<std::string> detalle() const {
    const bool releyendo = releidos_ != 0;
    const std::string hechos = std::to_string(releyendo ? releidos_ : leidos_);
    const std::string total = std::to_string(releyendo ? por_releer_ : n_);
    const char* const que = releyendo ? "releidos" : "leidos";
    return {hechos + " de " + total + " valores " + que, hechos + " " + que};
  }

  std::int64_t n_;
  std::int64_t por_releer_;
  std::int64_t leidos_ = 0;
  std::int64_t releidos_ = 0;
  avance_en_terminal linea_;
};

// Room for the values that a file can hold: each needs a character and one of white space, so
// the bytes left bound their number. A pipe tells no size: the vector grows as values arrive.
std::size_t reserva(fichero_vec& datos, std::int64_t guardados) {
  const std::optional<std::int64_t> quedan = datos.bytes_restantes();
  const std::int64_t cota = quedan ? *quedan / 2 + 1 : std::int64_t{trozo};
  return static_cast<std::size_t>(std::min(guardados, cota));
}

// The first reading: every value echoed, added to the running float sum and to the exact sums;
// the first plan.guardados held, the rest only taken into the checksum that the second reading
// must give again.
primera_lectura leer_serie(fichero_vec& datos, const plan_de_lectura& plan, const ganchos& g,
                           avance_de_serie& avance) {
  primera_lectura lectura;
  if (plan.clave) {
    lectura.huella.emplace(*plan.clave);
  }
  lectura.valores.reserve(reserva(datos, plan.guardados));
  std::array<float, trozo> bloque{};
  std::array<decimal_leido, trozo> decimales{};
  eco_vec eco(std::cout);
  for (std::int64_t hechos = 0; hechos < plan.n;) {
    // A block ends where the held values end, so that the offset of the rest is known.
    const std::int64_t hasta = hechos < plan.guardados ? plan.guardados : plan.n;
    const auto k = static_cast<std::size_t>(std::min<std::int64_t>(trozo, hasta - hechos));
    const std::span<float> valores(bloque.data(), k);
    leer_con_eco(datos, valores, std::span(decimales.data(), k), hechos + 1, eco);
    // Apart, so that each loop keeps its own chain in registers.
    for (const float v : valores) {
      lectura.suma = suma_de_floats(lectura.suma, v);
    }
    for (std::size_t i = 0; i < k; ++i) {
      lectura.exacta.sumar(valores[i], decimales[i], datos);
    }
    datos.olvidar_largos();
    if (hechos < plan.guardados) {
      g.al_guardar(hechos + static_cast<std::int64_t>(k));
      lectura.valores.insert(lectura.valores.end(), valores.begin(), valores.end());
    } else {
      lectura.huella->agregar(valores);
    }
    hechos += static_cast<std::int64_t>(k);
    avance.leidos(k);
    if (hechos == plan.guardados) {
      lectura.inicio_relectura = datos.posicion();
    }
  }
  eco.terminar_linea();
  return lectura;
}

[[noreturn]] void fallar_cambio() {
  throw fallo(std::string(nombre_vec) +
              ": ha cambiado durante la lectura (la segunda lectura no da los mismos valores); "
              "no se da ningun resultado");
}

// The sum of squared deviations about the float mean, in the order of the series: over the
// values held, then over the rest read again from the file, which must be the values of the
// first reading. A read error there is reported as such; fewer values, bad ones or other ones
// mean that the file has changed.
float acumular_cuadrados(fichero_vec& datos, const plan_de_lectura& plan,
                         const primera_lectura& primera, float media_x, const ganchos& g,
                         avance_de_serie& avance) {
  float acumulado = desviaciones(0.0F, primera.valores, media_x);
  if (!plan.clave) {
    return acumulado;
  }
  g.entre_lecturas();
  datos.volver_a(primera.inicio_relectura);
  huella_siphash otra(*plan.clave);
  std::array<float, trozo> bloque{};
  for (std::int64_t hechos = plan.guardados; hechos < plan.n;) {
    const auto k = static_cast<std::size_t>(std::min<std::int64_t>(trozo, plan.n - hechos));
    const std::span<float> valores(bloque.data(), k);
    const valores_leidos r = datos.leer_valores(valores, {}, hechos + 1);
    if (r.motivo == parada::error_de_lectura) {
      r.comprobar();
    }
    if (r.motivo != parada::ninguna) {
      fallar_cambio();
    }
    acumulado = desviaciones(acumulado, valores, media_x);
    otra.agregar(valores);
    hechos += static_cast<std::int64_t>(k);
    avance.releidos(k);
  }
  if (otra.valor() != primera.huella->valor()) {
    fallar_cambio();
  }
  return acumulado;
}

// The two figures, each line checked as it is written: a figure that did not reach the user
// stops the run.
void escribir_figuras(float media_x, float desviacion) {
  std::cout << "El valor medio de la serie de valores es " << a_double(media_x) << std::endl;
  comprobar_salida();
  std::cout << "La desviacion tipica de la serie de valores es " << a_double(desviacion)
            << std::endl;
  comprobar_salida();
}

int ejecutar() {
  fichero_vec datos;
  const ganchos g(datos);
  datos.comprobar();
  const std::int32_t n = leer_numero_de_valores(datos);
  const plan_de_lectura plan = planear(datos, n, g);

  avance_de_serie avance(plan, g);
  const primera_lectura primera = leer_serie(datos, plan, g, avance);
  const float media_x = media_de_suma(primera.suma, n);
  const float acumulado = acumular_cuadrados(datos, plan, primera, media_x, g, avance);
  const float desviacion = desviacion_de_acumulado(acumulado, n);

  avance.borrar();
  escribir_figuras(media_x, desviacion);
  datos.cerrar();
  return terminar_avisando(programa, aviso_de_desvio(primera.exacta, n, media_x, desviacion));
}

}  // namespace

int main(int argc, char** argv) {
  return ejecutar_con_argumentos(programa, descripcion, argc, argv, ejecutar);
}
