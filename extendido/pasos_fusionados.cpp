// The fused steps of pasos_fusionados.hpp where their shortcuts do not apply: the expressions
// themselves, in the model.

#include "pasos_fusionados.hpp"

#include "extendido_software.hpp"

namespace extendido_interno {

float suma_de_floats_general(float a, float b) {
  return static_cast<float>(extendido_software(a) + extendido_software(b));
}

float cuadrado_mas_general(float v, float m, float acumulado) {
  const extendido_software d = extendido_software(v) - extendido_software(m);
  return static_cast<float>(d * d + extendido_software(acumulado));
}

}  // namespace extendido_interno
