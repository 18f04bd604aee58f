// golden: runs a program on one test case in a scratch directory and compares bytes.
//
//   golden [--sanitized] [--emulator COMMAND] [--result NAME] [--version V] PROGRAM CASE_DIR
//
// With --emulator, PROGRAM is a binary for another machine and runs as COMMAND PROGRAM, COMMAND
// being split at blanks ("qemu-aarch64 -L /usr/aarch64-linux-gnu").
// A case is a folder. Every entry in it is copied into an empty working directory, except these:
//   stdin             standard input of the run (otherwise /dev/null)
//   args              the program's arguments, one a line, each taken whole, blanks included
//                     (otherwise none)
//   expected.stdout   what standard output must hold, byte for byte
//   expected.stderr   what standard error must hold; absent: it must stay empty
//                     (in an expected file, {N} stands for one integer: a figure that differs
//                     from run to run, as the stack left to a program does; {VERSION} for the
//                     version given with --version, the project's)
//   expected.status   the exit status (a number); absent: 0
//   expected.NAME     what file NAME in the working directory must hold afterwards
//   setup             one directive a line, applied after the copy:
//                       mkdir NAME          create a directory NAME
//                       symlink TARGET NAME create a symbolic link NAME -> TARGET
//                       link TARGET NAME    create a hard link NAME to the file TARGET
//                       stdout PATH         send standard output to PATH (say /dev/full), or
//                                           leave it closed with "stdout closed"; the
//                                           expected.stdout file is then not consulted
//                       stdin PATH          take standard input from PATH (relative to the
//                                           working directory: "." is a directory), or leave it
//                                           closed with "stdin closed"
//                       stderr PATH         send standard error to PATH, or leave it closed
//                                           with "stderr closed"; expected.stderr is then not
//                                           consulted
//                       readonly NAME       make file NAME read-only; when the runner is root,
//                                           who may write it anyway, the program runs as the
//                                           user nobody
//                       private NAME        make directory NAME closed to all but its owner; the
//                                           program runs as the user nobody when the runner is
//                                           root (who may enter it anyway)
//                       running SECONDS     the program must still be running after SECONDS
//                                           (it is then stopped and its status not checked)
//                       memory MIB          limit the program's address space to MIB MiB, so
//                                           that reserving memory it cannot need fails; ignored
//                                           with --sanitized (the sanitizers reserve terabytes)
//                                           and with --emulator (qemu-user reserves the guest's
//                                           whole address space for itself)
//                       stack KIB           limit the program's stack to KIB KiB (ulimit -s)
//                       environment BYTES   add to the program's environment a variable PAD of
//                                           BYTES bytes, which take as much of its stack
//                       fifo NAME [SOURCE]  make NAME a named pipe, through which a writer
//                                           process feeds the bytes of the case's file SOURCE;
//                                           without SOURCE nobody opens its other end
// A program run as nobody is run from a copy in the scratch directory, which nobody can reach
// wherever the build tree lies (under a home directory of mode 0700, say).
// With --result NAME the program must leave a file NAME in every run; it must hold
// expected.NAME, or be empty when the case has none. Apart from that file, the run must create
// nothing in its working directory. The program must end by exit, never by a signal.

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int segundos_maximos = 120;

std::string leer(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// Shows bytes so that blanks, line ends and control characters can be told apart.
std::string visible(const std::string& s) {
  std::ostringstream o;
  for (const char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '\n') {
      o << "\\n\n";
    } else if (c == ' ') {
      o << "\xC2\xB7";  // middle dot
    } else if (c < 0x20 || c >= 0x7f) {
      o << "\\x" << std::hex << static_cast<int>(c) << std::dec;
    } else {
      o << ch;
    }
  }
  return o.str();
}

// Whether `real` is `esperado`, each {N} in which stands for one integer.
bool coincide(std::string_view esperado, std::string_view real) {
  const std::size_t n = esperado.find("{N}");
  if (n == std::string_view::npos || real.substr(0, n) != esperado.substr(0, n)) {
    return esperado == real;
  }
  std::size_t i = n < real.size() && real[n] == '-' ? n + 1 : n;
  const std::size_t cifras = i;
  while (i < real.size() && real[i] >= '0' && real[i] <= '9') {
    ++i;
  }
  return i > cifras && coincide(esperado.substr(n + 3), real.substr(i));
}

