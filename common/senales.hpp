#pragma once

// What a run does when SIGINT, SIGTERM or SIGHUP stops it, while an object of this class lives:
// a handler of its own, which ends by raising the signal again. Its action is then back to the
// default (SA_RESETHAND), so the run ends as interrupted and the shell sees the usual status (130
// for SIGINT). A signal that the run ignores (started with nohup, or in the background) stays
// ignored.

#include <signal.h>

#include <array>
#include <cstddef>

class al_parar {
 public:
  explicit al_parar(void (*manejador)(int)) {
    struct sigaction accion {};
    accion.sa_handler = manejador;
    sigemptyset(&accion.sa_mask);
    accion.sa_flags = static_cast<int>(SA_RESETHAND);  // its bit is the sign bit of sa_flags
    for (std::size_t i = 0; i < senales.size(); ++i) {
      ::sigaction(senales[i], nullptr, &anteriores_[i]);
      if (anteriores_[i].sa_handler != SIG_IGN) {
        ::sigaction(senales[i], &accion, nullptr);
      }
    }
  }
  al_parar(const al_parar&) = delete;
  al_parar& operator=(const al_parar&) = delete;
  al_parar(al_parar&&) = delete;
  al_parar& operator=(al_parar&&) = delete;
  ~al_parar() {
    for (std::size_t i = 0; i < senales.size(); ++i) {
      ::sigaction(senales[i], &anteriores_[i], nullptr);
    }
  }

  // Runs `cambio` with the three signals held back, so that a handler never finds what it reads
  // half changed.
  template <typename Cambio>
  static auto sin_senales(Cambio cambio) {
    sigset_t retenidas;
    sigemptyset(&retenidas);
    for (const int senal : senales) {
      sigaddset(&retenidas, senal);
    }
    sigset_t antes;
    ::sigprocmask(SIG_BLOCK, &retenidas, &antes);
    const auto r = cambio();
    ::sigprocmask(SIG_SETMASK, &antes, nullptr);
    return r;
  }

 private:
  static constexpr std::array<int, 3> senales = {SIGINT, SIGTERM, SIGHUP};
  std::array<struct sigaction, 3> anteriores_{};
};
