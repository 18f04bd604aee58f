#pragma once

// The text of a value in the echo of "vec.dat": the value as stored in its float, in the stream's
// default format (general notation, precision 6, as printf's %g), written straight into a buffer.

#include <cstddef>
#include <cstdint>

// The longest text escribir_real writes ("-1.17549e-38"), with room to spare.
inline constexpr std::size_t largo_real_maximo = 16;

// Writes `valor` at `destino` exactly as the stream's default format does and returns the end of
// the text. Needs largo_real_maximo chars.
char* escribir_real(char* destino, float valor);

// Writes `valor`, the float nearest to the decimal +-m * 10^exponente (the sign is valor's), as
// escribir_real does, but from the decimal's digits where that is exact and quicker.
char* escribir_decimal(char* destino, float valor, std::uint64_t m, std::int32_t exponente);
