#include "vec_dat.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string_view>
#include <system_error>

#include "descriptor.hpp"
#include "fallo.hpp"

namespace {

using traits = std::char_traits<char>;
constexpr int fin_de_datos = traits::eof();

// White space as the "C" locale classifies it: blank, \t, \n, \v, \f, \r.
constexpr bool es_blanco(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
constexpr bool es_digito(int c) { return c >= '0' && c <= '9'; }

// A real token as the conversion needs it, in bounded memory whatever the token's length.
//
// A decimal's value depends only on its sign, its significant digits and where the decimal point
// falls among them (the exponent written and the digits before the point together). The float
// nearest to it depends on fewer digits still: it is decided by comparing the decimal with the
// halfway points between floats, and the exact decimal expansion of each halfway point has at
// most 113 significant digits. Two decimals that agree in their first `cifras_guardadas`
// significant digits, and either both stop there or both have a nonzero digit later, lie on the
// same side of every halfway point and round to the same float. So the first digits are kept, a
// later nonzero one is kept as a single 1 after them (the sticky digit), and the decimal
// exponent of the value is saturated: beyond 10^100000 every such decimal overflows a float,
// below 10^-100000 it underflows to zero, whatever the digits.
//
// That exponent is the written one plus the position of the point, which moves with every digit
// of the token ("0.<100040 zeros>1e100040" is 0.1), so it is the sum that is saturated, never
// the written exponent alone. The written exponent is held up to exponente_escrito_tope, far
// beyond any position of the point that a token could reach (that would take a token of 10^17
// bytes), so that a saturated written exponent still leaves the sum beyond exponente_tope.
constexpr std::size_t cifras_guardadas = 200;
constexpr std::int64_t exponente_tope = 100000;
constexpr std::int64_t exponente_escrito_tope = 100000000000000000;  // 10^17

struct resumen_real {
  bool negativo = false;
  bool hay_mantisa = false;    // some digit of the mantissa was seen
  bool hay_exponente = false;  // an 'e' was taken
  bool hay_cifras_exponente = false;
  bool exponente_negativo = false;
  bool pegajoso = false;  // a nonzero digit after the kept ones
  std::size_t n = 0;      // significant digits kept
  std::array<char, cifras_guardadas> cifras{};
  std::int64_t punto = 0;      // value = 0.cifras * 10^(punto +- exponente)
  std::int64_t exponente = 0;  // as written, saturated at exponente_escrito_tope

  void significativa(int c) {
    if (n < cifras.size()) {
      cifras[n++] = traits::to_char_type(c);
    } else if (c != '0') {
      pegajoso = true;
    }
  }
  // A digit before the decimal point; zeros before the first significant digit change nothing.
  void entera(int c) {
    hay_mantisa = true;
    if (n == 0 && c == '0') {
      return;
    }
    significativa(c);
    ++punto;
  }
  // A digit after the decimal point; zeros before the first significant digit move the point.
  void decimal(int c) {
    hay_mantisa = true;
    if (n == 0 && c == '0') {
      --punto;
      return;
    }
    significativa(c);
  }
  void del_exponente(int c) {
    hay_cifras_exponente = true;
    exponente = std::min(exponente * 10 + (c - '0'), exponente_escrito_tope);
  }
};

// Converts a token as the stream does (strtof in the "C" locale), with std::from_chars: the
// whole token must be a number; a result beyond the float range fails with the nearest limit; a
// result below it (underflow) is accepted, rounded as strtof rounds it. The conversion is done on
// the token's bounded equivalent "[-]0.DIGITS[1]eE", which has the same value as the token to
// every digit that can change the float.
lectura convertir_real(const resumen_real& token, float& valor) {
  if (!token.hay_mantisa || (token.hay_exponente && !token.hay_cifras_exponente)) {
    valor = 0.0F;
    return lectura::no_numero;
  }
  std::array<char, cifras_guardadas + 32> texto{};
  char* p = texto.data();
  if (token.negativo) {
    *p++ = '-';
  }
  *p++ = '0';
  std::int64_t e = 0;
  if (token.n != 0) {
    *p++ = '.';
    p = std::copy_n(token.cifras.data(), token.n, p);
    if (token.pegajoso) {
      *p++ = '1';
    }
    e = std::clamp(token.punto + (token.exponente_negativo ? -token.exponente : token.exponente),
                   -exponente_tope, exponente_tope);
    *p++ = 'e';
    p = std::to_chars(p, texto.data() + texto.size() - 1, e).ptr;
  }
  *p = '\0';
  // Out of the float's range from_chars gives no value: an overflow, which the stream refuses,
  // or a value that rounds to zero, which it accepts (a subnormal comes back as a value). The
  // decimal exponent tells which.
  float v = 0.0F;
  const auto [fin, error] = std::from_chars(texto.data(), p, v);
  if (fin != p || (error != std::errc() && error != std::errc::result_out_of_range)) {
    valor = 0.0F;
    return lectura::no_numero;
  }
  if (error == std::errc::result_out_of_range) {
    const float limite = e > 0 ? std::numeric_limits<float>::max() : 0.0F;
    valor = token.negativo ? -limite : limite;
    return limite == 0.0F ? lectura::ok : lectura::fuera_de_rango;
  }
  valor = v;
  return lectura::ok;
}

// The decimal that a token converted without error wrote, as the reader keeps it: digits and the
// value's exponent, saturated (see resumen_real). One of more than 19 digits goes to `largos`, if
// given, and is otherwise left out (exponente_largo, index past the list).
decimal_leido decimal_de(const resumen_real& token, std::vector<decimal_exacto>* largos) {
  std::string cifras(token.cifras.data(), token.n);
  if (token.pegajoso) {
    cifras += '1';
  }
  const std::int64_t e =
      std::clamp(token.punto + (token.exponente_negativo ? -token.exponente : token.exponente),
                 -exponente_tope, exponente_tope) -
      static_cast<std::int64_t>(cifras.size());
  decimal_leido d;
  if (cifras.size() <= 19) {
    for (const char c : cifras) {
      d.mantisa = d.mantisa * 10 + static_cast<std::uint64_t>(c - '0');
    }
    d.exponente = static_cast<std::int32_t>(d.mantisa == 0 ? 0 : e);
    return d;
  }
  d.exponente = exponente_largo;
  if (largos != nullptr) {
    d.mantisa = largos->size();
    largos->push_back({entero(false, natural::de_cifras(cifras)), static_cast<std::int32_t>(e)});
  } else {
    d.mantisa = UINT64_MAX;
  }
  return d;
}

#if FLT_EVAL_METHOD == 0
// 10^0 .. 10^10 are exact floats: 10^k = 2^k * 5^k and 5^10 < 2^24.
constexpr std::array<float, 11> potencias_float = {1e0F, 1e1F, 1e2F, 1e3F, 1e4F, 1e5F,
                                                   1e6F, 1e7F, 1e8F, 1e9F, 1e10F};
#endif

}  // namespace

// The characters of the blocks one at a time, as the grammar walks them: actual() is the next
// character without consuming it, siguiente() consumes it and returns the one after. A read
// error of the device, met when the next block is fetched, leaves as error_de_lectura.
class fichero_vec::cursor {
 public:
  explicit cursor(fichero_vec& datos) : datos_(datos) {}

