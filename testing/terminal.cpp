// terminal: runs a program with its standard error on a pseudo-terminal, as a user at a terminal
// would, and checks what it writes there and on standard output.
//
//   terminal [--cwd DIR] [--columns N] [--shows TEXT] [--quiet-when-shared] [--interrupt]
//            PROGRAM STDIN EXPECTED_STDOUT
//
// The program runs in DIR (default: the current directory), standard input read from the file
// STDIN each time, on a terminal whose window is N columns wide; without --columns the terminal
// reports no size, and the program must take it for 80 columns wide.
//   1. standard output to a file, standard error to the terminal: the output file must hold
//      EXPECTED_STDOUT byte for byte; the terminal must have received at least one progress line
//      ("\r... % hecho"), every one short enough for the terminal not to wrap it (at most N - 1
//      characters: some terminals wrap as soon as the last column is written), one of them
//      holding TEXT if given (what must not be cut at that width), and what it shows at the end
//      must be blank: every progress line was erased.
//   2. both on the terminal: what the terminal shows at the end, with carriage returns and line
//      ends applied as a terminal applies them, must be EXPECTED_STDOUT, so that each progress
//      line was erased before a line of standard output was written over it. With
//      --quiet-when-shared no progress line may appear at all (a program whose output it would
//      tear keeps quiet when standard output is that terminal).
//   3. with --interrupt, as run 1, but the program gets SIGINT (a Ctrl-C) once a progress line
//      is shown: it must end by that signal, as an interrupted program does, with the line
//      erased, and no wider than in run 1.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string leer(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// What a terminal shows after receiving `bytes`: "\r" returns to the start of the line, "\n"
// goes to the next one, other characters overwrite; trailing blanks are dropped.
std::string pantalla(const std::string& bytes) {
  std::vector<std::string> lineas(1);
  std::size_t columna = 0;
  for (const char c : bytes) {
    if (c == '\r') {
      columna = 0;
    } else if (c == '\n') {
      lineas.emplace_back();
      columna = 0;
    } else {
      std::string& l = lineas.back();
      if (l.size() <= columna) {
        l.resize(columna + 1, ' ');
      }
      l[columna++] = c;
    }
  }
  std::string texto;
  for (std::size_t i = 0; i < lineas.size(); ++i) {
    const std::size_t fin = lineas[i].find_last_not_of(' ');
    texto += fin == std::string::npos ? "" : lineas[i].substr(0, fin + 1);
    if (i + 1 < lineas.size()) {
      texto += '\n';
    }
  }
  return texto;
}

// The longest stretch of characters between line starts ("\r" or "\n"), which a terminal of
// fewer columns would wrap.
std::size_t mas_larga(const std::string& bytes) {
  std::size_t mayor = 0;
  std::size_t actual = 0;
  for (const char c : bytes) {
    actual = c == '\r' || c == '\n' ? 0 : actual + 1;
    mayor = std::max(mayor, actual);
  }
  return mayor;
}

struct resultado {
  std::string terminal;  // every byte the program wrote to the terminal
  int estado = -1;
};

