#pragma once

// Progress of a long run on a terminal: a line on standard error, rewritten in place, erased
// before the program writes its own lines and when the run is interrupted. fibratio and
// seriestats show it; nothing at all happens when standard error is not a terminal.

#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <iostream>
#include <iterator>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The parts of a progress line: the share of the work done, "PROGRAMA: 37.5 % hecho", and the
// time left at the rate so far, "quedan aprox. 1 min 05 s" (empty before any work is done). The
// total is given as its log10, so that it may have any size (a fibratio run of n = 10000 makes
// some 10^2090 calls); a time left of a year or more is given in years.
struct partes_de_avance {
  std::string hecho;
  std::string quedan;
};

inline partes_de_avance partes_de_linea(std::string_view programa, std::uint64_t hechas,
                                        double log10_total, double segundos) {
  const auto decimal = [](double x, int cifras) {
    char texto[32];
    const auto fin =
        std::to_chars(std::begin(texto), std::end(texto), x, std::chars_format::fixed, cifras);
    return std::string(std::begin(texto), fin.ptr);
  };
  const auto dos_cifras = [](std::int64_t x) {
    std::string texto(x < 10 ? 1 : 0, '0');
    return texto += std::to_string(x);
  };
  const auto h = static_cast<double>(hechas);
  // Beyond 10^300 the total does not fit a double; the work done is then a vanishing share.
  const bool cabe = log10_total < 300.0;
  const double total = cabe ? std::pow(10.0, log10_total) : 0.0;
  const double parte = cabe ? std::min(h / total, 1.0) : 0.0;
  partes_de_avance partes{std::string(programa) + ": " + decimal(100.0 * parte, 1) + " % hecho",
                          {}};
  if (hechas == 0) {
    return partes;
  }
  const double log10_quedan =
      std::log10(segundos / h) + (cabe ? std::log10(std::max(total - h, 1.0)) : log10_total);
  const double anno = 365.25 * 86400.0;
  partes.quedan = "quedan aprox. ";
  std::string& quedan = partes.quedan;
  if (log10_quedan >= std::log10(anno)) {
    const double log10_annos = log10_quedan - std::log10(anno);
    if (log10_annos < 6.0) {
      quedan += decimal(std::pow(10.0, log10_annos), 0) + " anos";
      return partes;
    }
    // d.de+e, with the first digits rounded first, so that 9.96e+9 reads 1.0e+10.
    double exponente = std::floor(log10_annos);
    double cifras = std::round(10.0 * std::pow(10.0, log10_annos - exponente));
    if (cifras >= 100.0) {
      cifras /= 10.0;
      exponente += 1.0;
    }
    quedan += decimal(cifras / 10.0, 1) + "e+" + decimal(exponente, 0) + " anos";
    return partes;
  }
  const auto s = static_cast<std::int64_t>(std::pow(10.0, log10_quedan));
  if (s >= 86400) {
    quedan += std::to_string(s / 86400) + " dias " + std::to_string(s / 3600 % 24) + " h";
  } else if (s >= 3600) {
    quedan += std::to_string(s / 3600) + " h " + dos_cifras(s / 60 % 60) + " min";
  } else if (s >= 60) {
    quedan += std::to_string(s / 60) + " min " + dos_cifras(s % 60) + " s";
  } else {
    quedan += std::to_string(s) + " s";
  }
  return partes;
}

// The parts joined, with what the program says of its work (if anything) between them:
// "PROGRAMA: 37.5 % hecho, DETALLE, quedan aprox. 1 min 05 s".
inline std::string unir_linea(const partes_de_avance& partes, std::string_view detalle) {
  std::string linea = partes.hecho;
  for (const std::string_view parte : {detalle, std::string_view(partes.quedan)}) {
    if (!parte.empty()) {
      linea.append(", ").append(parte);
    }
  }
  return linea;
}

// The whole progress line.
inline std::string linea_de_avance(std::string_view programa, std::uint64_t hechas,
                                   double log10_total, double segundos,
                                   std::string_view detalle = {}) {
  return unir_linea(partes_de_linea(programa, hechas, log10_total, segundos), detalle);
}

