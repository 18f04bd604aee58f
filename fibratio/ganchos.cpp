// The hook of the program itself: the usual wait. (The test build's is in
// tests/ganchos_prueba.cpp.)

#include "ganchos.hpp"

#include "avance.hpp"

std::chrono::milliseconds espera_de_avance() { return espera_de_avance_normal; }
