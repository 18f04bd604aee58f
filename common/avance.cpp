#include "avance.hpp"

#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iostream>

namespace {

std::string fijo(double x, int decimales) {
  std::array<char, 32> t{};
  return {t.data(), std::to_chars(t.data(), t.end(), x, std::chars_format::fixed, decimales).ptr};
}

// "1 min 05 s", "6 anos", "6.3e+2082 anos": the time left at the rate so far, of a total given as
// its log10, beyond 10^300 too large for a double (the work done is then a vanishing share).
std::string tiempo_restante(double hechas, double log10_total, double segundos) {
  const double total = log10_total < 300.0 ? std::pow(10.0, log10_total) : 0.0;
  const double log10_quedan =
      std::log10(segundos / hechas) +
      (total > 0.0 ? std::log10(std::max(total - hechas, 1.0)) : log10_total);
  const double log10_annos = log10_quedan - std::log10(365.25 * 86400.0);
  if (log10_annos >= 6.0) {
    // d.de+e, the first digits rounded first, so that 9.96e+9 reads 1.0e+10.
    const double exponente = std::floor(log10_annos);
    const double cifras = std::round(10.0 * std::pow(10.0, log10_annos - exponente));
    const bool sube = cifras >= 100.0;
    return fijo(sube ? cifras / 100.0 : cifras / 10.0, 1) + "e+" +
           fijo(sube ? exponente + 1.0 : exponente, 0) + " anos";
  }
  if (log10_annos >= 0.0) {
    return fijo(std::pow(10.0, log10_annos), 0) + " anos";
  }
  const auto s = static_cast<std::int64_t>(std::pow(10.0, log10_quedan));
  const auto dos = [](std::int64_t x) {
    return std::string(x < 10 ? 1 : 0, '0') += std::to_string(x);
  };
  if (s >= 3600) {
    return s >= 86400 ? std::to_string(s / 86400) + " dias " + std::to_string(s / 3600 % 24) + " h"
                      : std::to_string(s / 3600) + " h " + dos(s / 60 % 60) + " min";
  }
  return s >= 60 ? std::to_string(s / 60) + " min " + dos(s % 60) + " s" : std::to_string(s) + " s";
}

// What an interruption erases: the handler sees only these, and writes to the terminal itself.
volatile sig_atomic_t ancho_mostrado = 0;
constexpr std::size_t ancho_maximo = 256;
const std::string blancos = "\r" + std::string(ancho_maximo, ' ');

// On SIGINT, SIGTERM or SIGHUP while a line is shown: the line is erased, and the signal raised
// again (senales.hpp).
extern "C" void borrar_y_terminar(int senal) {
  if (const auto ancho = static_cast<std::size_t>(ancho_mostrado); ancho > 0) {
    [[maybe_unused]] const ssize_t a = ::write(2, blancos.data(), ancho + 1);
    [[maybe_unused]] const ssize_t b = ::write(2, "\r", 1);
  }
  ::raise(senal);
}

// Whether standard output is the very terminal of standard error.
bool salida_en_la_terminal() {
  struct stat a {};
  struct stat b {};
  return ::isatty(1) == 1 && ::fstat(1, &a) == 0 && ::fstat(2, &b) == 0 && a.st_rdev == b.st_rdev;
}

}  // namespace

std::string linea_de_avance(std::string_view programa, std::uint64_t hechas, double log10_total,
                            double segundos, const std::vector<std::string>& detalles,
                            std::size_t ancho) {
  const auto h = static_cast<double>(hechas);
  const double parte = log10_total < 300.0 ? std::min(h / std::pow(10.0, log10_total), 1.0) : 0.0;
  const std::string hecho = std::string(programa) + ": " + fijo(100.0 * parte, 1) + " % hecho";
  const std::string quedan =
      hechas == 0 ? "" : ", quedan aprox. " + tiempo_restante(h, log10_total, segundos);
  for (const std::string& detalle : detalles) {
    if (hecho.size() + 2 + detalle.size() + quedan.size() <= ancho) {
      return std::string(hecho).append(", ").append(detalle).append(quedan);
    }
  }
  return hecho.size() + quedan.size() <= ancho ? hecho + quedan : hecho.substr(0, ancho);
}

avance_en_terminal::avance_en_terminal(std::string_view programa, double log10_total,
                                       avance_si donde, std::chrono::milliseconds espera)
    : programa_(programa),
      log10_total_(log10_total),
      activo_(::isatty(2) == 1 && (donde == avance_si::terminal || !salida_en_la_terminal())),
      inicio_(reloj::now()),
      siguiente_(inicio_ + espera) {
  if (activo_) {
    parada_.emplace(borrar_y_terminar);
  }
}

avance_en_terminal::~avance_en_terminal() { borrar(); }

void avance_en_terminal::mostrar(const std::vector<std::string>& detalles) {
  const reloj::time_point ahora = reloj::now();
  siguiente_ = ahora + std::chrono::seconds(1);
  // The width is asked each time (the window may have been resized), 80 where the terminal
  // reports none; the last column stays free, as some terminals wrap once it is written.
  winsize tamano{};
  const std::size_t columnas =
      ::ioctl(2, TIOCGWINSZ, &tamano) == 0 && tamano.ws_col > 0 ? tamano.ws_col : 80;
  const std::size_t ancho = std::min(columnas - 1, ancho_maximo);
  const std::string linea =
      linea_de_avance(programa_, hechas_, log10_total_,
                      std::chrono::duration<double>(ahora - inicio_).count(), detalles, ancho);
  // Padded over the end of a longer line it replaces, as far as the width allows (the window
  // may have been narrowed since).
  ancho_ = std::min(ancho_, ancho);
  const std::string relleno(ancho_ > linea.size() ? ancho_ - linea.size() : 0, ' ');
  ancho_ = std::max(ancho_, linea.size());
  ancho_mostrado = static_cast<sig_atomic_t>(ancho_);
  std::cerr << '\r' << linea << relleno << std::flush;
}

void avance_en_terminal::borrar() {
  if (ancho_ > 0) {
    std::cerr << blancos.substr(0, ancho_ + 1) << '\r' << std::flush;
    ancho_ = 0;
    ancho_mostrado = 0;
  }
}
