#pragma once

// The failures of a run, in the programs' own words. A `fallo` carries the text that the user
// reads after "PROGRAMA: "; ejecutar_informando (consola.hpp) writes it. Any other exception that
// reached the user would bring the library's own text, in English, so every call that can throw
// one is either made in its non-throwing form or has its failure turned into a `fallo` where it
// happens.

#include <stdexcept>

struct fallo : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Standard output did not take what was written to it (a full disk, /dev/full, a closed pipe). A
// run stops at the first such write: nothing more is read, computed or said about figures that
// never reached the user.
struct salida_perdida : fallo {
  salida_perdida() : fallo("no se puede escribir en la salida estandar") {}
};
