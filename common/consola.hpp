#pragma once

// Console conventions of the four programs.
//
// A run that cannot do its work ends with one line on standard error, "PROGRAM: what is wrong",
// and exit status 1; standard output keeps whatever had already been written to it. Standard
// output that cannot be written (a full disk, /dev/full) is such a failure too, and it ends the
// run at the first write that fails. What is wrong is said in the programs' words (fallo.hpp),
// never in the library's.
//
// The few POSIX calls the programs make live here: guarding the standard descriptors, telling a
// read error on standard input from its end, and showing progress on a terminal (and erasing it
// when the run is interrupted).

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <iostream>
#include <istream>
#include <iterator>
#include <limits>
#include <new>
#include <optional>
#include <string>
#include <string_view>

#include "fallo.hpp"

// Writes "programa: mensaje" to standard error and returns the failure status.
inline int fallar(std::string_view programa, std::string_view mensaje) {
  std::cerr << programa << ": " << mensaje << '\n';
  return 1;
}

// Throws salida_perdida if something written to standard output did not reach it: called after
// each line that the program writes with a flush, so that a run stops at the first lost line.
inline void comprobar_salida() {
  if (!std::cout) {
    throw salida_perdida();
  }
}

// Flushes standard output and returns 0 if every byte written to it reached its destination,
// otherwise reports the failure and returns 1.
inline int terminar(std::string_view programa) {
  std::cout.flush();
  if (!std::cout) {
    return fallar(programa, salida_perdida().what());
  }
  return 0;
}

// terminar, and then, if every figure reached standard output, the warning about them, when
// there is one: "programa: aviso". A warning speaks of figures that were printed, so a failed
// standard output gets the failure's line alone.
inline int terminar_avisando(std::string_view programa, const std::optional<std::string>& aviso) {
  const int estado = terminar(programa);
  if (estado == 0 && aviso) {
    std::cerr << programa << ": " << *aviso << '\n';
  }
  return estado;
}

// Makes sure that descriptors 0, 1 and 2 are open. A closed one would be taken by the next file
// the program opens: vec.dat would become standard input and res_1.dat standard output, which
// would then receive the console's lines. Each closed one gets /dev/null, opened read-only:
// reading it gives end of input, and writing it fails (EBADF) just as writing the closed
// descriptor would, so a closed standard output is still a failed write, reported as such, and
// with standard error closed the error line is lost as the user asked, while the exit status
// still tells. Returns false if /dev/null cannot take the place.
inline bool asegurar_descriptores() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) {
      continue;
    }
    // The lowest free number is taken, and the ones below it are open: it is fd.
    const int nulo = ::open("/dev/null", O_RDONLY);
    if (nulo != fd) {
      if (nulo >= 0) {
        ::close(nulo);
      }
      return false;
    }
  }
  return true;
}

// Runs a program's body and returns its exit status; a `fallo` that escapes it is the failure it
// describes, reported in its words. The standard descriptors are guarded first. Any other
// exception would carry the library's text, which is not shown: the calls that can throw one
// are made so that they do not, and should one still escape, the run ends with a message of its
// own.
template <typename Cuerpo>
int ejecutar_informando(std::string_view programa, Cuerpo cuerpo) {
  if (!asegurar_descriptores()) {
    return fallar(programa, "/dev/null: no se puede abrir para un descriptor estandar cerrado");
  }
  try {
    return cuerpo();
  } catch (const fallo& error) {
    return fallar(programa, error.what());
  } catch (const std::bad_alloc&) {
    return fallar(programa, "memoria insuficiente");
  } catch (const std::exception&) {
    return fallar(programa, "error inesperado de la biblioteca; no se da ningun resultado");
  }
}

// Throws a `fallo` if reading `entrada` has stopped at a read error rather than at the
// end of the input. std::cin reads through C's stdin (it is synchronised with stdio), which
// records the error that the stream takes for an end of input.
inline void comprobar_lectura_consola(const std::istream& entrada) {
  if (&entrada != &std::cin || std::ferror(stdin) == 0) {
    return;
  }
  struct stat estado {};
  if (::fstat(0, &estado) == 0 && S_ISDIR(estado.st_mode)) {
    throw fallo("entrada estandar: error de lectura: es un directorio");
  }
  throw fallo("entrada estandar: error de lectura");
}

