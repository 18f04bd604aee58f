#pragma once

// Reading of "vec.dat", the data file of vecprod and seriestats.
//
// The file is a stream of tokens separated by any white space: first a count (a 32-bit signed
// integer), then real values, each read into a float. Tokens are recognised exactly as the
// stream library's formatted extraction recognises them in the "C" locale, so "3.0" is the count
// 3 followed by the value .0, "0x10" is the value 0 followed by the bad token "x10", "1e" and
// "inf" are not numbers, "1e-50" is a value (it underflows to 0), and nothing after the last
// value that a program needs is ever read. The extraction is written out here instead of calling
// the stream's operator>>, which costs several hundred nanoseconds a value through the locale
// machinery; the tests hold it to the stream byte for byte.
//
// The file is read a block at a time into a buffer of the reader's own; tokens are scanned in
// the block, and one that runs over the end of a block is continued in the next.
//
// Every failure (file missing or unreadable, count or value missing, not a number or out of
// range, an error of the device) throws std::runtime_error whose message names the file and the
// count or the value by its number; the caller reports it.

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iosfwd>
#include <optional>
#include <span>
#include <streambuf>
#include <vector>

#include "escritura_real.hpp"

// Outcome of one extraction, as the stream would report it.
enum class lectura {
  ok,              // a token was read and converted
  fin,             // only white space was left: nothing was read and the value is unchanged
  no_numero,       // the characters read do not form a number: the value is set to 0
  fuera_de_rango,  // the number does not fit: the value is set to the nearest limit
};

// Extracts one integer from `entrada` as `std::istream >> int` does (an int of 32 bits): white
// space skipped, optional sign, decimal digits.
lectura extraer_entero(std::streambuf& entrada, std::int32_t& valor);

// Extracts one real number from `entrada` as `std::istream >> float` does: white space skipped,
// optional sign, digits with an optional decimal point, an optional exponent, rounded to the
// nearest float. Overflow fails with +-FLT_MAX; underflow is not an error.
lectura extraer_real(std::streambuf& entrada, float& valor);

// The name of the data file, relative to the working directory.
inline constexpr const char* nombre_vec = "vec.dat";

// The size of a block read at once: small enough that the bytes the kernel has just copied in
// are still in the cache when they are scanned (1 MiB blocks cost a fifth more CPU time).
inline constexpr std::size_t bloque_normal = std::size_t{1} << 16;

// The open data file and the block being scanned. The bytes come from `fuente`, the file itself
// unless a test puts another buffer in its place.
struct fichero_vec {
  std::filebuf fichero;
  std::streambuf* fuente = &fichero;
  std::vector<char> bloque;        // the block, and one byte more for a sentinel after its end
  std::size_t pos = 0;             // next byte to scan in the block
  std::size_t fin = 0;             // end of the bytes in the block
  std::int64_t inicio_bloque = 0;  // offset in the file of the block's first byte
  bool agotado = false;            // the source has given its last byte
};

// Opens "vec.dat" (or `nombre`) for reading, scanned in blocks of `tamano_bloque` bytes. The
// opening is checked apart, by comprobar_vec, so that a program can open its other files in
// between, in a fixed order.
fichero_vec abrir_vec(const char* nombre = nombre_vec, std::size_t tamano_bloque = bloque_normal);

// Reading from another buffer (the tests' texts), in blocks of `tamano_bloque` bytes.
void leer_de(fichero_vec& datos, std::streambuf& fuente, std::size_t tamano_bloque);

// Throws if the file that abrir_vec opened is missing, a directory or could not be opened.
void comprobar_vec(const fichero_vec& datos);

// The same extractions on the blocks; the token grammar is the one of the functions above.
lectura extraer_entero(fichero_vec& datos, std::int32_t& valor);
lectura extraer_real(fichero_vec& datos, float& valor);

// Offset in the file of the next byte to be read.
std::int64_t posicion(const fichero_vec& datos);

// Whether the source can go back to an earlier offset, so that it can be read a second time
// (a regular file can; a named pipe cannot).
bool se_puede_releer(fichero_vec& datos);

// Goes back to offset `donde`, from where reading starts again.
void volver_a(fichero_vec& datos, std::int64_t donde);

// Bytes from the read position to the end of the file, if the source tells its size. A size
// smaller than the position (procfs files report 0) counts as nothing left.
std::optional<std::int64_t> bytes_restantes(fichero_vec& datos);

// Reads the count, the first token of the file.
std::int32_t leer_cuenta(fichero_vec& datos);

// Reads destino.size() values into `destino`; `primer_valor` is the number of the first one in
// the file, for the error messages. With an echo, each value is echoed as stored; when a value
// is missing, bad or cannot be read, what was already echoed is written and its line ended before
// the exception leaves.
void leer_valores(fichero_vec& datos, std::span<float> destino, std::int64_t primer_valor,
                  eco_vec* eco);

// Reads `k` values (k >= 0) and echoes each one, as stored in the float, to `eco` in the stream's
// default format followed by ","; then writes a line end and flushes. For k = 0 the line is empty.
// `primer_valor` is the number of the first value in the file, for the error messages. Memory
// grows with the values actually read, never with `k` alone.
std::vector<float> leer_grupo(fichero_vec& datos, std::int32_t k, std::ostream& eco,
                              std::int64_t primer_valor = 1);

// Closes the file at the end of a successful run.
void cerrar_vec(fichero_vec& datos);
