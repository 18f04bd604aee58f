#include "redondeo.hpp"

#include <cstddef>
#include <string>

cifras_decimales cifras_de(const natural& a, int exponente10_unidades) {
  cifras_decimales d;
  d.cifras = a.decimal();
  d.exponente10 = static_cast<int>(d.cifras.size()) - 1 + exponente10_unidades;
  return d;
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

std::string disponer(const cifras_decimales& d, int precision) {
  const int x = d.exponente10;
  const std::string& c = d.cifras;
  std::string s;
  if (x >= -4 && x < precision) {
    if (x < 0) {
      s = "0.";
      s.append(static_cast<std::size_t>(-x - 1), '0');
      s += c;
    } else {
      const auto enteras = static_cast<std::size_t>(x) + 1;
      if (c.size() <= enteras) {
        s = c;
        s.append(enteras - c.size(), '0');
      } else {
        s = c.substr(0, enteras) + '.' + c.substr(enteras);
      }
    }
  } else {
    s = c.substr(0, 1);
    if (c.size() > 1) {
      s += '.';
      s += c.substr(1);
    }
    s += x < 0 ? "e-" : "e+";
    const std::string exponente = std::to_string(x < 0 ? -static_cast<long long>(x) : x);
    if (exponente.size() < 2) {
      s += '0';
    }
    s += exponente;
  }
  return s;
}

std::string texto_g(bool negativo, const cifras_decimales* d, int precision) {
  if (d == nullptr) {
    return "0";
  }
  cifras_decimales r = *d;
  redondear(r, precision);
  std::string texto = negativo ? "-" : "";
  texto += disponer(r, precision);
  return texto;
}

std::string texto_g(const entero& a, int exponente10, int precision) {
  if (a.magnitud.es_cero()) {
    return "0";
  }
  const cifras_decimales d = cifras_de(a.magnitud, exponente10);
  return texto_g(a.negativo, &d, precision);
}
