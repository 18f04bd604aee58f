// fibratio run as a child process under a small stack (ulimit -s), with an environment that
// takes part of it. How much of the stack is left differs from run to run (the system places the
// stack's start at random), so the bound a refusal names is checked by running it, not by its
// figure.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

namespace {

struct corrida {
  bool sigue = false;  // still running after a second, when it was stopped
  int estado = -1;     // the exit status, or 128 + the signal that ended it
  std::string errores;
};

std::string leer(const std::string& nombre) {
  std::ifstream f(nombre, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// Runs fibratio on the input n, its stack limited to `pila_kib` and its environment one variable
// of `relleno` bytes.
corrida correr(rlim_t pila_kib, std::size_t relleno, std::int32_t n) {
  // Named after this process: CTest may run the tests of this file at the same time.
  const std::string nombre = ::testing::TempDir() + "pila_test." + std::to_string(::getpid());
  const std::string entrada = nombre + ".stdin";
  const std::string errores = nombre + ".stderr";
  std::ofstream(entrada) << n << '\n';
  std::string variable = "PAD=" + std::string(relleno, 'x');
  const pid_t hijo = ::fork();
  if (hijo == 0) {
    rlimit limite{};
    ::getrlimit(RLIMIT_STACK, &limite);
    limite.rlim_cur = pila_kib << 10;
    if (::setrlimit(RLIMIT_STACK, &limite) != 0 ||
        std::freopen(entrada.c_str(), "r", stdin) == nullptr ||
        std::freopen("/dev/null", "w", stdout) == nullptr ||
        std::freopen(errores.c_str(), "w", stderr) == nullptr) {
      std::_Exit(127);
    }
    char* const entorno[] = {variable.data(), nullptr};
    ::execle(FIBRATIO, FIBRATIO, static_cast<char*>(nullptr), entorno);
    std::_Exit(127);
  }
  corrida r;
  int estado = 0;
  const auto plazo = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  while (::waitpid(hijo, &estado, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > plazo) {
      ::kill(hijo, SIGKILL);
      ::waitpid(hijo, &estado, 0);
      r.sigue = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (!r.sigue) {
    r.estado = WIFEXITED(estado) ? WEXITSTATUS(estado) : 128 + WTERMSIG(estado);
  }
  r.errores = leer(errores);
  std::remove(entrada.c_str());
  std::remove(errores.c_str());
  return r;
}

// The bound of a refusal: "... se admite de A a B\n".
std::pair<int, int> cota(const std::string& mensaje) {
  int desde = 0;
  int hasta = 0;
  const auto donde = mensaje.rfind("se admite de ");
  EXPECT_NE(donde, std::string::npos) << mensaje;
  EXPECT_EQ(std::sscanf(mensaje.c_str() + donde, "se admite de %d a %d", &desde, &hasta), 2);
  return {desde, hasta};
}

TEST(FibratioBajoUnaPilaPequena, CountsTheStackThatTheEnvironmentAlreadyTakes) {
  // 100000 bytes of environment leave some 25 KiB of a 128 KiB stack: too little for 192
  // levels at the allowance of each.
  const corrida r = correr(128, 100000, 192);
  ASSERT_FALSE(r.sigue) << "n = 192 was admitted";
  EXPECT_EQ(r.estado, 1);
  const std::string principio =
      "fibratio: entrada estandar: n = 192 anidaria 192 llamadas, que no caben en lo que queda de "
      "la pila de 128 KiB (ulimit -s); se admite de ";
  EXPECT_EQ(r.errores.substr(0, principio.size()), principio);
  const auto [desde, hasta] = cota(r.errores);
  EXPECT_EQ(desde, 1 - hasta);  // F(n - 1) of a negative n nests one level more
  EXPECT_LT(hasta, 192);
}

TEST(FibratioBajoUnaPilaPequena, TheBoundOfARefusalRunsWithoutOverflow) {
  const corrida r = correr(256, 0, 10000);
  ASSERT_EQ(r.estado, 1) << r.errores;
  const auto [desde, hasta] = cota(r.errores);
  EXPECT_GT(hasta, 400);
  // Each run descends to its deepest level at once and then takes far longer than a second; a
  // run that finds less stack left than the first one did is refused instead.
  for (const int n : {desde, hasta}) {
    const corrida limite = correr(256, 0, n);
    EXPECT_TRUE(limite.sigue || limite.estado == 1) << "n = " << n << ": status " << limite.estado;
  }
}

}  // namespace
