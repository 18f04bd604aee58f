#pragma once

// The integer that factcalc and fibratio read from standard input, the read error on it told
// apart from its end, and the warning for what its line holds beside it.

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <iostream>
#include <istream>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

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

// What the number's line holds after it, when that is more than blanks: the warning that names
// it, "se ignora el resto de la linea tras el numero 5: \",5\"". The line is read to its end and
// no further, so that a later line stays unread. Of a long rest the first 40 characters are
// shown, and how many more there are; a character outside printable ASCII shows as \xNN.
inline std::optional<std::string> aviso_de_resto(std::istream& entrada, std::int32_t n) {
  constexpr std::size_t mostrados = 40;
  const auto blanco = [](int c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
  };
  std::string visto;         // the rest from its first non-blank on, the first `mostrados` of it
  std::uint64_t leidos = 0;  // characters from the first non-blank on
  std::uint64_t largo = 0;   // up to the last non-blank
  for (int c = entrada.get(); c != std::char_traits<char>::eof() && c != '\n'; c = entrada.get()) {
    if (leidos == 0 && blanco(c)) {
      continue;
    }
    ++leidos;
    if (visto.size() < mostrados) {
      visto.push_back(static_cast<char>(c));
    }
    if (!blanco(c)) {
      largo = leidos;
    }
  }
  comprobar_lectura_consola(entrada);
  if (largo == 0) {
    return std::nullopt;
  }
  std::string texto;
  for (const char ch : std::string_view(visto).substr(0, static_cast<std::size_t>(largo))) {
    const auto c = static_cast<unsigned char>(ch);
    if (c >= 0x20 && c < 0x7f) {
      texto += ch;
    } else {
      constexpr std::string_view hex = "0123456789abcdef";
      texto += {'\\', 'x', hex[c >> 4], hex[c & 0xf]};
    }
  }
  std::string aviso =
      "se ignora el resto de la linea tras el numero " + std::to_string(n) + ": \"" + texto + "\"";
  if (largo > mostrados) {
    aviso += " y " + std::to_string(largo - mostrados) + " caracteres mas";
  }
  return aviso;
}

// Reads one 32-bit integer by formatted extraction: leading white space (line ends included) is
// skipped, so "5 resto" gives 5 and "5.7" gives 5. What the rest of its line holds, when that is
// more than blanks, is named in one warning on standard error: the number is not all that the
// user wrote there.
// Throws a `fallo` with a message when there is no number, the text is not an integer,
// or the integer lies outside the 32-bit range.
// A read error (standard input is a directory, or the device fails) is reported as such, not as
// a missing number.
inline std::int32_t leer_entero_consola(std::string_view programa,
                                        std::istream& entrada = std::cin) {
  entrada >> std::ws;
  comprobar_lectura_consola(entrada);
  if (entrada.eof() || entrada.bad()) {
    throw fallo("entrada estandar: falta el numero");
  }
  std::int32_t n = 0;
  const bool leido = static_cast<bool>(entrada >> n);
  comprobar_lectura_consola(entrada);
  if (leido) {
    if (const std::optional<std::string> aviso = aviso_de_resto(entrada, n)) {
      std::cerr << programa << ": aviso: " << *aviso << '\n';
    }
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
