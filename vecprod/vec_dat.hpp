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
// Every failure (file missing or unreadable, count or value missing, not a number or out of
// range) throws std::runtime_error whose message names the file and the count or the value by
// its number; the caller reports it.

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <iosfwd>
#include <streambuf>
#include <vector>

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

// The longest text escribir_real writes ("-1.17549e-38"), with room to spare.
inline constexpr std::size_t largo_real_maximo = 16;

// Writes `valor` at `destino` exactly as the stream's default format does (general notation,
// precision 6, as printf's %g) and returns the end of the text. Needs largo_real_maximo chars.
char* escribir_real(char* destino, float valor);

// The name of the data file, relative to the working directory.
inline constexpr const char* nombre_vec = "vec.dat";

// Opens "vec.dat" for reading. The opening is checked apart, by comprobar_vec, so that a program
// can open its other files in between, in a fixed order.
std::ifstream abrir_vec();

// Throws if the file that abrir_vec opened is missing, a directory or could not be opened.
void comprobar_vec(const std::ifstream& fichero);

// Reads the count, the first token of the file.
std::int32_t leer_cuenta(std::istream& fichero);

// Reads `k` values (k >= 0) and echoes each one, as stored in the float, to `eco` in the stream's
// default format followed by ","; then writes a line end and flushes. For k = 0 the line is empty.
// `primer_valor` is the number of the first value in the file, for the error messages. Memory
// grows with the values actually read, never with `k` alone. When a value is missing or bad, what
// was already echoed is written and its line ended before the exception leaves.
std::vector<float> leer_grupo(std::istream& fichero, std::int32_t k, std::ostream& eco,
                              std::int64_t primer_valor = 1);

// Closes the file at the end of a successful run.
void cerrar_vec(std::ifstream& fichero);
