#pragma once

// Progress of a long run on a terminal: a line on standard error, rewritten in place about once a
// second, erased before the program writes its own lines, at the end, and when the run is
// interrupted. fibratio and seriestats show it; nothing at all happens when standard error is not
// a terminal.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "senales.hpp"

// "PROGRAMA: 37.5 % hecho, DETALLE, quedan aprox. 1 min 05 s" in at most `ancho` characters, so
// that the terminal never wraps it (a wrapped line is not rewritten in place). The total is given
// as its log10, so that it may have any size (fibratio at n = 10000 makes some 10^2090 calls); a
// time left of a year or more is given in years. `detalles` are the forms of what the program
// says of its work, from the longest to the shortest: they give way first, form by form, then the
// time left; the share done is cut at the width if it must be.
std::string linea_de_avance(std::string_view programa, std::uint64_t hechas, double log10_total,
                            double segundos, const std::vector<std::string>& detalles = {},
                            std::size_t ancho = 256);

// How long a run goes on before it shows its progress: a shorter run shows none.
inline constexpr std::chrono::milliseconds espera_de_avance_normal = std::chrono::seconds(2);

// Where the line may show: whenever standard error is a terminal (the program erases it before
// each line of its output), or only when standard output is not that same terminal (a program
// whose output it would tear, as a long echo line would).
enum class avance_si { terminal, salida_aparte };

class avance_en_terminal {
 public:
  avance_en_terminal(std::string_view programa, double log10_total, avance_si donde,
                     std::chrono::milliseconds espera = espera_de_avance_normal);
  avance_en_terminal(const avance_en_terminal&) = delete;
  avance_en_terminal& operator=(const avance_en_terminal&) = delete;
  avance_en_terminal(avance_en_terminal&&) = delete;
  avance_en_terminal& operator=(avance_en_terminal&&) = delete;
  ~avance_en_terminal();

  // `hechas` more units of the work are done; `detalle()`, asked only when a line is written,
  // gives its forms. The clock is read only here, so the work itself is not slowed down.
  template <typename Detalle>
  void avanzar(std::uint64_t hechas, Detalle detalle) {
    hechas_ += hechas;
    if (activo_ && reloj::now() >= siguiente_) {
      mostrar(detalle());
    }
  }
  void operator()(std::uint64_t hechas) {
    avanzar(hechas, [] { return std::vector<std::string>(); });
  }

  void borrar();

 private:
  using reloj = std::chrono::steady_clock;
  void mostrar(const std::vector<std::string>& detalles);

  std::string programa_;
  double log10_total_;
  bool activo_;
  reloj::time_point inicio_;
  reloj::time_point siguiente_;
  std::uint64_t hechas_ = 0;
  std::size_t ancho_ = 0;           // of the line on the terminal, 0 when none is shown
  std::optional<al_parar> parada_;  // while active: the line is erased on an interruption
};
