#pragma once

// Console conventions of the four programs.
//
// A run that cannot do its work ends with one line on standard error, "PROGRAM: what is wrong",
// and exit status 1; standard output keeps whatever had already been written to it. Standard
// output that cannot be written (a full disk, /dev/full) is such a failure too.

#include <cstdint>
#include <exception>
#include <iostream>
#include <istream>
#include <limits>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>

// Writes "programa: mensaje" to standard error and returns the failure status.
inline int fallar(std::string_view programa, std::string_view mensaje) {
  std::cerr << programa << ": " << mensaje << '\n';
  return 1;
}

// Flushes standard output and returns 0 if every byte written to it reached its destination,
// otherwise reports the failure and returns 1.
inline int terminar(std::string_view programa) {
  std::cout.flush();
  if (!std::cout) {
    return fallar(programa, "no se puede escribir en la salida estandar");
  }
  return 0;
}

// Runs a program's body and returns its exit status; an exception that escapes it is the
// failure it describes, reported as such.
template <typename Cuerpo>
int ejecutar_informando(std::string_view programa, Cuerpo cuerpo) {
  try {
    return cuerpo();
  } catch (const std::bad_alloc&) {
    return fallar(programa, "memoria insuficiente");
  } catch (const std::exception& error) {
    return fallar(programa, error.what());
  }
}

// Reads one 32-bit integer by formatted extraction: leading white space (line ends included) is
// skipped and everything after the number stays unread, so "5 resto" gives 5 and "5.7" gives 5.
// Throws std::runtime_error with a message when there is no number, the text is not an integer,
// or the integer lies outside the 32-bit range.
inline std::int32_t leer_entero_consola(std::istream& entrada) {
  entrada >> std::ws;
  if (entrada.eof() || entrada.bad()) {
    throw std::runtime_error("entrada estandar: falta el numero");
  }
  std::int32_t n = 0;
  if (entrada >> n) {
    return n;
  }
  // After a failed extraction the stream leaves 0 for text that is no number and the nearest
  // limit for a number that does not fit.
  if (n == std::numeric_limits<std::int32_t>::max() ||
      n == std::numeric_limits<std::int32_t>::min()) {
    throw std::runtime_error(
        "entrada estandar: el numero no cabe en 32 bits (de -2147483648 a 2147483647)");
  }
  throw std::runtime_error("entrada estandar: se esperaba un numero entero");
}
