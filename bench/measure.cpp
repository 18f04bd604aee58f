// measure: runs a command and prints the CPU time it used (user + system, seconds) and its peak
// resident memory (KiB), as the kernel accounts them for the child.
//
//   measure [--stdin FILE] [--stdout FILE] [--cwd DIR] COMMAND [ARGS...]

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  std::string entrada = "/dev/null";
  std::string salida = "/dev/null";
  std::string directorio = ".";
  int i = 1;
  for (; i + 1 < argc; i += 2) {
    const std::string opcion = argv[i];
    if (opcion == "--stdin") {
      entrada = argv[i + 1];
    } else if (opcion == "--stdout") {
      salida = argv[i + 1];
    } else if (opcion == "--cwd") {
      directorio = argv[i + 1];
    } else {
      break;
    }
  }
  if (i >= argc) {
    std::fprintf(stderr, "usage: measure [--stdin FILE] [--stdout FILE] [--cwd DIR] COMMAND...\n");
    return 2;
  }
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
  const double cpu = static_cast<double>(uso.ru_utime.tv_sec + uso.ru_stime.tv_sec) +
                     static_cast<double>(uso.ru_utime.tv_usec + uso.ru_stime.tv_usec) / 1e6;
  std::printf("%.3f %ld\n", cpu, uso.ru_maxrss);
  if (!WIFEXITED(estado) || WEXITSTATUS(estado) != 0) {
    std::fprintf(stderr, "measure: %s did not end with status 0\n", argv[i]);
    return 1;
  }
  return 0;
}