// Reads one 32-bit integer by formatted extraction: leading white space (line ends included) is
// skipped and everything after the number stays unread, so "5 resto" gives 5 and "5.7" gives 5.
// Throws a `fallo` with a message when there is no number, the text is not an integer,
// or the integer lies outside the 32-bit range.
// A read error (standard input is a directory, or the device fails) is reported as such, not as
// a missing number.
inline std::int32_t leer_entero_consola(std::istream& entrada) {
  entrada >> std::ws;
  comprobar_lectura_consola(entrada);
  if (entrada.eof() || entrada.bad()) {
    throw fallo("entrada estandar: falta el numero");
  }
  std::int32_t n = 0;
  const bool leido = static_cast<bool>(entrada >> n);
  comprobar_lectura_consola(entrada);
  if (leido) {
    return n;
  }
  // After a failed extraction the stream leaves 0 for text that is no number and the nearest
  // limit for a number that does not fit.
  if (n == std::numeric_limits<std::int32_t>::max() ||
      n == std::numeric_limits<std::int32_t>::min()) {
    throw fallo("entrada estandar: el numero no cabe en 32 bits (de -2147483648 a 2147483647)");
  }
  throw fallo("entrada estandar: se esperaba un numero entero");
}

// The text of a progress line: the share of the work done and the time left at the rate so far,
// "PROGRAMA: 37.5 % hecho, quedan aprox. 1 min 05 s". The total is given as its log10, so that
// it may have any size (a fibratio run of n = 10000 makes some 10^2090 calls); a time left of a
// year or more is given in years.
inline std::string linea_de_avance(std::string_view programa, std::uint64_t hechas,
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
  std::string linea = std::string(programa) + ": " + decimal(100.0 * parte, 1) + " % hecho";
  if (hechas == 0) {
    return linea;
  }
  const double log10_quedan =
      std::log10(segundos / h) + (cabe ? std::log10(std::max(total - h, 1.0)) : log10_total);
  const double anno = 365.25 * 86400.0;
  if (log10_quedan >= std::log10(anno)) {
    const double log10_annos = log10_quedan - std::log10(anno);
    if (log10_annos < 6.0) {
      return linea + ", quedan aprox. " + decimal(std::pow(10.0, log10_annos), 0) + " anos";
    }
    // d.de+e, with the first digits rounded first, so that 9.96e+9 reads 1.0e+10.
    double exponente = std::floor(log10_annos);
    double cifras = std::round(10.0 * std::pow(10.0, log10_annos - exponente));
    if (cifras >= 100.0) {
      cifras /= 10.0;
      exponente += 1.0;
    }
    return linea + ", quedan aprox. " + decimal(cifras / 10.0, 1) + "e+" + decimal(exponente, 0) +
           " anos";
  }
  const auto s = static_cast<std::int64_t>(std::pow(10.0, log10_quedan));
  linea += ", quedan aprox. ";
  if (s >= 86400) {
    return linea + std::to_string(s / 86400) + " dias " + std::to_string(s / 3600 % 24) + " h";
  }
  if (s >= 3600) {
    return linea + std::to_string(s / 3600) + " h " + dos_cifras(s / 60 % 60) + " min";
  }
  if (s >= 60) {
    return linea + std::to_string(s / 60) + " min " + dos_cifras(s % 60) + " s";
  }
  return linea + std::to_string(s) + " s";
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

// Progress of a long computation on standard error, when that is a terminal (and nothing at all
// otherwise). Called with the amount of work of each completed piece, it shows nothing for the
// first two seconds, then one line, rewritten in place about once a second. borrar() erases the
// line: call it before writing a line to standard output, which may be the same terminal; it is
// erased at the end in any case, and when the run is interrupted by SIGINT, SIGTERM or SIGHUP.
// The clock is read only when a piece completes, so the work itself is not slowed down, and
// there is no thread or timer.
class avance_en_terminal {
 public:
  avance_en_terminal(std::string_view programa, double log10_total)
      : programa_(programa),
        log10_total_(log10_total),
        activo_(::isatty(2) == 1),
        inicio_(reloj::now()),
        siguiente_(inicio_ + std::chrono::seconds(2)) {
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
    std::string linea = linea_de_avance(programa_, hechas_, log10_total_, segundos);
    linea.resize(std::min(linea.size(), ancho_de_avance_maximo));
    // A shorter line is padded with blanks over the end of the longer one it replaces.
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
  bool activo_;
  reloj::time_point inicio_;
  reloj::time_point siguiente_;
  std::uint64_t hechas_ = 0;
  std::size_t ancho_ = 0;  // width of the line on the terminal, 0 when none is shown
  std::array<struct sigaction, 3> anteriores_{};
};
