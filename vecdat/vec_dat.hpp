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
// The file is read a block at a time, one read(2) straight into a buffer of the reader's own;
// tokens are scanned in the block, and one that runs over the end of a block is continued in the
// next. Memory stays bounded whatever the file holds, a token of any length included. A read
// error of the device keeps every byte that arrived before it: the values in them are read, and
// the error is reported after the last of them.
//
// The reader reads; it writes nothing. With each value it hands back the decimal that its token
// wrote (decimal_leido), from which the echo writes the value's text faster than from the float
// and the true figures are computed. Failures come back as values of their own or as a `fallo`
// (common/fallo.hpp) whose message names the file and the count or the value by its number.

#include <sys/types.h>

#include <climits>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "flotante.hpp"
#include "natural.hpp"

// Outcome of one extraction, as the stream would report it.
enum class lectura {
  ok,              // a token was read and converted
  fin,             // only white space was left: nothing was read and the value is unchanged
  no_numero,       // the characters read do not form a number: the value is set to 0
  fuera_de_rango,  // the number does not fit: the value is set to the nearest limit
};

inline constexpr std::int32_t exponente_largo = INT32_MIN;

// The decimal that a value's token wrote, mantisa * 10^exponente, its sign the value's (the
// float's sign bit): what the echo writes a value's text from and the true figures are computed
// from. A token of more than 19 significant digits keeps them in the reader's list of long
// decimals instead, at index mantisa, with exponente == exponente_largo. The exponent is
// saturated as the reader saturates it (at 10^+-100000, where every value has overflowed or
// underflowed a float), and of a token of more than 200 significant digits the first 200 are
// kept, and a 1 after them when any later digit is nonzero.
struct decimal_leido {
  std::uint64_t mantisa = 0;
  std::int32_t exponente = 0;
};

// Why a reading of several values stopped before the last one asked for.
enum class parada {
  ninguna,           // every value asked for was read
  falta_valor,       // the file ends before the next value
  valor_erroneo,     // the next token is not a number, or lies outside the range of float
  error_de_lectura,  // the device failed before the next value was whole
};

// The end of a reading of several values: how many were read, into the first slots, and if fewer
// than asked, why, with the message for the user.
struct valores_leidos {
  std::size_t cuantos = 0;
  parada motivo = parada::ninguna;
  std::string mensaje;

  // Throws the failure as a `fallo`, if the reading stopped short.
  void comprobar() const;
};

// A read of the device failed (a read interrupted by a signal is simply retried). The reader
// reports it in its own words, as a `fallo` or a `parada`.
struct error_de_lectura {};

// The name of the data file, relative to the working directory.
inline constexpr const char* nombre_vec = "vec.dat";

// The size of a block read at once: small enough that the bytes the kernel has just copied in
// are still in the cache when they are scanned (1 MiB blocks cost a fifth more CPU time).
inline constexpr std::size_t bloque_normal = std::size_t{1} << 16;

// The open data file and the block being scanned. It holds the file and its buffers, so it is
// neither copied nor moved: it lives where it was made, in the program's run.
class fichero_vec {
 public:
  // What fills a block: read(2) on the file's descriptor, or what stands in for it (the tests'
  // texts, the test build's failing device), which returns the bytes it put at `destino`, at most
  // `n`, 0 at the end, or -1 with errno set.
  using funcion_lectura = std::function<ssize_t(int fd, char* destino, std::size_t n)>;

  // Opens `nombre` for reading, scanned in blocks of `tamano_bloque` bytes. Whether it could be
  // opened is checked apart, by comprobar(), so that a program can open its other files in
  // between, in a fixed order.
  explicit fichero_vec(const char* nombre = nombre_vec, std::size_t tamano_bloque = bloque_normal);
  // Reads through `leer` alone, with no file and so nothing to seek (the tests' texts).
  fichero_vec(funcion_lectura leer, std::size_t tamano_bloque);

  fichero_vec(const fichero_vec&) = delete;
  fichero_vec& operator=(const fichero_vec&) = delete;
  fichero_vec(fichero_vec&&) = delete;
  fichero_vec& operator=(fichero_vec&&) = delete;
  ~fichero_vec();

  // Throws a `fallo` if the file is missing, a directory or could not be opened.
  void comprobar() const;

  // Reads the count, the first token of the file; throws a `fallo` if it is missing or bad, or
  // the device fails.
  std::int32_t leer_cuenta();

  // Reads valores.size() values into `valores`, and the decimal of each into `decimales` where
  // that is not empty (it is then as long as `valores`). `primer_valor` is the number of the
  // first one in the file, for the messages. Stops at the first value that is missing or bad, or
  // at a read error, with everything read before it in place. The long decimals among them are
  // added to the list of long decimals.
  valores_leidos leer_valores(std::span<float> valores, std::span<decimal_leido> decimales,
                              std::int64_t primer_valor);

  // One extraction each, as `std::istream >> int` (an int of 32 bits) and `std::istream >>
  // float` do it: white space skipped, then the token; leer_cuenta and leer_valores read through
  // these very functions. A read error of the device leaves as error_de_lectura.
  lectura extraer_entero(std::int32_t& valor);
  lectura extraer_real(float& valor, decimal_leido& decimal);

  // The decimal `d`, short or long, exactly, with the sign of its value. The long decimals are
  // those that the readings with decimals have met since the list was last emptied.
  [[nodiscard]] decimal_exacto exacto(const decimal_leido& d, bool negativo) const {
    if (d.exponente == exponente_largo) {
      const decimal_exacto& l = largos_[static_cast<std::size_t>(d.mantisa)];
      return {entero(negativo, l.cifras.magnitud), l.exponente};
    }
    return {entero(negativo, natural(d.mantisa)), d.exponente};
  }
  void olvidar_largos() { largos_.clear(); }

  // Offset in the file of the next byte to be read.
  [[nodiscard]] std::int64_t posicion() const;

  // Whether the source can go back to an earlier offset, so that it can be read a second time
  // (a regular file can; a named pipe cannot).
  bool se_puede_releer();

  // Goes back to offset `donde`, from where reading starts again; throws a `fallo` if it cannot.
  void volver_a(std::int64_t donde);

  // Bytes from the read position to the end of the file, if the source tells its size. A size
  // smaller than the position (procfs files report 0) counts as nothing left.
  std::optional<std::int64_t> bytes_restantes();

  // Closes the file at the end of a successful run.
  void cerrar();

  // For the test build's hooks, which make a device fail on demand: blocks are filled by `leer`
  // from now on, on the same descriptor, which seeks as before.
  void leer_con(funcion_lectura leer) { leer_ = std::move(leer); }

 private:
  class cursor;

  bool rellenar();
  bool convertir_rapido(float& valor, decimal_leido& decimal);
  lectura extraer_real_general(float& valor, decimal_leido& decimal);
  [[noreturn]] void fallar(const std::string& que) const;

  std::string nombre_;
  int fd_ = -1;  // the named file, -1 when it could not be opened or there is none
  bool de_fichero_;
  funcion_lectura leer_;
  std::vector<char> bloque_;        // the block, and one byte more for a sentinel after its end
  std::size_t pos_ = 0;             // next byte to scan in the block
  std::size_t fin_ = 0;             // end of the bytes in the block
  std::int64_t inicio_bloque_ = 0;  // offset in the file of the block's first byte
  bool agotado_ = false;            // the source has given its last byte
  bool guardar_largos_ = false;     // a reading with decimals is under way
  std::vector<decimal_exacto> largos_;
};
