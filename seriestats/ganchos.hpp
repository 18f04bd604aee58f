#pragma once

// The points at which the test build of seriestats (seriestats_prueba) makes happen, on demand,
// what a test cannot cause from outside the program: a device failing part-way, memory running
// out, the file rewritten between its two readings, a budget small enough that a file of a few
// values is read twice, and a progress line that shows at once. The program is built with
// ganchos.cpp, where the hooks do nothing and leave the program's budget as it is; the test build
// with tests/ganchos_prueba.cpp. The program's code is the same in both.

#include <chrono>
#include <cstdint>
#include <memory>

#include "vec_dat.hpp"

class ganchos {
 public:
  // Set up for the run that reads `datos`.
  explicit ganchos(fichero_vec& datos);
  ganchos(const ganchos&) = delete;
  ganchos& operator=(const ganchos&) = delete;
  ganchos(ganchos&&) = delete;
  ganchos& operator=(ganchos&&) = delete;
  ~ganchos();

  // The most values held in memory, given the program's own budget; a longer series in a file
  // that can be read again is held up to it, and the rest is read a second time.
  [[nodiscard]] std::int64_t presupuesto(std::int64_t del_programa) const;

  // Before the values read so far are held: `guardados` will be held then.
  void al_guardar(std::int64_t guardados) const;

  // Between the two readings of the file.
  void entre_lecturas() const;

  // How long a run goes on before it shows its progress on a terminal.
  [[nodiscard]] std::chrono::milliseconds espera_de_avance() const;

 private:
  struct estado;
  std::unique_ptr<estado> estado_;
};