struct informe {
  bool bien = true;
  std::string version;  // what {VERSION} stands for
  void comparar(const std::string& que, std::string esperado, const std::string& real) {
    for (auto i = esperado.find("{VERSION}"); i != std::string::npos;
         i = esperado.find("{VERSION}")) {
      esperado.replace(i, 9, version);
    }
    if (coincide(esperado, real)) {
      return;
    }
    bien = false;
    std::size_t i = 0;
    while (i < esperado.size() && i < real.size() && esperado[i] == real[i]) {
      ++i;
    }
    std::cout << "MISMATCH in " << que << " at byte " << i << "\n--- expected:\n"
              << visible(esperado) << "\n--- actual:\n"
              << visible(real) << "\n---\n";
  }
  void fallo(const std::string& que) {
    bien = false;
    std::cout << "FAILED: " << que << "\n";
  }
};

struct preparacion {
  std::optional<std::string> salida;   // where standard output goes, if not captured
  std::optional<double> corriendo;     // seconds the program must keep running
  std::optional<long> memoria_mib;     // limit of the address space
  std::optional<long> pila_kib;        // limit of the stack
  std::size_t relleno = 0;             // bytes of the environment variable PAD
  std::optional<std::string> entrada;  // where standard input comes from, if not the case's
  std::optional<std::string> errores;  // where standard error goes, if not captured
  bool errores_cerrado = false;        // standard error closed
  bool como_nadie = false;             // run as the user nobody (the runner is root)
  std::optional<std::pair<fs::path, fs::path>> tuberia;  // named pipe and what is fed through it
};

