#include "eco_vec.hpp"

#include <algorithm>

#include "fallo.hpp"

eco_vec::~eco_vec() {
  if (terminada_ || !salida_) {
    return;
  }
  salida_.write(bloque_.data(), p_ - bloque_.data());
  if (algo_escrito_) {
    salida_ << std::endl;
  }
}

void eco_vec::vaciar() {
  salida_.write(bloque_.data(), p_ - bloque_.data());
  p_ = bloque_.data();
  if (!salida_) {
    throw salida_perdida();
  }
}

void eco_vec::escribir(std::span<const float> valores, std::span<const decimal_leido> decimales) {
  for (std::size_t i = 0; i < valores.size(); ++i) {
    const float v = valores[i];
    if (!decimales.empty() && decimales[i].exponente != exponente_largo) {
      p_ = escribir_decimal(p_, v, decimales[i].mantisa, decimales[i].exponente);
    } else {
      p_ = escribir_real(p_, v);
    }
    *p_++ = ',';
    if (p_ >= lleno_) {
      vaciar();
    }
  }
  algo_escrito_ = algo_escrito_ || !valores.empty();
}

void eco_vec::terminar_linea() {
  vaciar();
  salida_ << std::endl;
  terminada_ = true;
  if (!salida_) {
    throw salida_perdida();
  }
}

void leer_con_eco(fichero_vec& datos, std::span<float> valores, std::span<decimal_leido> decimales,
                  std::int64_t primer_valor, eco_vec& eco) {
  const valores_leidos r = datos.leer_valores(valores, decimales, primer_valor);
  eco.escribir(valores.first(r.cuantos), decimales.first(r.cuantos));
  r.comprobar();
}
