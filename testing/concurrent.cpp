// concurrent: two runs of vecprod that write one result file at the same time.
//
//   concurrent PROGRAM
//
// Two working directories, uno/ and dos/, each with its own vec.dat, and a res_1.dat that is a
// symbolic link to one shared file, compartido (mode 0640, holding an old result):
//   1. A starts in uno/, where vec.dat is a named pipe that this runner feeds: A opens it,
//      empties the shared file, reads the first values and waits for the rest.
//   2. B runs in dos/ from start to end: the shared file holds B's result.
//   3. The runner feeds A the rest of its values; A ends.
// Both must end with status 0, and the shared file must then hold A's whole result, the last
// one written, with its mode kept; nothing else may be left in the three directories. A run that
// wrote into the file that B had already written would leave A's result over the tail of B's.

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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

// Starts `orden` in `dir`, its standard output and error to the files `salida` (so as to leave
// the working directory as the program left it).
pid_t lanzar(const std::vector<std::string>& orden, const fs::path& dir, const fs::path& salida) {
  std::vector<char*> argv;
  argv.reserve(orden.size() + 1);
  for (const auto& a : orden) {
    argv.push_back(const_cast<char*>(a.c_str()));
  }
  argv.push_back(nullptr);
  const pid_t hijo = ::fork();
  if (hijo == 0) {
    const int fd = ::open(salida.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::chdir(dir.c_str()) != 0) {
      std::_Exit(127);
    }
    ::dup2(fd, 1);
    ::dup2(fd, 2);
    ::execvp(argv[0], argv.data());
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

int ejecutar(std::vector<std::string> args) {
  if (args.size() != 1) {
    std::cerr << "usage: concurrent PROGRAM\n";
    return 2;
  }
  const std::vector<std::string> orden = {fs::absolute(args[0]).string()};

  std::string plantilla = (fs::temp_directory_path() / "concurrent.XXXXXX").string();
  if (::mkdtemp(plantilla.data()) == nullptr) {
    throw std::runtime_error("cannot make a scratch directory");
  }
  const fs::path raiz = plantilla;
  const fs::path uno = raiz / "uno";
  const fs::path dos = raiz / "dos";
  const fs::path compartido = raiz / "compartido";
  fs::create_directory(uno);
  fs::create_directory(dos);
  escribir(compartido, "old result\n");
  fs::permissions(compartido,
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::create_symlink("../compartido", uno / "res_1.dat");
  fs::create_symlink("../compartido", dos / "res_1.dat");
  escribir(dos / "vec.dat", "3\n10 20 30\n40 50 60\n");
  if (::mkfifo((uno / "vec.dat").c_str(), 0644) != 0) {
    throw std::runtime_error("cannot make the named pipe");
  }

  bool bien = true;
  const auto fallo = [&bien](const std::string& que) {
    bien = false;
    std::cout << "FAILED: " << que << "\n";
  };

  // 1. A opens the pipe (the open of its writing end waits for that), then empties the file.
  const pid_t a = lanzar(orden, uno, raiz / "salida_a");
  const int tuberia = ::open((uno / "vec.dat").c_str(), O_WRONLY);
  const std::string primera_parte = "3\n1 2 3\n4 5";
  if (tuberia < 0 || ::write(tuberia, primera_parte.data(), primera_parte.size()) !=
                         static_cast<ssize_t>(primera_parte.size())) {
    throw std::runtime_error("cannot feed the named pipe");
  }
  const auto inicio = std::chrono::steady_clock::now();
  while (fs::file_size(compartido) != 0) {
    if (std::chrono::steady_clock::now() - inicio > std::chrono::seconds(60)) {
      ::kill(a, SIGKILL);
      throw std::runtime_error("the first run never emptied the result file");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }

  // 2. B, from start to end.
  const int estado_b = esperar(lanzar(orden, dos, raiz / "salida_b"));
  if (estado_b != 0) {
    fallo("the second run ended with status " + std::to_string(estado_b) + ": " +
          leer(raiz / "salida_b"));
  }
  const std::string resultado_b = "-300,\n600,\n-300,\n";
  if (leer(compartido) != resultado_b) {
    fallo("after the second run the result file holds [" + leer(compartido) + "]");
  }

  // 3. The rest of A's values.
  const std::string resto = " 6\n";
  if (::write(tuberia, resto.data(), resto.size()) != static_cast<ssize_t>(resto.size())) {
    throw std::runtime_error("cannot feed the named pipe");
  }
  ::close(tuberia);
  const int estado_a = esperar(a);
  if (estado_a != 0) {
    fallo("the first run ended with status " + std::to_string(estado_a) + ": " +
          leer(raiz / "salida_a"));
  }
  const std::string resultado_a = "-3,\n6,\n-3,\n";
  if (leer(compartido) != resultado_a) {
    fallo("the result file holds [" + leer(compartido) + "], not the first run's whole result [" +
          resultado_a + "]");
  }
  const auto modo = fs::status(compartido).permissions() & fs::perms::mask;
  if (modo != (fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read)) {
    fallo("the result file lost its mode 0640");
  }
  if (nombres(uno) != std::set<std::string>{"res_1.dat", "vec.dat"} ||
      nombres(dos) != std::set<std::string>{"res_1.dat", "vec.dat"} ||
      nombres(raiz) != std::set<std::string>{"compartido", "dos", "salida_a", "salida_b", "uno"}) {
    fallo("the runs left files behind");
  }
  if (!fs::is_symlink(uno / "res_1.dat") || !fs::is_symlink(dos / "res_1.dat")) {
    fallo("a run replaced the symbolic link res_1.dat instead of the file it points to");
  }

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
