#pragma once

// The command line of the four programs. They compute from their files and standard input alone,
// and take no arguments; they answer only the two that every command-line user tries: --help, a
// short usage, and --version. Either one is written to standard output and ends the run with
// status 0 before any file is opened or standard input is read. Any other argument is ignored,
// as it always was, so that the scripts that pass some keep working; one warning line on standard
// error says so, and the run goes on as without arguments.

#include <cstddef>
#include <iostream>
#include <span>
#include <string_view>

#include "consola.hpp"

#ifndef NUMERICOS_VERSION
#error "NUMERICOS_VERSION is the project's version, defined by the build (common/CMakeLists.txt)"
#endif

// The version of the programs, the project's version in CMakeLists.txt.
inline constexpr std::string_view version_numericos = NUMERICOS_VERSION;

// What the command line asks for.
enum class orden_de_linea {
  calcular,           // no argument: the run
  calcular_avisando,  // arguments, none of them an option: the run, after the warning
  mostrar_uso,        // --help
  mostrar_version,    // --version
};

// The first of --help and --version among the arguments decides; the others are then ignored
// without a warning, since the run they would be ignored by does not take place.
inline orden_de_linea leer_orden(std::span<char* const> argumentos) {
  for (const char* argumento : argumentos) {
    const std::string_view a(argumento);
    if (a == "--help") {
      return orden_de_linea::mostrar_uso;
    }
    if (a == "--version") {
      return orden_de_linea::mostrar_version;
    }
  }
  return argumentos.empty() ? orden_de_linea::calcular : orden_de_linea::calcular_avisando;
}

// The body of a program's usage text, what the program reads and writes: lines of at most 79
// characters, each ending in a line end, so that --help fits a terminal of 80 columns. It is
// checked where the program is compiled: a text that breaks the rule does not compile.
struct texto_de_uso {
  // NOLINTNEXTLINE(google-explicit-constructor): a program passes its text as it is written
  consteval texto_de_uso(const char* t) : texto(t) {
    std::size_t columna = 0;
    for (const char c : texto) {
      columna = c == '\n' ? 0 : columna + 1;
      if (columna > 79) {
        throw "una linea del texto de --help pasa de 79 columnas";
      }
    }
    if (texto.empty() || texto.back() != '\n') {
      throw "el texto de --help ha de acabar en un fin de linea";
    }
  }
  std::string_view texto;
};

// Runs a program as ejecutar_informando does (consola.hpp), with its command line read first.
// The usage's first line and its pointer to the manual page are the same for every program, and
// shorter than 79 characters. A usage or a version that does not reach standard output is a
// failed run, reported as any other lost write.
template <typename Cuerpo>
int ejecutar_con_argumentos(std::string_view programa, texto_de_uso descripcion, int argc,
                            char** argv, Cuerpo cuerpo) {
  // argc is 0 when the program is started with an empty argument list.
  const std::span<char* const> argumentos =
      argc > 1 ? std::span<char* const>(argv + 1, static_cast<std::size_t>(argc - 1))
               : std::span<char* const>();
  return ejecutar_informando(programa, [&]() -> int {
    switch (leer_orden(argumentos)) {
      case orden_de_linea::mostrar_uso:
        std::cout << "Uso: " << programa << " [--help | --version]\n"
                  << descripcion.texto << "Cualquier otro argumento se ignora.\n"
                  << "Manual: man " << programa << '\n';
        return terminar(programa);
      case orden_de_linea::mostrar_version:
        std::cout << programa << " (numericos) " << version_numericos << '\n'
                  << "Copyright (c) 2026 The numericos authors\n"
                  << "Licencia MIT: <https://opensource.org/licenses/MIT>.\n"
                  << "Esto es software libre: usted es libre de cambiarlo y redistribuirlo.\n"
                  << "No hay NINGUNA GARANTIA, hasta donde permite la ley.\n";
        return terminar(programa);
      case orden_de_linea::calcular_avisando:
        std::cerr << programa
                  << ": aviso: se ignoran los argumentos; solo se admiten --help y --version\n";
        return cuerpo();
      case orden_de_linea::calcular:
        break;
    }
    return cuerpo();
  });
}
