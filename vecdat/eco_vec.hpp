#pragma once

// The echo of the values read from "vec.dat": one line of each value as stored in its float, in
// the stream's default format, followed by ",", and a line end with flush. The text is formatted
// into a block of its own and handed to the stream a block at a time.
//
// A line that a failure leaves unfinished (a value missing or bad, a read error, memory running
// out) is written as far as it got, and ended if it holds anything, when the echo goes out of
// scope: the one place that decides what a failed run leaves of its echo. A write that standard
// output does not take stops the run at once (salida_perdida).

#include <array>
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <span>

#include "escritura_real.hpp"
#include "vec_dat.hpp"

class eco_vec {
 public:
  explicit eco_vec(std::ostream& salida) : salida_(salida) {}
  eco_vec(const eco_vec&) = delete;
  eco_vec& operator=(const eco_vec&) = delete;
  eco_vec(eco_vec&&) = delete;
  eco_vec& operator=(eco_vec&&) = delete;
  ~eco_vec();

  // Appends the values, each with its comma. `decimales` is empty, or holds for each value the
  // decimal it was read from (the reader's decimal_leido), from which its text is written.
  void escribir(std::span<const float> valores, std::span<const decimal_leido> decimales);

  // Writes the rest of the line and its line end, with flush.
  void terminar_linea();

 private:
  void vaciar();

  std::ostream& salida_;
  std::array<char, std::size_t{1} << 16> bloque_{};
  char* p_ = bloque_.data();
  char* lleno_ = bloque_.data() + bloque_.size() - (largo_real_maximo + 1);
  bool algo_escrito_ = false;
  bool terminada_ = false;
};

// Reads valores.size() values, the first of them value number `primer_valor` of the file, with
// the decimal each was written as into `decimales` (as long as `valores`), and echoes each to
// `eco` as stored. When the reading stops short, the values read before the failure are echoed
// and the failure leaves as a `fallo`.
void leer_con_eco(fichero_vec& datos, std::span<float> valores, std::span<decimal_leido> decimales,
                  std::int64_t primer_valor, eco_vec& eco);
