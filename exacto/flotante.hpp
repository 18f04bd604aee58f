#pragma once

// A float and an exact decimal side by side: the float's exact value as an integer times a power
// of two, and the comparison of a printed float with the true figure it stands for.

#include <cstdint>
#include <utility>

#include "natural.hpp"

// A finite float's magnitude as F * 2^g, F an integer below 2^24.
std::pair<natural, std::int32_t> binario(float f);

// a * 2^max(k, 0) and a * 10^max(k, 0): the factors that bring both sides of a comparison of
// a * 2^k with b * 10^j to integers, each side taking those of the other's negative exponents.
natural por_dos(const natural& a, std::int64_t k);
natural por_diez(const natural& a, std::int64_t k);

// A decimal exactly, the integer cifras times 10^exponente: a value as written, or a true figure.
struct decimal_exacto {
  entero cifras;
  std::int32_t exponente = 0;
};

// Whether the printed float `impreso` misrepresents the true value: it is infinite or NaN, it is 0
// and the true value is not, or the other way round, or it is off by more than 0.1 % of it.
bool se_aparta(float impreso, const decimal_exacto& verdadero);
