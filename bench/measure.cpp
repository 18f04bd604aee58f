// measure: runs a command and prints the CPU time it used (user + system, seconds), its peak
// resident memory (KiB), as the kernel accounts them for the child, and the elapsed time (s).
//
//   measure [--stdin FILE] [--stdout FILE] [--stderr FILE] [--cwd DIR] COMMAND [ARGS...]

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  std::string entrada = "/dev/null";
  std::string salida = "/dev/null";
  std::string errores;
  std::string directorio = ".";
  int i = 1;
  for (; i + 1 < argc; i += 2) {
    const std::string opcion = argv[i];
    if (opcion == "--stdin") {
      entrada = argv[i + 1];
    } else if (opcion == "--stdout") {
      salida = argv[i + 1];
    } else if (opcion == "--stderr") {
      errores = argv[i + 1];
    } else if (opcion == "--cwd") {
      directorio = argv[i + 1];
    } else {
      break;
    }
  }
  if (i >= argc) {
    std::fprintf(stderr,
                 "usage: measure [--stdin FILE] [--stdout FILE] [--stderr FILE] [--cwd DIR] "
                 "COMMAND...\n");
    return 2;
  }
  timespec inicio{};
  clock_gettime(CLOCK_MONOTONIC, &inicio);
  const pid_t hijo = fork();
  if (hijo == 0) {
    const int in = open(entrada.c_str(), O_RDONLY);
    const int out = open(salida.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || chdir(directorio.c_str()) != 0) {
      std::perror("measure");
      std::_Exit(127);
    }
    dup2(in, 0);
    dup2(out, 1);
    if (!errores.empty()) {
      const int err = open(errores.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (err < 0) {
        std::perror("measure");
        std::_Exit(127);
      }
      dup2(err, 2);
    }
    execvp(argv[i], argv + i);
    std::perror(argv[i]);
    std::_Exit(127);
  }
  int estado = 0;
  rusage uso{};
  if (wait4(hijo, &estado, 0, &uso) != hijo) {
    std::perror("wait4");
    return 2;
  }
  timespec final{};
  clock_gettime(CLOCK_MONOTONIC, &final);
  const double transcurrido = static_cast<double>(final.tv_sec - inicio.tv_sec) +
                              static_cast<double>(final.tv_nsec - inicio.tv_nsec) / 1e9;
  const double cpu = static_cast<double>(uso.ru_utime.tv_sec + uso.ru_stime.tv_sec) +
                     static_cast<double>(uso.ru_utime.tv_usec + uso.ru_stime.tv_usec) / 1e6;
  std::printf("%.3f %ld %.3f\n", cpu, uso.ru_maxrss, transcurrido);
  if (!WIFEXITED(estado) || WEXITSTATUS(estado) != 0) {
    std::fprintf(stderr, "measure: %s did not end with status 0\n", argv[i]);
    return 1;
  }
  return 0;
}
