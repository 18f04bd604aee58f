// The decimal text of an extended value, as the stream writes a long double in its general
// notation (printf's %.*Lg in the "C" locale): the exact binary value rounded once to the
// requested number of significant digits, nearest with ties to even. Its digits, all of them, come
// from exact integer arithmetic (exacto/redondeo.hpp), so the text is the same on every target;
// the programs print one such text a run, a quotient of some 85 digits, and the smallest denormals
// have about 11500. glibc rounds in the current rounding mode; the programs never change it from
// nearest, the only mode here.

#include <algorithm>
#include <climits>
#include <ios>
#include <locale>
#include <ostream>
#include <string>

#include "extendido_software.hpp"
#include "redondeo.hpp"

std::string texto_g(const extendido_software& x, int precision) {
  // As printf: a negative precision is taken as omitted (6), zero as 1.
  if (precision < 0) {
    precision = 6;
  } else if (precision == 0) {
    precision = 1;
  }
  const std::string signo = x.negativo ? "-" : "";
  if (x.exponente == extendido_interno::exponente_especial) {
    return signo + (x.significando == extendido_interno::bit_entero ? "inf" : "nan");
  }
  if (x.significando == 0) {
    return signo + "0";
  }
  // Denormals share the exponent of the smallest normals.
  const int e = (x.exponente == 0 ? 1 : x.exponente) - extendido_interno::sesgo - 63;
  const cifras_decimales d = cifras_de_binario(natural(x.significando), e);
  return texto_g(x.negativo, &d, precision);
}

// Only the general notation is written, whatever the floatfield; showpos, showpoint and uppercase
// are not applied. The padding is the stream's for a number: fill after the text for left
// adjustment, between the sign and the digits for internal, before the text otherwise. The
// decimal point is the stream locale's; digit grouping is not applied (the "C" locale has none).
std::ostream& operator<<(std::ostream& salida, const extendido_software& x) {
  const std::streamsize pedida = salida.precision();
  const int precision = pedida > INT_MAX ? INT_MAX : static_cast<int>(pedida < 0 ? -1 : pedida);
  std::string texto = texto_g(x, precision);
  const char punto = std::use_facet<std::numpunct<char>>(salida.getloc()).decimal_point();
  if (punto != '.') {
    std::replace(texto.begin(), texto.end(), '.', punto);
  }
  const std::streamsize ancho = salida.width();
  if (ancho > static_cast<std::streamsize>(texto.size())) {
    const std::string relleno(static_cast<std::size_t>(ancho) - texto.size(), salida.fill());
    const auto ajuste = salida.flags() & std::ios_base::adjustfield;
    if (ajuste == std::ios_base::left) {
      texto += relleno;
    } else if (ajuste == std::ios_base::internal && texto[0] == '-') {
      texto.insert(1, relleno);
    } else {
      texto.insert(0, relleno);
    }
  }
  salida.width(0);
  return salida << texto;
}