  int actual() {
    if (datos_.pos_ == datos_.fin_ && !datos_.rellenar()) {
      return fin_de_datos;
    }
    return traits::to_int_type(datos_.bloque_[datos_.pos_]);
  }
  int siguiente() {
    ++datos_.pos_;
    return actual();
  }

  // Skips white space, as the stream does before every extraction, and returns the first other
  // character without consuming it (or end of data).
  int saltar_blancos() {
    int c = actual();
    while (es_blanco(c)) {
      c = siguiente();
    }
    return c;
  }

  // Collects a real token with the grammar of the stream's extraction: an optional sign; leading
  // zeros (read as one); digits, at most one decimal point before any exponent; one 'e' or 'E'
  // once some digit has been seen, directly followed by an optional sign. The first character
  // that does not fit ends the token and stays unread. Characters taken stay taken even when the
  // token turns out not to be a number ("1e+" consumes all three).
  void recoger_real(int c, resumen_real& token) {
    if (c == '+' || c == '-') {
      token.negativo = c == '-';
      c = siguiente();
    }
    if (c == '0') {
      token.entera(c);
      do {
        c = siguiente();
      } while (c == '0');
    }
    bool hay_punto = false;
    while (c != fin_de_datos) {
      if (es_digito(c)) {
        if (token.hay_exponente) {
          token.del_exponente(c);
        } else if (hay_punto) {
          token.decimal(c);
        } else {
          token.entera(c);
        }
      } else if (c == '.' && !hay_punto && !token.hay_exponente) {
        hay_punto = true;
      } else if ((c == 'e' || c == 'E') && !token.hay_exponente && token.hay_mantisa) {
        token.hay_exponente = true;
        c = siguiente();
        if (c != '+' && c != '-') {
          continue;  // look at this character again as a digit of the exponent
        }
        token.exponente_negativo = c == '-';
      } else {
        break;
      }
      c = siguiente();
    }
  }

