#pragma once

// The one point at which the test build of fibratio (fibratio_prueba) differs from the program:
// how long a run goes on before it shows its progress on a terminal. The program is built with
// ganchos.cpp, which keeps the wait of every progress line (espera_de_avance_normal); the test
// build with tests/ganchos_prueba.cpp, which shows the line from the first completed subtree on,
// so that a run of a fraction of a second shows it. The program's code is the same in both.

#include <chrono>

std::chrono::milliseconds espera_de_avance();
