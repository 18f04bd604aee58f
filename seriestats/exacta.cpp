#include "exacta.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <span>
#include <string>
#include <utility>

#include "flotante.hpp"
#include "redondeo.hpp"

namespace {

// The smallest exponent of a digit that a value can have: the reader saturates a value's exponent
// at -100000 and keeps at most 201 digits (vec_dat.cpp), so d * 10^e has e >= -100201.
constexpr std::int32_t exponente_base = -100206;  // a multiple of 9 below that

// Adds the base-10^9 digits of x, times 10^r, into the words from `primera` on.
void acumular(std::vector<std::uint64_t>& palabras, std::size_t posicion, const natural& x) {
  const natural desplazado = x.por_diez_a(posicion % 9);
  const std::span<const std::uint32_t> d = desplazado.digitos();
  const std::size_t primera = posicion / 9;
  if (palabras.size() < primera + d.size()) {
    palabras.resize(primera + d.size(), 0);
  }
  for (std::size_t i = 0; i < d.size(); ++i) {
    palabras[primera + i] += d[i];
  }
}

// The words as a number in units of 10^(base + 9 j), j the lowest nonzero word; the exponent of
// that unit, or nothing when all are zero.
std::pair<natural, std::int32_t> de_palabras(const std::vector<std::uint64_t>& palabras,
                                             std::int32_t base) {
  const auto primera =
      std::find_if(palabras.begin(), palabras.end(), [](std::uint64_t w) { return w != 0; });
  if (primera == palabras.end()) {
    return {natural{}, 0};
  }
  const auto j = static_cast<std::int32_t>(primera - palabras.begin());
  return {natural::de_digitos_sin_acarreo(std::span(palabras).subspan(static_cast<std::size_t>(j))),
          base + 9 * j};
}

}  // namespace

void suma_exacta::sumar_general(const decimal_exacto& x) {
  const natural& cifras = x.cifras.magnitud;
  if (cifras.es_cero()) {
    return;
  }
  const auto posicion = static_cast<std::size_t>(x.exponente - exponente_base);
  acumular(x.cifras.negativo ? negativos_ : positivos_, posicion, cifras);
  acumular(cuadrados_, 2 * posicion, cifras * cifras);
}

suma_exacta::totales suma_exacta::total() const {
  // The smallest unit that any nonzero part has.
  std::int32_t u = 0;
  for (std::size_t k = 0; k < cortos; ++k) {
    const auto& p = lineal_[k];
    const auto& m = lineal_[cortos + k];
    if ((p[0] | p[1] | m[0] | m[1]) != 0) {
      u = std::min(u, -static_cast<std::int32_t>(k));
    }
  }
  const auto [pos, u_pos] = de_palabras(positivos_, exponente_base);
  const auto [neg, u_neg] = de_palabras(negativos_, exponente_base);
  const auto [cuad, u_cuad] = de_palabras(cuadrados_, 2 * exponente_base);
  if (!pos.es_cero()) {
    u = std::min(u, u_pos);
  }
  if (!neg.es_cero()) {
    u = std::min(u, u_neg);
  }
  // A square's unit is twice its value's, so the squares' words start no lower than 2u.

  const auto palabras = [](std::uint64_t alto, std::uint64_t bajo) {
    return natural(alto).por_dos_a(64) + natural(bajo);
  };
  totales t;
  t.u = u;
  natural positivo = por_diez(pos, u_pos - u);
  natural negativo = por_diez(neg, u_neg - u);
  t.q = cuad.es_cero() ? natural{} : por_diez(cuad, u_cuad - 2 * u);
  for (std::size_t k = 0; k < cortos; ++k) {
    const std::int64_t escala = -static_cast<std::int64_t>(k) - u;
    const auto& p = lineal_[k];
    const auto& m = lineal_[cortos + k];
    positivo = positivo + por_diez(palabras(p[1], p[0]), escala);
    negativo = negativo + por_diez(palabras(m[1], m[0]), escala);
    const auto& q = cuadrado_[k];
    const natural cuadrado = natural(q[2]).por_dos_a(128) + palabras(q[1], q[0]);
    t.q = t.q + por_diez(cuadrado, 2 * escala);
  }
  t.s = entero(false, positivo) - entero(false, negativo);
  return t;
}

