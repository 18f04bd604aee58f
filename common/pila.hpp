#pragma once

// The stack a run may grow into, as the system limits it (ulimit -s), so that a deep recursion
// can be refused with a message before it overflows the stack and ends by a signal.

#include <sys/resource.h>

#include <cstdint>
#include <optional>

// The soft limit of the main thread's stack in bytes; nothing where it is unlimited or unknown.
inline std::optional<std::uint64_t> limite_de_pila() {
  rlimit limite{};
  if (::getrlimit(RLIMIT_STACK, &limite) != 0 || limite.rlim_cur == RLIM_INFINITY) {
    return std::nullopt;
  }
  return static_cast<std::uint64_t>(limite.rlim_cur);
}
