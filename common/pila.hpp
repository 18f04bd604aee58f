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

// The stack's soft limit, and the bytes of it left beyond `aqui`, an address in the caller's
// frame: the limit less what the run already holds between the stack's start and that frame.
struct pila {
  std::uint64_t limite = 0;
  std::uint64_t libre = 0;
};

// The stack left beyond `aqui`; nothing where the limit is unlimited or unknown.
//
// What it holds starts with the strings of the arguments and of the environment, which the
// system copies to the stack's far end, where it starts (120 KB of environment leave little of a
// 128 KiB stack), with the program's file name beside them; the stack begins at the page boundary
// past them. The file name is not among `argv`, and may take up to one page more (PATH_MAX),
// which is counted: what is counted exceeds what is held by at most two pages, on the safe side.
// The stack grows down from above the strings on every target but hppa, where it grows up from
// below them.
inline std::optional<pila> pila_libre(char* const* argv, const void* aqui) {
  rlimit limite{};
  if (::getrlimit(RLIMIT_STACK, &limite) != 0 || limite.rlim_cur == RLIM_INFINITY) {
    return std::nullopt;
  }
  const auto desde = reinterpret_cast<std::uintptr_t>(aqui);
  std::uintptr_t bajo = desde;  // the strings' extent, `aqui` included
  std::uintptr_t alto = desde;
  for (char* const* cadenas : {argv, static_cast<char* const*>(environ)}) {
    for (; cadenas != nullptr && *cadenas != nullptr; ++cadenas) {
      const auto inicio = reinterpret_cast<std::uintptr_t>(*cadenas);
      bajo = std::min(bajo, inicio);
      alto = std::max(alto, inicio + std::strlen(*cadenas) + 1);
    }
  }
  const auto pagina = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  const std::uintptr_t usada =
      alto > desde ? (alto / pagina + 2) * pagina - desde : desde - (bajo / pagina - 1) * pagina;
  const auto total = static_cast<std::uint64_t>(limite.rlim_cur);
  return pila{total, total > usada ? total - usada : 0};
}