// The progress line in at most `ancho` characters, so that the terminal never wraps it (a wrapped
// line is not rewritten in place: each rewrite would leave a stale line behind). `detalles` are
// the forms of what the program says of its work, from the longest to the shortest. The detail
// gives way first, form by form, then goes; then the time left; what is left, the share done, is
// cut at the width if it must be.
inline std::string linea_de_avance_ajustada(std::string_view programa, std::uint64_t hechas,
                                            double log10_total, double segundos,
                                            const std::vector<std::string>& detalles,
                                            std::size_t ancho) {
  const partes_de_avance partes = partes_de_linea(programa, hechas, log10_total, segundos);
  for (const std::string& detalle : detalles) {
    std::string linea = unir_linea(partes, detalle);
    if (linea.size() <= ancho) {
      return linea;
    }
  }
  std::string linea = unir_linea(partes, {});
  if (linea.size() <= ancho) {
    return linea;
  }
  return partes.hecho.substr(0, ancho);
}

// The columns of the terminal on standard error, as it reports them; 80 where it reports none (a
// pseudo-terminal whose size nobody has set reports 0).
inline std::size_t columnas_de_terminal() {
  winsize tamano{};
  if (::ioctl(2, TIOCGWINSZ, &tamano) == 0 && tamano.ws_col > 0) {
    return tamano.ws_col;
  }
  return 80;
}

// What an interruption erases: the width of the progress line on the terminal, 0 when none is
// shown, and blanks enough to cover it. A signal handler can only see such variables, and write
// to the terminal itself (async-signal-safe calls only).
inline volatile std::sig_atomic_t ancho_de_avance = 0;
inline constexpr std::size_t ancho_de_avance_maximo = 256;
inline constexpr std::array<char, ancho_de_avance_maximo> blancos_de_avance = [] {
  std::array<char, ancho_de_avance_maximo> b{};
  b.fill(' ');
  return b;
}();

// On SIGINT, SIGTERM or SIGHUP while a progress line is shown: the line is erased, and the
// signal, whose action the handler has reset to the default on entry, is raised again, so that
// the program ends as interrupted and the shell sees the usual status (130 for SIGINT).
extern "C" inline void borrar_avance_y_terminar(int senal) {
  const auto ancho = static_cast<std::size_t>(ancho_de_avance);
  if (ancho > 0) {
    const auto escrito = [](const char* texto, std::size_t n) {
      [[maybe_unused]] const ssize_t r = ::write(2, texto, n);
    };
    escrito("\r", 1);
    escrito(blancos_de_avance.data(), ancho);
    escrito("\r", 1);
  }
  ::raise(senal);
}

// Whether descriptors a and b are both the same terminal.
inline bool misma_terminal(int a, int b) {
  struct stat estado_a {};
  struct stat estado_b {};
  return ::isatty(a) == 1 && ::isatty(b) == 1 && ::fstat(a, &estado_a) == 0 &&
         ::fstat(b, &estado_b) == 0 && estado_a.st_rdev == estado_b.st_rdev;
}

// How long a run goes on before it shows its progress: a run shorter than that shows none.
inline constexpr std::chrono::milliseconds espera_de_avance_normal = std::chrono::seconds(2);

// Where a progress line may be shown: on standard error whenever it is a terminal (the program
// erases the line before each line of its standard output), or only when standard output is not
// that same terminal (a program whose output would be torn by it, as a long echo line would).
enum class avance_si { terminal, salida_aparte };

// Progress of a long computation on standard error, when that is a terminal (and nothing at all
// otherwise). Called with the amount of work of each completed piece, it shows nothing for the
// first `espera` (espera_de_avance_normal, two seconds), then one line, rewritten in place about
// once a second and fitted to the terminal's width, asked each time (the window may have been
// resized); `detalle`, if given, says what the program has done so far, in forms from the longest
// to the shortest (linea_de_avance_ajustada), asked only when a line is written. borrar() erases
// the line: call it before writing a line to standard output, which may be the same terminal; it is
// erased at the end in any case, and when the run is interrupted by SIGINT, SIGTERM or SIGHUP. The
// clock is read only when a piece completes, so the work itself is not slowed down, and there is no
// thread or timer.
class avance_en_terminal {
 public:
  using texto_de_detalle = std::function<std::vector<std::string>()>;

