// The hooks of the program itself: none. (The test build's are in tests/ganchos_prueba.cpp.)

#include "ganchos.hpp"

#include "avance.hpp"

struct ganchos::estado {};

ganchos::ganchos(fichero_vec& /*datos*/) {}

ganchos::~ganchos() = default;

std::int64_t ganchos::presupuesto(std::int64_t del_programa) const { return del_programa; }

void ganchos::al_guardar(std::int64_t /*guardados*/) const {}

void ganchos::entre_lecturas() const {}

std::chrono::milliseconds ganchos::espera_de_avance() const { return espera_de_avance_normal; }