preparacion preparar(const fs::path& caso, const fs::path& trabajo) {
  preparacion p;
  std::ifstream f(caso / "setup");
  std::string linea;
  while (std::getline(f, linea)) {
    std::istringstream palabras(linea);
    std::string orden;
    std::string a;
    std::string b;
    palabras >> orden >> a >> b;
    if (orden.empty()) {
      continue;
    }
    if (orden == "mkdir") {
      fs::create_directory(trabajo / a);
    } else if (orden == "symlink") {
      fs::create_symlink(a, trabajo / b);
    } else if (orden == "link") {
      fs::create_hard_link(trabajo / a, trabajo / b);
    } else if (orden == "stdout") {
      p.salida = a;
    } else if (orden == "running") {
      p.corriendo = std::stod(a);
    } else if (orden == "memory") {
      p.memoria_mib = std::stol(a);
    } else if (orden == "stack") {
      p.pila_kib = std::stol(a);
    } else if (orden == "environment") {
      p.relleno = std::stoul(a);
    } else if (orden == "stdin") {
      p.entrada = a;
    } else if (orden == "stderr") {
      p.errores_cerrado = a == "closed";
      p.errores = a;
    } else if (orden == "readonly") {
      fs::permissions(trabajo / a,
                      fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
      p.como_nadie = ::geteuid() == 0;
    } else if (orden == "private") {
      fs::permissions(trabajo / a, fs::perms::owner_all);
      p.como_nadie = ::geteuid() == 0;
    } else if (orden == "fifo") {
      if (::mkfifo((trabajo / a).c_str(), 0644) != 0) {
        throw std::runtime_error("cannot make the named pipe " + a);
      }
      if (!b.empty()) {
        p.tuberia = {trabajo / a, caso / b};
      }
    } else {
      throw std::runtime_error("unknown setup directive: " + linea);
    }
  }
  return p;
}

std::set<std::string> nombres(const fs::path& dir) {
  std::set<std::string> s;
  for (const auto& e : fs::directory_iterator(dir)) {
    s.insert(e.path().filename().string());
  }
  return s;
}

int abrir_o_morir(const std::string& ruta, int flags) {
  const int fd = ::open(ruta.c_str(), flags, 0644);
  if (fd < 0) {
    std::perror(ruta.c_str());
    std::_Exit(127);
  }
  return fd;
}

int ejecutar(std::vector<std::string> args) {
  bool con_sanitizadores = false;
  std::vector<std::string> emulador;
  std::optional<std::string> resultado;
  std::string version;
  while (!args.empty() && args[0].rfind("--", 0) == 0) {
    if (args[0] == "--sanitized") {
      con_sanitizadores = true;
      args.erase(args.begin());
    } else if (args.size() >= 2 && args[0] == "--emulator") {
      std::istringstream palabras(args[1]);
      emulador.assign(std::istream_iterator<std::string>(palabras), {});
      args.erase(args.begin(), args.begin() + 2);
    } else if (args.size() >= 2 && args[0] == "--result") {
      resultado = args[1];
      args.erase(args.begin(), args.begin() + 2);
    } else if (args.size() >= 2 && args[0] == "--version") {
      version = args[1];
      args.erase(args.begin(), args.begin() + 2);
    } else {
      break;
    }
  }
  if (args.size() != 2) {
    std::cerr << "usage: golden [--sanitized] [--emulator COMMAND] [--result NAME] [--version V] "
                 "PROGRAM CASE_DIR\n";
    return 2;
  }
  fs::path programa = fs::absolute(args[0]);
  const fs::path caso = fs::absolute(args[1]);

  std::string plantilla = (fs::temp_directory_path() / "golden.XXXXXX").string();
  if (::mkdtemp(plantilla.data()) == nullptr) {
    std::perror("mkdtemp");
    return 2;
  }
  const fs::path raiz = plantilla;
  const fs::path trabajo = raiz / "work";
  fs::create_directory(trabajo);

  const std::set<std::string> reservados = {"stdin", "setup", "args"};
  for (const auto& e : fs::directory_iterator(caso)) {
    const std::string nombre = e.path().filename().string();
    if (reservados.count(nombre) != 0 || nombre.rfind("expected.", 0) == 0) {
      continue;
    }
    fs::copy(e.path(), trabajo / nombre, fs::copy_options::recursive);
  }
  const preparacion prep = preparar(caso, trabajo);
  if (prep.como_nadie) {
    const fs::perms abierto = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                              fs::perms::others_read | fs::perms::others_exec;
    fs::permissions(raiz, abierto);
    const fs::path copia = raiz / "bin";
    fs::create_directory(copia);
    fs::permissions(copia, abierto);
    fs::copy_file(programa, copia / programa.filename());
    programa = copia / programa.filename();
    fs::permissions(programa, abierto);
  }
  const std::set<std::string> antes = nombres(trabajo);

  const std::string entrada =
      prep.entrada.value_or(fs::exists(caso / "stdin") ? (caso / "stdin").string() : "/dev/null");
  const std::string salida = prep.salida.value_or((raiz / "stdout").string());
  const std::string errores = prep.errores.value_or((raiz / "stderr").string());

  std::vector<std::string> orden = emulador;
  orden.push_back(programa.string());
  {
    std::ifstream argumentos(caso / "args");
    std::string argumento;
    while (std::getline(argumentos, argumento)) {
      orden.push_back(argumento);
    }
  }
  std::vector<char*> argv;
  argv.reserve(orden.size() + 1);
  for (std::string& palabra : orden) {
    argv.push_back(palabra.data());
  }
  argv.push_back(nullptr);

  const pid_t hijo = ::fork();
  if (hijo == 0) {
    if (::chdir(trabajo.c_str()) != 0) {
      std::_Exit(127);
    }
    if (entrada != "closed") {
      ::dup2(abrir_o_morir(entrada, O_RDONLY), 0);
    }
    if (!prep.errores_cerrado) {
      ::dup2(abrir_o_morir(errores, O_WRONLY | O_CREAT | O_TRUNC), 2);
    }
    if (salida != "closed") {
      ::dup2(abrir_o_morir(salida, O_WRONLY | O_CREAT | O_TRUNC), 1);
    }
    // Closed last, so that no other file takes their numbers.
    if (entrada == "closed") {
      ::close(0);
    }
    if (salida == "closed") {
      ::close(1);
    }
    if (prep.errores_cerrado) {
      ::close(2);
    }
    if (prep.como_nadie && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
      std::_Exit(127);
    }
    if (prep.memoria_mib && !con_sanitizadores && emulador.empty()) {
      const auto bytes = static_cast<rlim_t>(*prep.memoria_mib) * 1024 * 1024;
      const rlimit limite{bytes, bytes};
      ::setrlimit(RLIMIT_AS, &limite);
    }
    if (prep.pila_kib) {
      rlimit limite{};
      ::getrlimit(RLIMIT_STACK, &limite);
      limite.rlim_cur = static_cast<rlim_t>(*prep.pila_kib) * 1024;
      ::setrlimit(RLIMIT_STACK, &limite);
    }
    if (prep.relleno > 0) {
      ::setenv("PAD", std::string(prep.relleno, 'x').c_str(), 1);
    }
    ::execvp(argv[0], argv.data());
    std::_Exit(127);
  }

  // The writer of a named pipe: it blocks until the program opens the pipe, writes the bytes and
  // ends (or dies of SIGPIPE if the program stops reading early).
  pid_t escritor = -1;
  if (prep.tuberia) {
    escritor = ::fork();
    if (escritor == 0) {
      const std::string bytes = leer(prep.tuberia->second);
      const int fd = abrir_o_morir(prep.tuberia->first.string(), O_WRONLY);
      std::size_t hecho = 0;
      while (hecho < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + hecho, bytes.size() - hecho);
        if (n <= 0) {
          std::_Exit(1);
        }
        hecho += static_cast<std::size_t>(n);
      }
      std::_Exit(0);
    }
  }

  informe inf;
  inf.version = version;
  int estado = 0;
  const auto inicio = std::chrono::steady_clock::now();
  const double espera = prep.corriendo.value_or(segundos_maximos);
  bool terminado = false;
  while (std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count() <
         espera) {
    if (::waitpid(hijo, &estado, WNOHANG) == hijo) {
      terminado = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  if (!terminado) {
    ::kill(hijo, SIGKILL);
    ::waitpid(hijo, &estado, 0);
    if (!prep.corriendo) {
      inf.fallo("program still running after " + std::to_string(segundos_maximos) + " s");
    }
  } else if (prep.corriendo) {
    inf.fallo("program ended before " + std::to_string(*prep.corriendo) + " s");
  }

  if (terminado) {
    if (WIFSIGNALED(estado)) {
      inf.fallo("killed by signal " + std::to_string(WTERMSIG(estado)));
    } else {
      const std::string esperado =
          fs::exists(caso / "expected.status") ? leer(caso / "expected.status") : std::string("0");
      inf.comparar("exit status", std::to_string(std::stoi(esperado)),
                   std::to_string(WEXITSTATUS(estado)));
    }
  }
  if (escritor > 0) {
    ::kill(escritor, SIGKILL);  // in case the program never opened the pipe
    ::waitpid(escritor, nullptr, 0);
  }
  if (!prep.salida) {
    inf.comparar("standard output", leer(caso / "expected.stdout"), leer(salida));
  }
  if (!prep.errores) {
    inf.comparar("standard error",
                 fs::exists(caso / "expected.stderr") ? leer(caso / "expected.stderr") : "",
                 leer(errores));
  }

  // Files the program leaves: the result file, and nothing else new.
  std::set<std::string> permitidos = antes;
  if (resultado) {
    permitidos.insert(*resultado);
    const fs::path r = trabajo / *resultado;
    if (!fs::exists(fs::symlink_status(r))) {
      inf.fallo("no " + *resultado + " after the run");
    } else if (fs::is_regular_file(fs::symlink_status(r))) {
      const fs::path esperado = caso / ("expected." + *resultado);
      inf.comparar(*resultado, fs::exists(esperado) ? leer(esperado) : "", leer(r));
    }
  }
  for (const auto& e : fs::directory_iterator(caso)) {
    const std::string nombre = e.path().filename().string();
    const std::string prefijo = "expected.";
    if (nombre.rfind(prefijo, 0) != 0) {
      continue;
    }
    const std::string fichero = nombre.substr(prefijo.size());
    if (fichero == "stdout" || fichero == "stderr" || fichero == "status" || fichero == resultado) {
      continue;
    }
    inf.comparar(fichero, leer(e.path()), leer(trabajo / fichero));
  }
  for (const auto& nombre : nombres(trabajo)) {
    if (permitidos.count(nombre) == 0) {
      inf.fallo("the run created " + nombre);
    }
  }

  fs::remove_all(raiz);
  if (inf.bien) {
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
    std::cerr << "golden: " << error.what() << '\n';
    return 2;
  }
}