  avance_en_terminal(std::string_view programa, double log10_total,
                     avance_si donde = avance_si::terminal, texto_de_detalle detalle = {},
                     std::chrono::milliseconds espera = espera_de_avance_normal)
      : programa_(programa),
        log10_total_(log10_total),
        detalle_(std::move(detalle)),
        activo_(::isatty(2) == 1 && (donde == avance_si::terminal || !misma_terminal(1, 2))),
        inicio_(reloj::now()),
        siguiente_(inicio_ + espera) {
    if (activo_) {
      for (std::size_t i = 0; i < senales.size(); ++i) {
        instalar(senales[i], anteriores_[i]);
      }
    }
  }
  avance_en_terminal(const avance_en_terminal&) = delete;
  avance_en_terminal& operator=(const avance_en_terminal&) = delete;
  avance_en_terminal(avance_en_terminal&&) = delete;
  avance_en_terminal& operator=(avance_en_terminal&&) = delete;
  ~avance_en_terminal() {
    borrar();
    if (activo_) {
      for (std::size_t i = 0; i < senales.size(); ++i) {
        ::sigaction(senales[i], &anteriores_[i], nullptr);
      }
    }
  }

  void operator()(std::uint64_t hechas) {
    hechas_ += hechas;
    if (!activo_) {
      return;
    }
    const reloj::time_point ahora = reloj::now();
    if (ahora < siguiente_) {
      return;
    }
    siguiente_ = ahora + std::chrono::seconds(1);
    const double segundos = std::chrono::duration<double>(ahora - inicio_).count();
    // The last column is left free: some terminals wrap as soon as it is written.
    const std::size_t ancho = std::min(columnas_de_terminal() - 1, ancho_de_avance_maximo);
    const std::string linea =
        linea_de_avance_ajustada(programa_, hechas_, log10_total_, segundos,
                                 detalle_ ? detalle_() : std::vector<std::string>(), ancho);
    // A shorter line is padded with blanks over the end of the longer one it replaces, as far as
    // the width allows (the window may have been narrowed since).
    ancho_ = std::min(ancho_, ancho);
    std::string texto = "\r" + linea;
    if (linea.size() < ancho_) {
      texto.append(ancho_ - linea.size(), ' ');
    }
    ancho_ = std::max(ancho_, linea.size());
    ancho_de_avance = static_cast<std::sig_atomic_t>(ancho_);
    std::cerr << texto << std::flush;
  }

  void borrar() {
    if (ancho_ > 0) {
      std::cerr << '\r' << std::string(ancho_, ' ') << '\r' << std::flush;
      ancho_ = 0;
      ancho_de_avance = 0;
    }
  }

 private:
  using reloj = std::chrono::steady_clock;
  static constexpr std::array<int, 3> senales = {SIGINT, SIGTERM, SIGHUP};

  // The handler replaces the signal's action unless the signal is ignored (a run started with
  // nohup, or in the background), which it keeps.
  static void instalar(int senal, struct sigaction& anterior) {
    struct sigaction accion {};
    accion.sa_handler = borrar_avance_y_terminar;
    sigemptyset(&accion.sa_mask);
    accion.sa_flags = static_cast<int>(SA_RESETHAND);  // its bit is the sign bit of sa_flags
    ::sigaction(senal, nullptr, &anterior);
    if (anterior.sa_handler != SIG_IGN) {
      ::sigaction(senal, &accion, nullptr);
    }
  }

  std::string programa_;
  double log10_total_;
  texto_de_detalle detalle_;
  bool activo_;
  reloj::time_point inicio_;
  reloj::time_point siguiente_;
  std::uint64_t hechas_ = 0;
  std::size_t ancho_ = 0;  // width of the line on the terminal, 0 when none is shown
  std::array<struct sigaction, 3> anteriores_{};
};