 private:
  fichero_vec& datos_;
};

fichero_vec::fichero_vec(const char* nombre, std::size_t tamano_bloque)
    : nombre_(nombre),
      fd_(abrir_para_leer(nombre)),
      de_fichero_(true),
      leer_(leer_de),
      bloque_(tamano_bloque + 1, '\0') {}

fichero_vec::fichero_vec(funcion_lectura leer, std::size_t tamano_bloque)
    : nombre_(nombre_vec),
      de_fichero_(false),
      leer_(std::move(leer)),
      bloque_(tamano_bloque + 1, '\0') {}

fichero_vec::~fichero_vec() { cerrar(); }

void fichero_vec::fallar(const std::string& que) const { throw fallo(nombre_ + ": " + que); }

void fichero_vec::comprobar() const {
  if (!de_fichero_) {
    return;  // reading another buffer
  }
  std::error_code error;
  const auto estado = std::filesystem::status(nombre_, error);
  if (fd_ < 0) {
    fallar(estado.type() == std::filesystem::file_type::not_found
               ? "no existe en el directorio de trabajo"
               : "no se puede abrir para lectura");
  }
  if (std::filesystem::is_directory(estado)) {
    fallar("es un directorio, no un fichero de datos");
  }
}

// Fetches the next block, one read of the device, straight into the block. The byte after the
// block's end is set to 0, a character that no token holds, so that scanning loops stop there
// without a bound check of their own.
bool fichero_vec::rellenar() {
  if (agotado_) {
    return false;
  }
  inicio_bloque_ += static_cast<std::int64_t>(fin_);
  pos_ = 0;
  fin_ = 0;
  bloque_[0] = '\0';
  ssize_t n = 0;
  do {
    n = leer_(fd_, bloque_.data(), bloque_.size() - 1);
  } while (n < 0 && errno == EINTR);
  if (n < 0) {
    throw error_de_lectura();
  }
  if (n == 0) {
    agotado_ = true;
    return false;
  }
  fin_ = static_cast<std::size_t>(n);
  bloque_[fin_] = '\0';
  return true;
}

// The common token, a plain decimal "[sign]digits[.digits]" of at most 19 digits followed by
// white space, read straight from the block. The grammar would consume exactly the same
// characters, so this only takes a shorter road to the same place; anything else (an exponent,
// another character after the number, a token that reaches the end of the block, no digit at
// all, more digits) returns false, with only the white space before the token consumed, and the
// grammar takes over. The decimal itself is given back, m * 10^-d, for the echo.
//
// A mantissa m of at most 2^24 with at most 10 decimals is converted as m / 10^d: one float
// division of two exact floats, which IEEE arithmetic rounds once, to nearest even, the correctly
// rounded value. Where float expressions are evaluated in a wider format (the x87 of i386, m68k:
// FLT_EVAL_METHOD 2) a quotient is rounded first to that format and only later, if the compiler
// stores it at all, to float, so there, as for longer mantissas, the token itself goes to
// from_chars, the conversion of the general road. It pays: bench/run's ten million values take
// 0.322 s of CPU with it and 0.979 s through the grammar (the g++ bench build, best of five runs
// of bench/measure); a million values take 0.744 s against 1.299 s under qemu-i386, 1.161 s
// against 1.693 s under qemu-m68k.
[[gnu::always_inline]] inline bool fichero_vec::convertir_rapido(float& valor,
                                                                 decimal_leido& decimal) {
  const char* const base = bloque_.data();
  const char* p = base + pos_;
  const char* const fin = base + fin_;
  while (es_blanco(*p)) {
    ++p;
  }
  pos_ = static_cast<std::size_t>(p - base);
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
  // Beyond 19 digits m may have wrapped; it is not used then.
  if (cifras == 0 || cifras > 19 || p == fin || !es_blanco(*p)) {
    return false;
  }
#if FLT_EVAL_METHOD == 0
  if (m <= (std::uint64_t{1} << 24) && decimales <= 10) {
    const float magnitud =
        static_cast<float>(m) / potencias_float[static_cast<std::size_t>(decimales)];
    valor = std::bit_cast<float>(std::bit_cast<std::uint32_t>(magnitud) |
                                 (static_cast<std::uint32_t>(negativo) << 31));
  } else
#endif
  {
    // A plain decimal of at most 19 digits lies well inside the float's range.
    std::from_chars(inicio + (*inicio == '+' ? 1 : 0), p, valor);
  }
  pos_ = static_cast<std::size_t>(p - base);
  decimal = {m, -static_cast<std::int32_t>(decimales)};
  return true;
}

lectura fichero_vec::extraer_entero(std::int32_t& valor) {
  cursor entrada(*this);
  int c = entrada.saltar_blancos();
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

lectura fichero_vec::extraer_real(float& valor, decimal_leido& decimal) {
  if (convertir_rapido(valor, decimal)) {
    return lectura::ok;
  }
  return extraer_real_general(valor, decimal);
}

// Every other token, through the character grammar. Kept out of line: its token summary makes a
// frame of a few hundred bytes, which the common token above would otherwise set up and tear down
// too.
[[gnu::noinline]] lectura fichero_vec::extraer_real_general(float& valor, decimal_leido& decimal) {
  decimal = {};
  cursor entrada(*this);
  const int c = entrada.saltar_blancos();
  if (c == fin_de_datos) {
    return lectura::fin;
  }
  resumen_real token;
  entrada.recoger_real(c, token);
  const lectura r = convertir_real(token, valor);
  if (r == lectura::ok) {
    decimal = decimal_de(token, guardar_largos_ ? &largos_ : nullptr);
  }
  return r;
}

std::int32_t fichero_vec::leer_cuenta() {
  std::int32_t n = 0;
  lectura r = lectura::fin;
  try {
    r = extraer_entero(n);
  } catch (const error_de_lectura&) {
    fallar("error de lectura antes de la cuenta de valores");
  }
  switch (r) {
    case lectura::ok:
      return n;
    case lectura::fin:
      fallar("esta vacio: falta la cuenta de valores");
    case lectura::no_numero:
      // A file saved with a byte-order mark, as some editors do, fails at its very first byte.
      fallar(std::string("la cuenta de valores no es un numero entero") +
             (inicio_bloque_ == 0 && pos_ == 0 && fin_ >= 3 &&
                      std::string_view(bloque_.data(), 3) == "\xEF\xBB\xBF"
                  ? "; el fichero empieza por la marca de orden de bytes de UTF-8 (EF BB BF): "
                    "guardelo sin ella"
                  : ""));
    case lectura::fuera_de_rango:
      fallar("la cuenta de valores no cabe en 32 bits");
  }
  fallar("lectura imposible de la cuenta de valores");
}

valores_leidos fichero_vec::leer_valores(std::span<float> valores,
                                         std::span<decimal_leido> decimales,
                                         std::int64_t primer_valor) {
  const bool con_decimales = !decimales.empty();
  decimal_leido descartado;
  std::size_t i = 0;
  lectura r = lectura::ok;
  guardar_largos_ = con_decimales;
  std::int64_t inicio_token = 0;  // where the extraction of the last token began
  bool tras_la_cuenta = false;    // the file's first value begins right after the count
  try {
    if (primer_valor == 1 && !valores.empty()) {
      tras_la_cuenta = !es_blanco(cursor(*this).actual());
    }
    for (; i < valores.size(); ++i) {
      inicio_token = posicion();
      r = extraer_real(valores[i], con_decimales ? decimales[i] : descartado);
      if (r != lectura::ok) {
        break;
      }
    }
  } catch (const error_de_lectura&) {
    guardar_largos_ = false;
    const std::int64_t ultimo = primer_valor + static_cast<std::int64_t>(i) - 1;
    return {i, parada::error_de_lectura,
            nombre_ + ": " +
                (ultimo == 0 ? std::string("error de lectura tras la cuenta de valores")
                             : "error de lectura tras el valor " + std::to_string(ultimo))};
  }
  guardar_largos_ = false;
  const std::string k = std::to_string(primer_valor + static_cast<std::int64_t>(i));
  switch (r) {
    case lectura::ok:
      return {i, parada::ninguna, {}};
    case lectura::fin:
      return {i, parada::falta_valor,
              nombre_ + ": falta el valor " + k + ": el fichero termina antes"};
    case lectura::fuera_de_rango:
      return {i, parada::valor_erroneo,
              nombre_ + ": el valor " + k + " esta fuera del rango de float"};
    case lectura::no_numero:
      break;
  }
  std::string mensaje = nombre_ + ": el valor " + k + " no es un numero";
  // A decimal comma, "1,5", or commas between values, "1,2": the number before the comma was read
  // as a value, and the comma starts the bad token. It is one when the extraction consumed nothing,
  // no white space either, right after an earlier token (the count, or a value), and the character
  // it stopped at is a comma; that character is then still in the block.
  if (inicio_token > 0 && posicion() == inicio_token && pos_ < fin_ && bloque_[pos_] == ',') {
    mensaje +=
        "; empieza por una coma pegada al numero anterior: el separador decimal es el punto, y "
        "los valores se separan con blancos";
  } else if (tras_la_cuenta && i == 0) {
    // "1e7" or "3x" as the count: its digits were the count, and the rest is this token.
    mensaje += "; empieza justo detras de la cuenta de valores, que ha de ser un numero entero";
  }
  return {i, parada::valor_erroneo, mensaje};
}

void valores_leidos::comprobar() const {
  if (motivo != parada::ninguna) {
    throw fallo(mensaje);
  }
}

std::int64_t fichero_vec::posicion() const {
  return inicio_bloque_ + static_cast<std::int64_t>(pos_);
}

bool fichero_vec::se_puede_releer() { return fd_ >= 0 && mover_a(fd_, 0, SEEK_CUR) >= 0; }

void fichero_vec::volver_a(std::int64_t donde) {
  if (fd_ < 0 || mover_a(fd_, donde, SEEK_SET) != donde) {
    fallar("no se puede volver a leer");
  }
  inicio_bloque_ = donde;
  pos_ = 0;
  fin_ = 0;
  bloque_[0] = '\0';
  agotado_ = false;
}

std::optional<std::int64_t> fichero_vec::bytes_restantes() {
  const std::int64_t aqui = fd_ < 0 ? -1 : mover_a(fd_, 0, SEEK_CUR);
  if (aqui < 0) {
    return std::nullopt;
  }
  const std::int64_t final = mover_a(fd_, 0, SEEK_END);
  if (mover_a(fd_, aqui, SEEK_SET) != aqui || final < 0) {
    return std::nullopt;
  }
  return std::max<std::int64_t>(0, final - posicion());
}

void fichero_vec::cerrar() {
  if (fd_ >= 0) {
    cerrar_descriptor(fd_);
    fd_ = -1;
  }
}
