#pragma once

// The echo of the values read from "vec.dat": each value as stored in its float, in the stream's
// default format (general notation, precision 6, as printf's %g), followed by ",".

#include <array>
#include <cstddef>
#include <cstdint>
#include <ostream>

// The longest text escribir_real writes ("-1.17549e-38"), with room to spare.
inline constexpr std::size_t largo_real_maximo = 16;

// Writes `valor` at `destino` exactly as the stream's default format does and returns the end of
// the text. Needs largo_real_maximo chars.
char* escribir_real(char* destino, float valor);

// Writes `valor`, the float nearest to the decimal +-m * 10^-decimales (the sign is valor's), as
// escribir_real does, but from the decimal's digits where that is exact and quicker.
char* escribir_decimal(char* destino, float valor, std::uint64_t m, int decimales);

// One echo line, formatted into a block and written to `salida` a block at a time.
struct eco_vec {
  explicit eco_vec(std::ostream& destino) : salida(destino) {}

  // Appends the value and its comma.
  void escribir(float v) {
    p = escribir_real(p, v);
    *p++ = ',';
    algo_escrito = true;
    if (p >= lleno) {
      vaciar();
    }
  }
  // The same for a value read as the decimal +-m * 10^-decimales.
  void escribir_decimal(float v, std::uint64_t m, int decimales) {
    p = ::escribir_decimal(p, v, m, decimales);
    *p++ = ',';
    algo_escrito = true;
    if (p >= lleno) {
      vaciar();
    }
  }
  // Hands the formatted text to the stream.
  void vaciar() {
    salida.write(bloque.data(), p - bloque.data());
    p = bloque.data();
  }
  // Writes the rest of the line and its line end, with flush.
  void terminar_linea() {
    vaciar();
    salida << std::endl;
  }
  // After a failure: what was echoed is written, and its line ended if it holds anything.
  void cortar_linea() {
    vaciar();
    if (algo_escrito) {
      salida << std::endl;
    }
  }

  eco_vec(const eco_vec&) = delete;
  eco_vec& operator=(const eco_vec&) = delete;

 private:
  std::ostream& salida;
  std::array<char, std::size_t{1} << 16> bloque{};
  char* p = bloque.data();
  char* lleno = bloque.data() + bloque.size() - (largo_real_maximo + 1);
  bool algo_escrito = false;
};