// Runs `programa` with standard input from `entrada`, standard error on a new pseudo-terminal and
// standard output on that terminal too or, when `salida` is not empty, in that file. With
// `interrumpir`, the program is sent SIGINT as soon as the terminal shows a progress line. A
// window of `columnas` columns, or none at all for 0.
resultado ejecutar_en_terminal(const std::string& programa, const std::string& entrada,
                               const std::string& salida, const std::string& directorio,
                               unsigned short columnas, bool interrumpir = false) {
  const int maestro = ::posix_openpt(O_RDWR | O_NOCTTY);
  if (maestro < 0 || ::grantpt(maestro) != 0 || ::unlockpt(maestro) != 0) {
    throw std::runtime_error("no pseudo-terminal");
  }
  if (columnas > 0) {
    const winsize ventana{24, columnas, 0, 0};
    if (::ioctl(maestro, TIOCSWINSZ, &ventana) != 0) {
      throw std::runtime_error("cannot set the window size of the pseudo-terminal");
    }
  }
  const std::string esclavo = ::ptsname(maestro);
  const pid_t hijo = ::fork();
  if (hijo == 0) {
    ::close(maestro);
    const int tty = ::open(esclavo.c_str(), O_RDWR | O_NOCTTY);
    const int in = ::open(entrada.c_str(), O_RDONLY);
    const int out =
        salida.empty() ? tty : ::open(salida.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (tty < 0 || in < 0 || out < 0 || ::chdir(directorio.c_str()) != 0) {
      std::_Exit(127);
    }
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(tty, 2);
    ::execl(programa.c_str(), programa.c_str(), static_cast<char*>(nullptr));
    std::_Exit(127);
  }
  resultado r;
  char bloque[4096];
  for (;;) {
    // Once the program has ended and closed the terminal, reading fails with EIO.
    const ssize_t leidos = ::read(maestro, bloque, sizeof bloque);
    if (leidos > 0) {
      r.terminal.append(bloque, static_cast<std::size_t>(leidos));
      if (interrumpir && r.terminal.find(" % hecho") != std::string::npos) {
        ::kill(hijo, SIGINT);
        interrumpir = false;
      }
    } else if (leidos < 0 && errno == EINTR) {
      continue;
    } else {
      break;
    }
  }
  ::waitpid(hijo, &r.estado, 0);
  ::close(maestro);
  return r;
}

int comprobar(std::vector<std::string> args) {
  std::string directorio = ".";
  unsigned short columnas = 0;
  std::string muestra;
  bool callado_si_compartida = false;
  bool interrumpir = false;
  while (!args.empty() && args[0].rfind("--", 0) == 0) {
    if (args[0] == "--cwd" && args.size() >= 2) {
      directorio = args[1];
      args.erase(args.begin());
    } else if (args[0] == "--columns" && args.size() >= 2) {
      columnas = static_cast<unsigned short>(std::stoi(args[1]));
      args.erase(args.begin());
    } else if (args[0] == "--shows" && args.size() >= 2) {
      muestra = args[1];
      args.erase(args.begin());
    } else if (args[0] == "--quiet-when-shared") {
      callado_si_compartida = true;
    } else if (args[0] == "--interrupt") {
      interrumpir = true;
    } else {
      break;
    }
    args.erase(args.begin());
  }
  if (args.size() != 3) {
    std::cerr << "usage: terminal [--cwd DIR] [--columns N] [--shows TEXT] [--quiet-when-shared] "
                 "[--interrupt] PROGRAM STDIN EXPECTED_STDOUT\n";
    return 2;
  }
  args[1] = fs::absolute(args[1]).string();
  const std::string programa = fs::absolute(args[0]).string();
  const std::string esperado = leer(args[2]);
  bool bien = true;
  const auto fallo = [&bien](const std::string& que, const std::string& texto) {
    bien = false;
    std::cout << "FAILED: " << que << "\n--- terminal:\n" << texto << "\n---\n";
  };

  const fs::path salida = fs::temp_directory_path() / ("terminal." + std::to_string(::getpid()));
  // The widest line that fits the window without wrapping.
  const std::size_t ancho = (columnas > 0 ? columnas : 80U) - 1;
  const auto comprobar_ancho = [&](const std::string& run, const std::string& terminal) {
    if (mas_larga(terminal) > ancho) {
      fallo(run + ": a line of " + std::to_string(mas_larga(terminal)) +
                " characters, where the terminal takes " + std::to_string(ancho),
            terminal);
    }
  };
  const resultado uno =
      ejecutar_en_terminal(programa, args[1], salida.string(), directorio, columnas);
  const std::string escrito = leer(salida);
  fs::remove(salida);
  if (!WIFEXITED(uno.estado) || WEXITSTATUS(uno.estado) != 0) {
    fallo("run 1 did not end with status 0", uno.terminal);
  }
  if (escrito != esperado) {
    fallo("run 1: standard output differs:\n" + escrito, uno.terminal);
  }
  if (uno.terminal.find('\r') == std::string::npos ||
      uno.terminal.find(" % hecho") == std::string::npos) {
    fallo("run 1 showed no progress line on the terminal", uno.terminal);
  }
  if (!pantalla(uno.terminal).empty()) {
    fallo("run 1 left text on the terminal", pantalla(uno.terminal));
  }
  comprobar_ancho("run 1", uno.terminal);
  if (uno.terminal.find(muestra) == std::string::npos) {
    fallo("run 1 never showed \"" + muestra + "\"", uno.terminal);
  }

  const resultado dos = ejecutar_en_terminal(programa, args[1], "", directorio, columnas);
  if (!WIFEXITED(dos.estado) || WEXITSTATUS(dos.estado) != 0) {
    fallo("run 2 did not end with status 0", dos.terminal);
  }
  if (pantalla(dos.terminal) != esperado) {
    fallo("run 2: the terminal does not show exactly the standard output", pantalla(dos.terminal));
  }
  if (callado_si_compartida && dos.terminal.find(" % hecho") != std::string::npos) {
    fallo("run 2 showed a progress line on the terminal of its standard output", dos.terminal);
  }
  if (interrumpir) {
    const resultado tres =
        ejecutar_en_terminal(programa, args[1], "/dev/null", directorio, columnas, true);
    if (!WIFSIGNALED(tres.estado) || WTERMSIG(tres.estado) != SIGINT) {
      fallo("run 3 did not end by SIGINT", tres.terminal);
    }
    if (!pantalla(tres.terminal).empty()) {
      fallo("run 3 left text on the terminal", pantalla(tres.terminal));
    }
    comprobar_ancho("run 3", tres.terminal);
  }

  if (bien) {
    std::cout << "ok: " << std::count(uno.terminal.begin(), uno.terminal.end(), '%')
              << " progress lines in run 1, the longest " << mas_larga(uno.terminal)
              << " characters\n";
  }
  return bien ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return comprobar({argv + 1, argv + argc});
  } catch (const std::exception& error) {
    std::cerr << "terminal: " << error.what() << '\n';
    return 2;
  }
}
