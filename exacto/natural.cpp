#include "natural.hpp"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<std::uint32_t, 10> potencias_de_diez = {
    1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};

}  // namespace

void natural::normalizar() {
  while (!digitos_.empty() && digitos_.back() == 0) {
    digitos_.pop_back();
  }
}

natural::natural(std::uint64_t v) {
  for (; v > 0; v /= base) {
    digitos_.push_back(static_cast<std::uint32_t>(v % base));
  }
}

natural natural::de_cifras(std::string_view cifras) {
  natural r;
  for (std::size_t fin = cifras.size(); fin > 0;) {
    const std::size_t inicio = fin >= 9 ? fin - 9 : 0;
    std::uint32_t d = 0;
    for (std::size_t i = inicio; i < fin; ++i) {
      d = d * 10 + static_cast<std::uint32_t>(cifras[i] - '0');
    }
    r.digitos_.push_back(d);
    fin = inicio;
  }
  r.normalizar();
  return r;
}

natural natural::de_digitos_sin_acarreo(std::span<const std::uint64_t> d) {
  natural r;
  r.digitos_.reserve(d.size() + 3);
  std::uint64_t acarreo = 0;
  for (const std::uint64_t digito : d) {
    // digito < 2^63 and acarreo < 2^63 / 10^9 + 1: no overflow.
    const std::uint64_t t = digito % base + acarreo;
    r.digitos_.push_back(static_cast<std::uint32_t>(t % base));
    acarreo = digito / base + t / base;
  }
  for (; acarreo > 0; acarreo /= base) {
    r.digitos_.push_back(static_cast<std::uint32_t>(acarreo % base));
  }
  r.normalizar();
  return r;
}

std::size_t natural::cifras() const {
  if (digitos_.empty()) {
    return 0;
  }
  std::size_t arriba = 1;
  while (arriba < 9 && digitos_.back() >= potencias_de_diez[arriba]) {
    ++arriba;
  }
  return 9 * (digitos_.size() - 1) + arriba;
}

std::string natural::decimal() const {
  if (digitos_.empty()) {
    return "0";
  }
  std::string r = std::to_string(digitos_.back());
  for (std::size_t i = digitos_.size() - 1; i-- > 0;) {
    const std::string d = std::to_string(digitos_[i]);
    r.append(9 - d.size(), '0');
    r += d;
  }
  return r;
}

natural operator+(const natural& a, const natural& b) {
  natural r;
  r.digitos_.resize(std::max(a.digitos_.size(), b.digitos_.size()));
  std::uint32_t acarreo = 0;
  for (std::size_t i = 0; i < r.digitos_.size(); ++i) {
    const std::uint32_t s = (i < a.digitos_.size() ? a.digitos_[i] : 0U) +
                            (i < b.digitos_.size() ? b.digitos_[i] : 0U) + acarreo;
    acarreo = s >= natural::base ? 1U : 0U;
    r.digitos_[i] = s - acarreo * natural::base;
  }
  if (acarreo > 0) {
    r.digitos_.push_back(acarreo);
  }
  return r;
}

natural operator-(const natural& a, const natural& b) {
  natural r = a;
  std::uint32_t prestado = 0;
  for (std::size_t i = 0; i < r.digitos_.size(); ++i) {
    const std::uint32_t resta = (i < b.digitos_.size() ? b.digitos_[i] : 0U) + prestado;
    prestado = r.digitos_[i] < resta ? 1U : 0U;
    r.digitos_[i] = r.digitos_[i] + prestado * natural::base - resta;
  }
  r.normalizar();
  return r;
}

natural operator*(const natural& a, const natural& b) {
  if (a.es_cero() || b.es_cero()) {
    return {};
  }
  // Each column gathers digit products below 10^18 in 64 bits, carried on at every step.
  std::vector<std::uint64_t> r(a.digitos_.size() + b.digitos_.size(), 0);
  for (std::size_t i = 0; i < a.digitos_.size(); ++i) {
    std::uint64_t acarreo = 0;
    const std::uint64_t x = a.digitos_[i];
    for (std::size_t j = 0; j < b.digitos_.size(); ++j) {
      const std::uint64_t t = r[i + j] + x * b.digitos_[j] + acarreo;  // < 10^18 + 2 * 10^9
      r[i + j] = t % natural::base;
      acarreo = t / natural::base;
    }
    r[i + b.digitos_.size()] += acarreo;
  }
  return natural::de_digitos_sin_acarreo(r);
}

