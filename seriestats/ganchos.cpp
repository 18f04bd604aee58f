// The hooks of the program itself: none. (The test build's are in tests/ganchos_prueba.cpp.)

#include "ganchos.hpp"

struct ganchos::estado {};

ganchos::ganchos(fichero_vec& /*datos*/) {}

ganchos::~ganchos() = default;

// 16 Mi values, 64 MiB.
std::int64_t ganchos::presupuesto() const { return std::int64_t{1} << 24; }

void ganchos::al_guardar(std::int64_t /*guardados*/) const {}

void ganchos::entre_lecturas() const {}

std::chrono::milliseconds ganchos::espera_de_avance() const { return std::chrono::seconds(2); }
