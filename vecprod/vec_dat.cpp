#include "vec_dat.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <ios>
#include <limits>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>

namespace {

using traits = std::char_traits<char>;
constexpr int fin_de_datos = traits::eof();

// White space as the "C" locale classifies it: blank, \t, \n, \v, \f, \r.
constexpr bool es_blanco(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
constexpr bool es_digito(int c) { return c >= '0' && c <= '9'; }

// The characters of a source one at a time, as the grammar below walks them: actual() is the
// next character without consuming it, siguiente() consumes it and returns the one after.
struct cursor_flujo {
  std::streambuf& entrada;
  int actual() { return entrada.sgetc(); }
  int siguiente() { return entrada.snextc(); }
};

std::streambuf& fuente_de(fichero_vec& datos) {
  return datos.fuente != nullptr ? *datos.fuente : datos.fichero;
}

// Fetches the next block. The byte after the block's end is set to 0, a character that no token
// holds, so that scanning loops stop there without a bound check of their own. A read error of
// the source leaves as std::ios_base::failure (libstdc++'s file buffer throws it on EIO).
bool rellenar(fichero_vec& datos) {
  if (datos.agotado) {
    return false;
  }
  datos.inicio_bloque += static_cast<std::int64_t>(datos.fin);
  datos.pos = 0;
  datos.fin = 0;
  datos.bloque[0] = '\0';
  const auto capacidad = static_cast<std::streamsize>(datos.bloque.size() - 1);
  const std::streamsize n = fuente_de(datos).sgetn(datos.bloque.data(), capacidad);
  if (n <= 0) {
    datos.agotado = true;
    return false;
  }
  datos.fin = static_cast<std::size_t>(n);
  datos.bloque[datos.fin] = '\0';
  return true;
}

struct cursor_bloques {
  fichero_vec& datos;
  int actual() {
    if (datos.pos == datos.fin && !rellenar(datos)) {
      return fin_de_datos;
    }
    return traits::to_int_type(datos.bloque[datos.pos]);
  }
  int siguiente() {
    ++datos.pos;
    return actual();
  }
};

// Skips white space, as the stream does before every extraction, and returns the first other
// character without consuming it (or end of data).
template <typename Cursor>
int saltar_blancos(Cursor& entrada) {
  int c = entrada.actual();
  while (es_blanco(c)) {
    c = entrada.siguiente();
  }
  return c;
}

// The characters of one real token as the stream collects them for the conversion. Almost every
// token fits the fixed part; a longer one (a hundred digits, say) continues in the string.
struct texto_token {
  std::array<char, 64> corto{};
  std::size_t longitud = 0;
  std::string largo;

  void poner(int c) {
    const char ch = traits::to_char_type(c);
    if (longitud < corto.size()) {
      corto[longitud] = ch;
    } else {
      if (largo.empty()) {
        largo.assign(corto.data(), corto.size());
      }
      largo.push_back(ch);
    }
    ++longitud;
  }

  [[nodiscard]] std::string_view vista() const {
    return longitud <= corto.size() ? std::string_view(corto.data(), longitud)
                                    : std::string_view(largo);
  }
};

// Collects a real token with the grammar of the stream's extraction: an optional sign; leading
// zeros (kept as one); digits, at most one decimal point before any exponent; one 'e' or 'E'
// once some digit has been seen, directly followed by an optional sign. The first character that
// does not fit ends the token and stays unread. Characters taken stay taken even when the token
// turns out not to be a number ("1e+" consumes all three).
template <typename Cursor>
void recoger_real(Cursor& entrada, int c, texto_token& token) {
  if (c == '+' || c == '-') {
    token.poner(c);
    c = entrada.siguiente();
  }
  bool hay_mantisa = false;
  if (c == '0') {
    token.poner(c);
    hay_mantisa = true;
    do {
      c = entrada.siguiente();
    } while (c == '0');
  }
  bool hay_punto = false;
  bool hay_exponente = false;
  while (c != fin_de_datos) {
    if (es_digito(c)) {
      token.poner(c);
      hay_mantisa = true;
    } else if (c == '.' && !hay_punto && !hay_exponente) {
      token.poner(c);
      hay_punto = true;
    } else if ((c == 'e' || c == 'E') && !hay_exponente && hay_mantisa) {
      token.poner('e');
      hay_exponente = true;
      c = entrada.siguiente();
      if (c != '+' && c != '-') {
        continue;  // look at this character again as a digit of the exponent
      }
      token.poner(c);
    } else {
      break;
    }
    c = entrada.siguiente();
  }
}

// Converts a collected token as the stream does (strtof in the "C" locale): the whole token must
// be a number; a result beyond the float range fails with the nearest limit; a result below it
// (underflow) is accepted as strtof rounds it.
lectura convertir_real(std::string_view token, float& valor) {
  const char* inicio = token.data();
  const char* const final = inicio + token.size();
  if (inicio != final && *inicio == '+') {
    ++inicio;  // from_chars takes no plus sign; a second sign cannot follow one
  }
  float v = 0.0F;
  const auto [fin_numero, error] = std::from_chars(inicio, final, v);
  if (error == std::errc() && fin_numero == final) {
    valor = v;
    return lectura::ok;
  }
  if (error == std::errc::result_out_of_range && fin_numero == final) {
    // Rare: let strtof decide between overflow (infinity) and a subnormal or zero result.
    const std::string terminado(token);
    char* fin_strtof = nullptr;
    const float r = std::strtof(terminado.c_str(), &fin_strtof);
    if (fin_strtof == terminado.c_str() + terminado.size()) {
      if (std::isinf(r)) {
        valor = std::signbit(r) ? -std::numeric_limits<float>::max()
                                : std::numeric_limits<float>::max();
        return lectura::fuera_de_rango;
      }
      valor = r;
      return lectura::ok;
    }
  }
  valor = 0.0F;
  return lectura::no_numero;
}

[[noreturn]] void fallar_lectura(const std::string& que) {
  throw std::runtime_error(std::string(nombre_vec) + ": " + que);
}

template <typename Cursor>
lectura extraer_entero_de(Cursor& entrada, std::int32_t& valor) {
  int c = saltar_blancos(entrada);
  if (c == fin_de_datos) {
    return lectura::fin;
  }
  const bool negativo = c == '-';
  if (negativo || c == '+') {
    c = entrada.siguiente();
  }
  // The magnitude is gathered unsigned against the limit of its sign; digits past an overflow are
  // still consumed, as the stream consumes them.
  const std::uint32_t limite = negativo ? 2147483648U : 2147483647U;
  std::uint32_t magnitud = 0;
  bool hay_digitos = false;
  bool desborda = false;
  while (es_digito(c)) {
    hay_digitos = true;
    const auto cifra = static_cast<std::uint32_t>(c - '0');
    if (desborda || magnitud > (limite - cifra) / 10) {
      desborda = true;
    } else {
      magnitud = magnitud * 10 + cifra;
    }
    c = entrada.siguiente();
  }
  if (!hay_digitos) {
    valor = 0;
    return lectura::no_numero;
  }
  if (desborda) {
    valor = negativo ? std::numeric_limits<std::int32_t>::min()
                     : std::numeric_limits<std::int32_t>::max();
    return lectura::fuera_de_rango;
  }
  valor = static_cast<std::int32_t>(negativo ? 0U - magnitud : magnitud);
  return lectura::ok;
}

template <typename Cursor>
lectura extraer_real_de(Cursor& entrada, float& valor) {
  const int c = saltar_blancos(entrada);
  if (c == fin_de_datos) {
    return lectura::fin;
  }
  texto_token token;
  recoger_real(entrada, c, token);
  return convertir_real(token.vista(), valor);
}

#if FLT_EVAL_METHOD == 0
// 10^0 .. 10^10 are exact floats: 10^k = 2^k * 5^k and 5^10 < 2^24.
constexpr std::array<float, 11> potencias_float = {1e0F, 1e1F, 1e2F, 1e3F, 1e4F, 1e5F,
                                                   1e6F, 1e7F, 1e8F, 1e9F, 1e10F};
#endif

// The common token, a plain decimal "[sign]digits[.digits]" of at most 19 digits followed by
// white space, read straight from the block. The grammar above would consume exactly the same
// characters, so this only takes a shorter road to the same place; anything else (an exponent,
// another character after the number, a token that reaches the end of the block, no digit at all)
// returns false, with only the white space before the token consumed, and the grammar takes over.
//
// Conversion: a mantissa m <= 2^24 and d <= 10 decimals give m / 10^d, one float division of two
// exact floats, which IEEE arithmetic rounds once, to nearest even: the correctly rounded value
// of the decimal, which is what strtof gives. Where float expressions are evaluated in a wider
// format (the x87, FLT_EVAL_METHOD 2) a quotient is rounded first to that format and only later,
// if the compiler stores it at all, to float; rather than rest the result on where the compiler
// rounds, the division is not compiled there and std::from_chars converts every token.
//
// The decimal itself is given back as m * 10^-decimales, for the echo.
bool convertir_rapido(fichero_vec& datos, float& valor, std::uint64_t& mantisa,
                      int& cifras_decimales) {
  const char* const base = datos.bloque.data();
  const char* p = base + datos.pos;
  const char* const fin = base + datos.fin;
  while (es_blanco(*p)) {
    ++p;
  }
  datos.pos = static_cast<std::size_t>(p - base);
  // The sign is taken without a branch: half the values of a series may be negative, in no
  // order that a branch predictor could learn.
  const char* const inicio = p;
  const bool negativo = *p == '-';
  p += (negativo || *p == '+') ? 1 : 0;
  std::uint64_t m = 0;
  const char* const enteras = p;
  while (es_digito(*p)) {
    m = m * 10 + static_cast<std::uint64_t>(*p - '0');
    ++p;
  }
  std::ptrdiff_t cifras = p - enteras;
  std::ptrdiff_t decimales = 0;
  if (*p == '.') {
    ++p;
    const char* const primera = p;
    while (es_digito(*p)) {
      m = m * 10 + static_cast<std::uint64_t>(*p - '0');
      ++p;
    }
    decimales = p - primera;
    cifras += decimales;
  }
  if (cifras == 0 || cifras > 19 || p == fin || !es_blanco(*p)) {
    return false;  // m may have wrapped beyond 19 digits; it is not used then
  }
#if FLT_EVAL_METHOD == 0
  if (m <= (std::uint64_t{1} << 24) && decimales <= 10) {
    const float magnitud =
        static_cast<float>(m) / potencias_float[static_cast<std::size_t>(decimales)];
    valor = std::bit_cast<float>(std::bit_cast<std::uint32_t>(magnitud) |
                                 (static_cast<std::uint32_t>(negativo) << 31));
    datos.pos = static_cast<std::size_t>(p - base);
    mantisa = m;
    cifras_decimales = static_cast<int>(decimales);
    return true;
  }
#endif
  float v = 0.0F;
  const char* const desde = *inicio == '+' ? inicio + 1 : inicio;
  const auto [final, error] = std::from_chars(desde, p, v);
  if (error != std::errc() || final != p) {
    return false;
  }
  valor = v;
  datos.pos = static_cast<std::size_t>(p - base);
  mantisa = m;
  cifras_decimales = static_cast<int>(decimales);
  return true;
}

std::string numero(std::int64_t k) { return std::to_string(k); }

}  // namespace

lectura extraer_entero(std::streambuf& entrada, std::int32_t& valor) {
  cursor_flujo c{entrada};
  return extraer_entero_de(c, valor);
}

lectura extraer_real(std::streambuf& entrada, float& valor) {
  cursor_flujo c{entrada};
  return extraer_real_de(c, valor);
}

lectura extraer_entero(fichero_vec& datos, std::int32_t& valor) {
  cursor_bloques c{datos};
  return extraer_entero_de(c, valor);
}

lectura extraer_real(fichero_vec& datos, float& valor) {
  std::uint64_t m = 0;
  int decimales = 0;
  if (convertir_rapido(datos, valor, m, decimales)) {
    return lectura::ok;
  }
  cursor_bloques c{datos};
  return extraer_real_de(c, valor);
}

fichero_vec abrir_vec(const char* nombre, std::size_t tamano_bloque) {
  fichero_vec datos;
  datos.fichero.open(nombre, std::ios::in);
  datos.bloque.assign(tamano_bloque + 1, '\0');
  return datos;
}

void leer_de(fichero_vec& datos, std::streambuf& fuente, std::size_t tamano_bloque) {
  datos.fuente = &fuente;
  datos.bloque.assign(tamano_bloque + 1, '\0');
  datos.pos = 0;
  datos.fin = 0;
  datos.inicio_bloque = 0;
  datos.agotado = false;
}

void comprobar_vec(const fichero_vec& datos) {
  std::error_code error;
  const auto estado = std::filesystem::status(nombre_vec, error);
  if (!datos.fichero.is_open()) {
    fallar_lectura(estado.type() == std::filesystem::file_type::not_found
                       ? "no existe en el directorio de trabajo"
                       : "no se puede abrir para lectura");
  }
  if (std::filesystem::is_directory(estado)) {
    fallar_lectura("es un directorio, no un fichero de datos");
  }
}

std::int64_t posicion(const fichero_vec& datos) {
  return datos.inicio_bloque + static_cast<std::int64_t>(datos.pos);
}

bool se_puede_releer(fichero_vec& datos) {
  return fuente_de(datos).pubseekoff(0, std::ios::cur, std::ios::in) != std::streampos(-1);
}

void volver_a(fichero_vec& datos, std::int64_t donde) {
  const std::streampos destino(static_cast<std::streamoff>(donde));
  if (fuente_de(datos).pubseekpos(destino, std::ios::in) != destino) {
    fallar_lectura("no se puede volver a leer");
  }
  datos.inicio_bloque = donde;
  datos.pos = 0;
  datos.fin = 0;
  datos.bloque[0] = '\0';
  datos.agotado = false;
}

std::optional<std::int64_t> bytes_restantes(fichero_vec& datos) {
  std::streambuf& fuente = fuente_de(datos);
  const auto aqui = fuente.pubseekoff(0, std::ios::cur, std::ios::in);
  if (aqui == std::streampos(-1)) {
    return std::nullopt;
  }
  const auto final = fuente.pubseekoff(0, std::ios::end, std::ios::in);
  if (fuente.pubseekpos(aqui, std::ios::in) != aqui || final == std::streampos(-1)) {
    return std::nullopt;
  }
  return std::max<std::int64_t>(0, static_cast<std::int64_t>(final) - posicion(datos));
}

std::int32_t leer_cuenta(fichero_vec& datos) {
  std::int32_t n = 0;
  lectura r = lectura::fin;
  try {
    r = extraer_entero(datos, n);
  } catch (const std::ios_base::failure&) {
    fallar_lectura("error de lectura antes de la cuenta de valores");
  }
  switch (r) {
    case lectura::ok:
      return n;
    case lectura::fin:
      fallar_lectura("esta vacio: falta la cuenta de valores");
    case lectura::no_numero:
      fallar_lectura("la cuenta de valores no es un numero entero");
    case lectura::fuera_de_rango:
      fallar_lectura("la cuenta de valores no cabe en 32 bits");
  }
  fallar_lectura("lectura imposible de la cuenta de valores");
}

void leer_valores(fichero_vec& datos, std::span<float> destino, std::int64_t primer_valor,
                  eco_vec* eco) {
  std::size_t i = 0;
  lectura r = lectura::ok;
  try {
    for (; i < destino.size(); ++i) {
      float v = 0.0F;
      std::uint64_t m = 0;
      int decimales = 0;
      if (convertir_rapido(datos, v, m, decimales)) {
        destino[i] = v;
        if (eco != nullptr) {
          eco->escribir_decimal(v, m, decimales);
        }
        continue;
      }
      cursor_bloques c{datos};
      r = extraer_real_de(c, v);
      if (r != lectura::ok) {
        break;
      }
      destino[i] = v;
      if (eco != nullptr) {
        eco->escribir(v);
      }
    }
  } catch (const std::ios_base::failure&) {
    if (eco != nullptr) {
      eco->cortar_linea();
    }
    const std::int64_t leidos = primer_valor + static_cast<std::int64_t>(i) - 1;
    fallar_lectura(leidos == 0 ? std::string("error de lectura tras la cuenta de valores")
                               : "error de lectura tras el valor " + numero(leidos));
  }
  if (r == lectura::ok) {
    return;
  }
  if (eco != nullptr) {
    eco->cortar_linea();
  }
  const std::string k = numero(primer_valor + static_cast<std::int64_t>(i));
  switch (r) {
    case lectura::fin:
      fallar_lectura("falta el valor " + k + ": el fichero termina antes");
    case lectura::fuera_de_rango:
      fallar_lectura("el valor " + k + " esta fuera del rango de float");
    default:
      fallar_lectura("el valor " + k + " no es un numero");
  }
}

std::vector<float> leer_grupo(fichero_vec& datos, std::int32_t k, std::ostream& eco,
                              std::int64_t primer_valor) {
  // The vector grows a piece at a time, with the values actually read.
  constexpr std::size_t trozo = 4096;
  const auto pedidos = static_cast<std::size_t>(std::max<std::int32_t>(k, 0));
  std::vector<float> valores;
  eco_vec linea(eco);
  while (valores.size() < pedidos) {
    const std::size_t hechos = valores.size();
    try {
      valores.resize(hechos + std::min(trozo, pedidos - hechos));
    } catch (const std::bad_alloc&) {
      linea.cortar_linea();
      throw;
    }
    leer_valores(datos, std::span<float>(valores).subspan(hechos),
                 primer_valor + static_cast<std::int64_t>(hechos), &linea);
  }
  linea.terminar_linea();
  return valores;
}

void cerrar_vec(fichero_vec& datos) { datos.fichero.close(); }