std::strong_ordering operator<=>(const natural& a, const natural& b) {
  if (a.digitos_.size() != b.digitos_.size()) {
    return a.digitos_.size() <=> b.digitos_.size();
  }
  for (std::size_t i = a.digitos_.size(); i-- > 0;) {
    if (a.digitos_[i] != b.digitos_[i]) {
      return a.digitos_[i] <=> b.digitos_[i];
    }
  }
  return std::strong_ordering::equal;
}

natural natural::por(std::uint64_t m, std::uint32_t s) const {
  natural r;
  r.digitos_.reserve(digitos_.size() + 2);
  std::uint64_t acarreo = s;
  for (const std::uint32_t d : digitos_) {
    acarreo += std::uint64_t{d} * m;
    r.digitos_.push_back(static_cast<std::uint32_t>(acarreo % base));
    acarreo /= base;
  }
  for (; acarreo > 0; acarreo /= base) {
    r.digitos_.push_back(static_cast<std::uint32_t>(acarreo % base));
  }
  r.normalizar();  // m = 0
  return r;
}

natural natural::por_dos_a(std::size_t k) const {
  natural r = *this;
  for (; k >= 32; k -= 32) {
    r = r.por(std::uint64_t{1} << 32);
  }
  return r.por(std::uint64_t{1} << k);
}

natural natural::por_diez_a(std::size_t k) const {
  if (es_cero()) {
    return {};
  }
  natural r = por(potencias_de_diez[k % 9]);
  r.digitos_.insert(r.digitos_.begin(), k / 9, 0U);
  return r;
}

std::pair<natural, std::uint32_t> natural::entre(std::uint32_t d) const {
  natural r;
  r.digitos_.resize(digitos_.size());
  std::uint64_t resto = 0;
  for (std::size_t i = digitos_.size(); i-- > 0;) {
    const std::uint64_t actual = resto * base + digitos_[i];
    r.digitos_[i] = static_cast<std::uint32_t>(actual / d);
    resto = actual % d;
  }
  r.normalizar();
  return {std::move(r), static_cast<std::uint32_t>(resto)};
}

std::pair<natural, bool> natural::entre_diez_a(std::size_t k) const {
  const std::size_t enteros = k / 9;
  if (enteros >= digitos_.size()) {
    return {natural{}, !es_cero()};
  }
  bool resto =
      std::any_of(digitos_.begin(), digitos_.begin() + static_cast<std::ptrdiff_t>(enteros),
                  [](std::uint32_t d) { return d != 0; });
  natural r;
  r.digitos_.assign(digitos_.begin() + static_cast<std::ptrdiff_t>(enteros), digitos_.end());
  auto [q, sobra] = r.entre(potencias_de_diez[k % 9]);
  return {std::move(q), resto || sobra != 0};
}

natural raiz_entera(const natural& a) {
  // r holds the square root of the leading 2j digits of a; each step brings down two more.
  const std::size_t pares = (a.cifras() + 1) / 2;
  natural r;
  for (std::size_t j = pares; j-- > 0;) {
    const natural prefijo = a.entre_diez_a(2 * j).first;
    const natural base10 = r.por(10);
    std::uint32_t cifra = 9;
    for (; cifra > 0; --cifra) {
      const natural candidato = base10.por(1, cifra);
      if (candidato * candidato <= prefijo) {
        break;
      }
    }
    r = base10.por(1, cifra);
  }
  return r;
}

entero operator+(const entero& a, const entero& b) {
  if (a.negativo == b.negativo) {
    return {a.negativo, a.magnitud + b.magnitud};
  }
  if (a.magnitud >= b.magnitud) {
    return {a.negativo, a.magnitud - b.magnitud};
  }
  return {b.negativo, b.magnitud - a.magnitud};
}

entero operator-(const entero& a, const entero& b) { return a + entero{!b.negativo, b.magnitud}; }

entero operator*(const entero& a, const entero& b) {
  return {a.negativo != b.negativo, a.magnitud * b.magnitud};
}