namespace {

// V = n Q - S^2, n^2 times the variance in the unit 10^2u.
natural dispersion(const suma_exacta::totales& t, const natural& cuenta) {
  return cuenta * t.q - t.s.magnitud * t.s.magnitud;
}

figuras_verdaderas figuras_de(const suma_exacta::totales& t, const natural& cuenta,
                              const natural& v) {
  figuras_verdaderas f{"0", "0"};
  if (!t.s.magnitud.es_cero()) {
    cifras_decimales media = cifras_del_cociente(t.s.magnitud, cuenta, 7);
    media.exponente10 += t.u;
    f.media = texto_g(t.s.negativo, &media, 6);
  }
  if (!v.es_cero()) {
    cifras_decimales desviacion = cifras_de_raiz_entre(v, cuenta);
    desviacion.exponente10 += t.u;
    f.desviacion = texto_g(false, &desviacion, 6);
  }
  return f;
}

}  // namespace

figuras_verdaderas figuras(const suma_exacta::totales& t, std::int64_t n) {
  const natural cuenta(static_cast<std::uint64_t>(n));
  return figuras_de(t, cuenta, dispersion(t, cuenta));
}

std::optional<std::string> aviso_de_desvio(const suma_exacta& sumas, std::int64_t n, float media_f,
                                           float desviacion_f) {
  if (n <= 0) {
    return std::nullopt;
  }
  const suma_exacta::totales t = sumas.total();
  const natural cuenta(static_cast<std::uint64_t>(n));
  const natural v = dispersion(t, cuenta);
  bool se_aparta = !std::isfinite(media_f) || !std::isfinite(desviacion_f);
  if (!se_aparta) {
    // The deviation s = F 2^g against sd = sqrt(V) 10^u / n: |s - sd| > sd / 1000 means
    // s > 1.001 sd or s < 0.999 sd, that is, squared and times 10^6 n^2:
    // 10^6 F^2 n^2 2^2g > 1002001 V 10^2u, or < 998001 V 10^2u. Both sides are brought to
    // integers by the powers of 2 and 10 that a negative g or a positive u call for.
    const auto [f, g] = binario(desviacion_f);
    const natural fn = f * cuenta;
    const natural izquierda =
        por_diez(por_dos(fn * fn * natural(1000000), 2 * std::int64_t{g}), -2 * std::int64_t{t.u});
    const natural derecha = por_diez(por_dos(v, -2 * std::int64_t{g}), 2 * std::int64_t{t.u});
    const bool desviacion_mal =
        izquierda > derecha * natural(1002001) || izquierda < derecha * natural(998001);
    // The mean m = M 2^h against S 10^u / n: with U = M n and A = S in a common unit
    // (2^-max(-h, 0) 10^-max(u, 0) / n), D = |U - A|, |m - mean| > max(|mean|, sd) / 1000 means
    // 1000 D > |A| and 10^6 D^2 > V, V in the square of that unit.
    const auto [mm, h] = binario(media_f);
    const entero u_(std::signbit(media_f), por_diez(por_dos(mm * cuenta, h), -std::int64_t{t.u}));
    const entero a_(t.s.negativo,
                    por_diez(por_dos(t.s.magnitud, -std::int64_t{h}), std::int64_t{t.u}));
    const natural d = (u_ - a_).magnitud;
    const natural v_ = por_diez(por_dos(v, -2 * std::int64_t{h}), 2 * std::int64_t{t.u});
    const bool media_mal = d * natural(1000) > a_.magnitud && d * d * natural(1000000) > v_;
    se_aparta = desviacion_mal || media_mal;
  }
  if (!se_aparta) {
    return std::nullopt;
  }
  const figuras_verdaderas f = figuras_de(t, cuenta, v);
  return "aviso: las cifras impresas se apartan en mas del 0.1 % de las de los valores escritos en "
         "vec.dat: la media verdadera es " +
         f.media + " y la desviacion tipica verdadera es " + f.desviacion;
}
