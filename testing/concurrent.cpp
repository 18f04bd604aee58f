// concurrent: a run of vecprod whose result file is changed by another process while it runs.
//
//   concurrent PROGRAM SCENARIO
//
// A run A starts in uno/, where vec.dat is a named pipe that this runner feeds: A opens it,
// empties its res_1.dat, reads the first values and waits for the rest. Meanwhile the scenario
// changes the result file; then the runner feeds A the rest of its values and A ends.
//   replaced  uno/res_1.dat and dos/res_1.dat are symbolic links to one file, compartido (mode
//             0640), and a run B in dos/ goes from start to end meanwhile, putting its result in
//             compartido's place. A must end with status 1, saying so, and leave B's whole
//             result in compartido, with its mode.
//   in_place  the same, but uno/res_1.dat, dos/res_1.dat and compartido are hard links of one
//             file, which both runs write in place. B's result is the longer: compartido must end
//             with A's whole result, not A's over the tail of B's. Both end with status 0.
//   swapped   uno/res_1.dat is a file of its own, which is removed meanwhile and replaced by a
//             symbolic link to etc/secreto (mode 0600, with a second hard link, etc/otro). A must
//             end with status 1, saying so, and leave secreto as it was: its bytes, its mode and
//             its two links.
// In every scenario the runs must leave nothing else behind.

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <iterator>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string leer(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

void escribir(const fs::path& p, const std::string& texto) {
  std::ofstream(p, std::ios::binary) << texto;
}

// Starts `programa` in `dir`, its standard output and error to the file `salida` (so as to leave
// the working directory as the program left it).
pid_t lanzar(const std::string& programa, const fs::path& dir, const fs::path& salida) {
  const pid_t hijo = ::fork();
  if (hijo == 0) {
    const int fd = ::open(salida.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::chdir(dir.c_str()) != 0) {
      std::_Exit(127);
    }
    ::dup2(fd, 1);
    ::dup2(fd, 2);
    ::execl(programa.c_str(), programa.c_str(), static_cast<char*>(nullptr));
    std::_Exit(127);
  }
  return hijo;
}

int esperar(pid_t hijo) {
  int estado = 0;
  ::waitpid(hijo, &estado, 0);
  return WIFEXITED(estado) ? WEXITSTATUS(estado) : 128 + WTERMSIG(estado);
}

std::set<std::string> nombres(const fs::path& dir) {
  std::set<std::string> s;
  for (const auto& e : fs::directory_iterator(dir)) {
    s.insert(e.path().filename().string());
  }
  return s;
}

void escribir_en(int fd, const std::string& texto) {
  if (::write(fd, texto.data(), texto.size()) != static_cast<ssize_t>(texto.size())) {
    throw std::runtime_error("cannot feed the named pipe");
  }
}

const std::string resultado_a = "-3,\n6,\n-3,\n";
const std::string resultado_b = "-300,\n600,\n-300,\n";
const std::string sustituido =
    "vecprod: res_1.dat: se ha quitado o sustituido durante la ejecucion; no se escribe el "
    "resultado\n";
constexpr auto modo_compartido =
    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;

int ejecutar(const std::vector<std::string>& args) {
  if (args.size() != 2) {
    std::cerr << "usage: concurrent PROGRAM replaced|in_place|swapped\n";
    return 2;
  }
  const std::string programa = fs::absolute(args[0]).string();
  const std::string& escenario = args[1];

  std::string plantilla = (fs::temp_directory_path() / "concurrent.XXXXXX").string();
  if (::mkdtemp(plantilla.data()) == nullptr) {
    throw std::runtime_error("cannot make a scratch directory");
  }
  const fs::path raiz = plantilla;
  const fs::path uno = raiz / "uno";
  const fs::path dos = raiz / "dos";
  const fs::path compartido = raiz / "compartido";
  const fs::path secreto = raiz / "etc" / "secreto";
  fs::create_directory(uno);
  fs::create_directory(dos);
  std::set<std::string> en_raiz = {"dos", "salida_a", "uno"};
  std::function<void()> mientras;  // what happens while A waits
  if (escenario == "swapped") {
    fs::create_directory(raiz / "etc");
    escribir(secreto, "secreto\n");
    fs::permissions(secreto, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_hard_link(secreto, raiz / "etc" / "otro");
    escribir(uno / "res_1.dat", "viejo\n");
    en_raiz.insert("etc");
    mientras = [&] {
      fs::remove(uno / "res_1.dat");
      fs::create_symlink("../etc/secreto", uno / "res_1.dat");
    };
  } else if (escenario == "replaced" || escenario == "in_place") {
    escribir(compartido, "old result\n");
    fs::permissions(compartido, modo_compartido);
    if (escenario == "replaced") {
      fs::create_symlink("../compartido", uno / "res_1.dat");
      fs::create_symlink("../compartido", dos / "res_1.dat");
    } else {
      fs::create_hard_link(compartido, uno / "res_1.dat");
      fs::create_hard_link(compartido, dos / "res_1.dat");
    }
    escribir(dos / "vec.dat", "3\n10 20 30\n40 50 60\n");
    en_raiz.insert({"compartido", "salida_b"});
    mientras = [&] {
      const int estado_b = esperar(lanzar(programa, dos, raiz / "salida_b"));
      if (estado_b != 0 || leer(compartido) != resultado_b) {
        throw std::runtime_error("the second run ended with status " + std::to_string(estado_b) +
                                 " and the result [" + leer(compartido) + "]");
      }
    };
  } else {
    throw std::runtime_error("no scenario " + escenario);
  }
  if (::mkfifo((uno / "vec.dat").c_str(), 0644) != 0) {
    throw std::runtime_error("cannot make the named pipe");
  }

  // A opens the pipe (the open of its writing end waits for that), then empties its result file.
  const pid_t a = lanzar(programa, uno, raiz / "salida_a");
  const int tuberia = ::open((uno / "vec.dat").c_str(), O_WRONLY);
  if (tuberia < 0) {
    throw std::runtime_error("cannot open the named pipe");
  }
  escribir_en(tuberia, "3\n1 2 3\n4 5");
  const auto inicio = std::chrono::steady_clock::now();
  while (fs::file_size(uno / "res_1.dat") != 0) {
    if (std::chrono::steady_clock::now() - inicio > std::chrono::seconds(60)) {
      ::kill(a, SIGKILL);
      throw std::runtime_error("the first run never emptied its result file");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  mientras();
  escribir_en(tuberia, " 6\n");
  ::close(tuberia);
  const int estado_a = esperar(a);
  const std::string salida_a = leer(raiz / "salida_a");

  bool bien = true;
  const auto comprobar = [&bien](bool cierto, const std::string& que) {
    if (!cierto) {
      bien = false;
      std::cout << "FAILED: " << que << "\n";
    }
  };
  const std::string consola_a = "1,2,3,\n4,5,6,\nEl producto vectorial es" + resultado_a;
  if (escenario == "in_place") {
    comprobar(estado_a == 0 && salida_a == consola_a,
              "the first run ended with status " + std::to_string(estado_a) + ": " + salida_a);
  } else {
    comprobar(estado_a == 1 && salida_a == consola_a + sustituido,
              "the first run did not refuse a result file that was no longer its own: status " +
                  std::to_string(estado_a) + ": " + salida_a);
  }
  if (escenario == "swapped") {
    comprobar(leer(secreto) == "secreto\n" &&
                  (fs::status(secreto).permissions() & fs::perms::mask) ==
                      (fs::perms::owner_read | fs::perms::owner_write) &&
                  fs::hard_link_count(secreto) == 2,
              "the file at the end of the link was changed: [" + leer(secreto) + "]");
    comprobar(fs::is_symlink(uno / "res_1.dat"), "the link was replaced");
  } else {
    comprobar(leer(compartido) == (escenario == "replaced" ? resultado_b : resultado_a),
              "the shared file holds [" + leer(compartido) + "], not one run's whole result");
    comprobar((fs::status(compartido).permissions() & fs::perms::mask) == modo_compartido,
              "the result file lost its mode 0640");
    comprobar(escenario == "in_place" || fs::is_symlink(dos / "res_1.dat"),
              "a run replaced the symbolic link res_1.dat instead of the file it points to");
  }
  comprobar(nombres(uno) == std::set<std::string>{"res_1.dat", "vec.dat"} &&
                (escenario == "swapped" ||
                 nombres(dos) == std::set<std::string>{"res_1.dat", "vec.dat"}) &&
                nombres(raiz) == en_raiz,
            "the runs left files behind");

  fs::remove_all(raiz);
  if (bien) {
    std::cout << "ok\n";
    return 0;
  }
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return ejecutar({argv + 1, argv + argc});
  } catch (const std::exception& error) {
    std::cerr << "concurrent: " << error.what() << '\n';
    return 2;
  }
}
