#include "vec_dat.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>
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

// Skips white space, as the stream does before every extraction, and returns the first other
// character without consuming it (or end of data).
int saltar_blancos(std::streambuf& entrada) {
  int c = entrada.sgetc();
  while (es_blanco(c)) {
    c = entrada.snextc();
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
void recoger_real(std::streambuf& entrada, int c, texto_token& token) {
  if (c == '+' || c == '-') {
    token.poner(c);
    c = entrada.snextc();
  }
  bool hay_mantisa = false;
  if (c == '0') {
    token.poner(c);
    hay_mantisa = true;
    do {
      c = entrada.snextc();
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
      c = entrada.snextc();
      if (c != '+' && c != '-') {
        continue;  // look at this character again as a digit of the exponent
      }
      token.poner(c);
    } else {
      break;
    }
    c = entrada.snextc();
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

// Values need at least one character each and one of white space between them, so the bytes left
// in the file bound how many can follow. Reserving for the smaller of that and `k` keeps memory
// with the data: a count of two thousand million in a file of a few bytes reserves almost nothing.
std::size_t cota_de_valores(std::istream& fichero, std::int32_t k) {
  constexpr std::size_t sin_consulta = 4096;
  const auto pedidos = static_cast<std::size_t>(k);
  if (pedidos <= sin_consulta) {
    return pedidos;
  }
  std::streambuf& entrada = *fichero.rdbuf();
  const auto aqui = entrada.pubseekoff(0, std::ios::cur, std::ios::in);
  const auto final = entrada.pubseekoff(0, std::ios::end, std::ios::in);
  if (aqui == std::streampos(-1) || final == std::streampos(-1) ||
      entrada.pubseekpos(aqui, std::ios::in) != aqui) {
    return sin_consulta;  // not seekable (a pipe): grow as values arrive
  }
  const auto quedan = static_cast<std::size_t>(final - aqui);
  return std::min(pedidos, quedan / 2 + 1);
}

constexpr std::array<std::uint64_t, 10> potencias_de_10 = {
    1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};

// valor * 10^s for 1e-4 <= valor < 1e6 and 0 <= s <= 9, split exactly into its integer part and
// whether rounding to the nearest integer, ties to even, goes up. Such a float is m * 2^e with
// m < 2^24 and -37 <= e <= -4, so the product is the fraction m * 10^s / 2^-e, whose numerator
// fits in 64 bits.
struct escalado {
  std::uint64_t entero;
  bool sube;
};
escalado escalar(float valor, int s) {
  const auto bits = std::bit_cast<std::uint32_t>(valor);
  const std::uint64_t m = (bits & 0x7fffffU) | 0x800000U;
  const int e = static_cast<int>((bits >> 23) & 0xffU) - 150;
  const std::uint64_t numerador = m * potencias_de_10[static_cast<std::size_t>(s)];
  const int desplazamiento = -e;
  const std::uint64_t entero = numerador >> desplazamiento;
  const std::uint64_t resto = numerador & ((std::uint64_t{1} << desplazamiento) - 1);
  const std::uint64_t mitad = std::uint64_t{1} << (desplazamiento - 1);
  return {entero, resto > mitad || (resto == mitad && (entero & 1U) != 0)};
}

char* escribir_con_to_chars(char* destino, float valor) {
  return std::to_chars(destino, destino + largo_real_maximo, valor, std::chars_format::general, 6)
      .ptr;
}

}  // namespace

lectura extraer_entero(std::streambuf& entrada, std::int32_t& valor) {
  int c = saltar_blancos(entrada);
  if (c == fin_de_datos) {
    return lectura::fin;
  }
  const bool negativo = c == '-';
  if (negativo || c == '+') {
    c = entrada.snextc();
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
    c = entrada.snextc();
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

lectura extraer_real(std::streambuf& entrada, float& valor) {
  const int c = saltar_blancos(entrada);
  if (c == fin_de_datos) {
    return lectura::fin;
  }
  texto_token token;
  recoger_real(entrada, c, token);
  return convertir_real(token.vista(), valor);
}

char* escribir_real(char* destino, float valor) {
  // The general format writes |valor| in fixed notation when its decimal exponent X, after
  // rounding to six digits, lies in [-4, 5]: the range of most series, written here from the
  // exact rounding of the binary value. Everything else (zero, exponent form, infinity, NaN,
  // subnormals) is left to std::to_chars, which is exact too but slower.
  const float magnitud = std::fabs(valor);
  if (!(magnitud >= 1e-4F && magnitud < 1e6F)) {
    return escribir_con_to_chars(destino, valor);
  }
  // X from the binary exponent (log10(2) ~ 78913 / 2^18), at most one off, then made exact: with
  // s = 5 - X the integer part of |valor| * 10^s has six digits.
  const int e2 = static_cast<int>((std::bit_cast<std::uint32_t>(magnitud) >> 23) & 0xffU) - 127;
  int x = (e2 * 78913) >> 18;
  std::uint64_t digitos = 0;
  for (;;) {
    const int s = 5 - x;
    if (s < 0 || s > 9) {
      return escribir_con_to_chars(destino, valor);
    }
    const escalado r = escalar(magnitud, s);
    if (r.entero < 100000) {
      --x;
    } else if (r.entero >= 1000000) {
      ++x;
    } else {
      digitos = r.entero + (r.sube ? 1 : 0);
      break;
    }
  }
  if (digitos == 1000000) {  // 999999.5 * 10^(X-5) and the like round up to the next power of 10
    digitos = 100000;
    if (++x > 5) {
      return escribir_con_to_chars(destino, valor);
    }
  }

  std::array<char, 6> cifra{};
  for (std::size_t i = cifra.size(); i-- > 0;) {
    cifra[i] = static_cast<char>('0' + digitos % 10);
    digitos /= 10;
  }
  std::size_t significativas = cifra.size();
  while (cifra[significativas - 1] == '0') {
    --significativas;  // trailing zeros are dropped; the first digit is never 0
  }
  char* p = destino;
  if (std::signbit(valor)) {
    *p++ = '-';
  }
  if (x >= 0) {
    const auto enteras = static_cast<std::size_t>(x) + 1;
    p = std::copy_n(cifra.data(), enteras, p);
    if (significativas > enteras) {
      *p++ = '.';
      p = std::copy(cifra.data() + enteras, cifra.data() + significativas, p);
    }
  } else {
    *p++ = '0';
    *p++ = '.';
    p = std::fill_n(p, -x - 1, '0');
    p = std::copy_n(cifra.data(), significativas, p);
  }
  return p;
}

std::ifstream abrir_vec() { return std::ifstream(nombre_vec); }

void comprobar_vec(const std::ifstream& fichero) {
  std::error_code error;
  const auto estado = std::filesystem::status(nombre_vec, error);
  if (!fichero.is_open()) {
    fallar_lectura(estado.type() == std::filesystem::file_type::not_found
                       ? "no existe en el directorio de trabajo"
                       : "no se puede abrir para lectura");
  }
  if (std::filesystem::is_directory(estado)) {
    fallar_lectura("es un directorio, no un fichero de datos");
  }
}

std::int32_t leer_cuenta(std::istream& fichero) {
  std::int32_t n = 0;
  switch (extraer_entero(*fichero.rdbuf(), n)) {
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

std::vector<float> leer_grupo(std::istream& fichero, std::int32_t k, std::ostream& eco,
                              std::int64_t primer_valor) {
  std::vector<float> valores;
  valores.reserve(cota_de_valores(fichero, k));
  std::streambuf& entrada = *fichero.rdbuf();

  // The echo is formatted into a block and written a block at a time.
  constexpr std::size_t mayor_eco = largo_real_maximo + 1;
  std::array<char, std::size_t{1} << 16> bloque{};
  char* const lleno = bloque.data() + bloque.size() - mayor_eco;
  char* p = bloque.data();
  const auto vaciar = [&] {
    eco.write(bloque.data(), p - bloque.data());
    p = bloque.data();
  };

  for (std::int32_t i = 0; i < k; ++i) {
    float v = 0.0F;
    const lectura r = extraer_real(entrada, v);
    if (r != lectura::ok) {
      vaciar();
      if (i > 0) {
        eco << std::endl;
      }
      const std::string numero = std::to_string(primer_valor + i);
      switch (r) {
        case lectura::fin:
          fallar_lectura("falta el valor " + numero + ": el fichero termina antes");
        case lectura::fuera_de_rango:
          fallar_lectura("el valor " + numero + " esta fuera del rango de float");
        default:
          fallar_lectura("el valor " + numero + " no es un numero");
      }
    }
    valores.push_back(v);
    p = escribir_real(p, v);
    *p++ = ',';
    if (p >= lleno) {
      vaciar();
    }
  }
  vaciar();
  eco << std::endl;
  return valores;
}

void cerrar_vec(std::ifstream& fichero) { fichero.close(); }
