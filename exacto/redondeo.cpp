#include "redondeo.hpp"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstring>
#include <string>

cifras_decimales cifras_de(const natural& a, int exponente10_unidades) {
  cifras_decimales d;
  d.cifras = a.decimal();
  d.exponente10 = static_cast<int>(d.cifras.size()) - 1 + exponente10_unidades;
  return d;
}

// For e < 0, m * 5^-e, which is the value times 10^-e, an integer.
cifras_decimales cifras_de_binario(const natural& m, int e) {
  if (e >= 0) {
    return cifras_de(m.por_dos_a(static_cast<std::size_t>(e)), 0);
  }
  constexpr std::uint64_t cinco_a_la_13 = 1220703125U;  // the largest power of 5 below 2^32
  natural n = m;
  int quedan = -e;
  for (; quedan >= 13; quedan -= 13) {
    n = n.por(cinco_a_la_13);
  }
  std::uint64_t ultimo = 1;
  for (; quedan > 0; --quedan) {
    ultimo *= 5;
  }
  return cifras_de(n.por(ultimo), e);
}

// Long division, one decimal digit at a time: the remainder r < b, times 10 plus the next digit
// of a (0 past its end), holds b at most 9 times. The digit found after bringing down digit i of
// a stands for 10^(L - 1 - i), L being a's number of digits.
cifras_decimales cifras_del_cociente(const natural& a, const natural& b, int cuantas) {
  const std::string cifras_a = a.decimal();
  const auto largo = static_cast<std::ptrdiff_t>(cifras_a.size());
  cifras_decimales d;
  natural r;
  std::ptrdiff_t i = 0;
  for (; static_cast<int>(d.cifras.size()) < cuantas; ++i) {
    const auto siguiente =
        i < largo ? static_cast<std::uint32_t>(cifras_a[static_cast<std::size_t>(i)] - '0') : 0U;
    r = r.por(10, siguiente);
    char cifra = '0';
    for (; r >= b; ++cifra) {
      r = r - b;
    }
    if (d.cifras.empty()) {
      if (cifra == '0') {
        continue;
      }
      d.exponente10 = static_cast<int>(largo - 1 - i);
    }
    d.cifras += cifra;
  }
  d.resto = !r.es_cero() ||
            (i < largo &&
             cifras_a.find_first_not_of('0', static_cast<std::size_t>(i)) != std::string::npos);
  return d;
}

// sqrt(a) / b = sqrt(a 10^(2p) / b^2) / 10^p. With W = floor(a 10^(2p) / b^2), of some forty
// digits, and r = floor(sqrt(W)), the value times 10^p lies in [r, r + 1), and it is r exactly
// when nothing was dropped on the way: r^2 = W and W is the quotient exactly.
cifras_decimales cifras_de_raiz_entre(const natural& a, const natural& b) {
  const natural b2 = b * b;
  const int p2 = 44 - static_cast<int>(a.cifras()) + static_cast<int>(b2.cifras());
  const int p = p2 > 0 ? (p2 + 1) / 2 : -((-p2) / 2);
  bool resto = false;
  natural escalado;
  if (p >= 0) {
    escalado = a.por_diez_a(2 * static_cast<std::size_t>(p));
  } else {
    auto [q, sobra] = a.entre_diez_a(2 * static_cast<std::size_t>(-p));
    escalado = std::move(q);
    resto = sobra;
  }
  // The quotient by b^2, by long division into digits: W is an integer of some forty digits.
  const cifras_decimales w =
      cifras_del_cociente(escalado, b2, static_cast<int>(escalado.cifras()) + 1);
  // w holds every integer digit of the quotient and at least one after the point.
  const int enteras = w.exponente10 + 1;
  natural entero_w;
  if (enteras > 0) {
    entero_w =
        natural::de_cifras(std::string_view(w.cifras).substr(0, static_cast<std::size_t>(enteras)));
    resto = resto || w.resto ||
            w.cifras.find_first_not_of('0', static_cast<std::size_t>(enteras)) != std::string::npos;
  } else {
    resto = true;
  }
  const natural r = raiz_entera(entero_w);
  resto = resto || r * r != entero_w;
  cifras_decimales d = cifras_de(r, -p);
  d.resto = resto;
  return d;
}

void redondear(cifras_decimales& d, int precision) {
  const auto p = static_cast<std::size_t>(precision);
  if (d.cifras.size() > p) {
    const char siguiente = d.cifras[p];
    bool arriba = siguiente > '5';
    if (siguiente == '5') {
      const bool mas_alla = d.resto || d.cifras.find_first_not_of('0', p + 1) != std::string::npos;
      arriba = mas_alla || (d.cifras[p - 1] - '0') % 2 != 0;
    }
    d.cifras.resize(p);
    d.resto = false;
    if (arriba) {
      auto i = p;
      while (i > 0 && d.cifras[i - 1] == '9') {
        d.cifras[--i] = '0';
      }
      if (i == 0) {  // 99..9 went up to 100..0; the zeros go with the trailing ones
        d.cifras[0] = '1';
        ++d.exponente10;
      } else {
        ++d.cifras[i - 1];
      }
    }
  }
  d.cifras.erase(d.cifras.find_last_not_of('0') + 1);
}

char* disponer(char* destino, const char* cifras, std::size_t n, int exponente10, int precision) {
  const int x = exponente10;
  char* p = destino;
  const auto copiar = [&p](const char* desde, std::size_t k) {
    std::memcpy(p, desde, k);
    p += k;
  };
  if (x < -4 || x >= precision) {
    *p++ = cifras[0];
    if (n > 1) {
      *p++ = '.';
      copiar(cifras + 1, n - 1);
    }
    *p++ = 'e';
    *p++ = x < 0 ? '-' : '+';
    const auto magnitud = static_cast<unsigned>(x < 0 ? -x : x);
    if (magnitud < 10) {
      *p++ = '0';
    }
    return std::to_chars(p, p + 12, magnitud).ptr;
  }
  if (x < 0) {
    *p++ = '0';
    *p++ = '.';
    p = std::fill_n(p, -x - 1, '0');
    copiar(cifras, n);
    return p;
  }
  const auto enteras = static_cast<std::size_t>(x) + 1;
  if (n <= enteras) {
    copiar(cifras, n);
    return std::fill_n(p, enteras - n, '0');
  }
  copiar(cifras, enteras);
  *p++ = '.';
  copiar(cifras + enteras, n - enteras);
  return p;
}

std::string texto_g(bool negativo, const cifras_decimales* d, int precision) {
  if (d == nullptr) {
    return "0";
  }
  cifras_decimales r = *d;
  redondear(r, precision);
  const int x = r.exponente10;
  std::string texto(r.cifras.size() + static_cast<std::size_t>(x < 0 ? -x : x) + 9, '\0');
  char* p = texto.data();
  *p = '-';
  p += negativo ? 1 : 0;
  texto.resize(static_cast<std::size_t>(
      disponer(p, r.cifras.data(), r.cifras.size(), x, precision) - texto.data()));
  return texto;
}

std::string texto_g(const entero& a, int exponente10, int precision) {
  if (a.magnitud.es_cero()) {
    return "0";
  }
  const cifras_decimales d = cifras_de(a.magnitud, exponente10);
  return texto_g(a.negativo, &d, precision);
}
