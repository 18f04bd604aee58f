// The hook of fibratio_prueba, the test build of fibratio: the progress line shows from the first
// completed subtree on, so that the terminal test sees it in a short run.

#include "ganchos.hpp"

std::chrono::milliseconds espera_de_avance() { return std::chrono::milliseconds(0); }
