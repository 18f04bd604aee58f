#pragma once

// The stack a run may still grow into, as the system limits it (ulimit -s) and as the run has
// already taken it, so that a deep recursion can be refused with a message before it overflows
// the stack and ends by a signal.

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>

// The stack's soft limit, and the bytes of it left below `aqui`, an address in the caller's
// frame: the limit less what the run already holds above that frame.
struct pila {
  std::uint64_t limite = 0;
  std::uint64_t libre = 0;
};

// The stack left below `aqui`; nothing where the limit is unlimited or unknown.
//
// What it holds starts with the strings of the arguments and of the environment, which the
// system copies to the very top of the stack (120 KB of environment leave little of a 128 KiB
// stack), and the program's file name just above them; the stack ends at the next page
// boundary. The file name is not among `argv`, and may take up to one page more (PATH_MAX), which
// is counted: what is counted exceeds what is held by at most two pages, on the safe side.
inline std::optional<pila> pila_libre(char* const* argv, const void* aqui) {
  rlimit limite{};
  if (::getrlimit(RLIMIT_STACK, &limite) != 0 || limite.rlim_cur == RLIM_INFINITY) {
    return std::nullopt;
  }
  const auto desde = reinterpret_cast<std::uintptr_t>(aqui);
  std::uintptr_t cima = desde;
  for (char* const* cadenas : {argv, static_cast<char* const*>(environ)}) {
    for (; cadenas != nullptr && *cadenas != nullptr; ++cadenas) {
      cima = std::max(cima, reinterpret_cast<std::uintptr_t>(*cadenas) + std::strlen(*cadenas) + 1);
    }
  }
  const auto pagina = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  cima = (cima / pagina + 2) * pagina;
  const auto usada = static_cast<std::uint64_t>(cima - desde);
  const auto total = static_cast<std::uint64_t>(limite.rlim_cur);
  return pila{total, total > usada ? total - usada : 0};
}
