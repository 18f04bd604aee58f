#pragma once

// Console conventions of the four programs.
//
// A run that cannot do its work ends with one line on standard error, "PROGRAM: what is wrong",
// and exit status 1; standard output keeps whatever had already been written to it. Standard
// output that cannot be written (a full disk, /dev/full) is such a failure too, and it ends the
// run at the first write that fails. What is wrong is said in the programs' words (fallo.hpp),
// never in the library's.
//
// The few POSIX calls the programs make live in common/: here (guarding the standard descriptors),
// in entero_consola.hpp (telling a read error on standard input from its end), in avance.hpp
// (progress on a terminal), in descriptor.hpp (reading vec.dat), in pila.hpp (the stack left) and
// in fichero_resultado.cpp (vecprod's result file).

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <exception>
#include <iostream>
#include <new>
#include <optional>
#include <string>
#include <string_view>

#include "fallo.hpp"

// Writes "programa: mensaje" to standard error and returns the failure status.
inline int informar_fallo(std::string_view programa, std::string_view mensaje) {
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
    return informar_fallo(programa, salida_perdida().what());
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
    return informar_fallo(programa,
                          "/dev/null: no se puede abrir para un descriptor estandar cerrado");
  }
  try {
    return cuerpo();
  } catch (const fallo& error) {
    return informar_fallo(programa, error.what());
  } catch (const std::bad_alloc&) {
    return informar_fallo(programa, "memoria insuficiente");
  } catch (const std::exception&) {
    return informar_fallo(programa, "error inesperado de la biblioteca; no se da ningun resultado");
  }
}
