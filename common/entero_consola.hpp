#pragma once

// The integer that factcalc and fibratio read from standard input, and the read error on it told
// apart from its end.

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <iostream>
#include <istream>
#include <limits>

#include "fallo.hpp"

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
