#include "fichero_resultado.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/xattr.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <filesystem>
#include <system_error>
#include <thread>
#include <utility>

#include "fallo.hpp"
#include "senales.hpp"

namespace {

// What the error of a failed call means, in the user's words; the error's number where it is
// none of these.
std::string motivo(int error) {
  constexpr std::array<std::pair<int, const char*>, 14> motivos = {{
      {EACCES, "permiso denegado"},
      {EPERM, "permiso denegado"},
      {ENOSPC, "no queda espacio en el dispositivo"},
      {EDQUOT, "se ha agotado la cuota de disco"},
      {EROFS, "el sistema de ficheros es de solo lectura"},
      {EISDIR, "es un directorio"},
      {ENOENT, "no existe el directorio al que lleva"},
      {ENOTDIR, "una parte de la ruta no es un directorio"},
      {ELOOP, "demasiados enlaces simbolicos en la ruta"},
      {ENAMETOOLONG, "la ruta es demasiado larga"},
      {EMFILE, "demasiados ficheros abiertos"},
      {ENFILE, "demasiados ficheros abiertos"},
      {EIO, "error de entrada y salida del dispositivo"},
      {EFBIG, "el fichero seria demasiado grande"},
  }};
  for (const auto& [numero, texto] : motivos) {
    if (numero == error) {
      return texto;
    }
  }
  return "error " + std::to_string(error) + " del sistema";
}

// Whether the file has extended attributes, an ACL among them, which a new file in its place
// would not have. A file system without attributes gives none; any other doubt counts as some.
bool tiene_atributos(int fd) {
  const ssize_t n = ::flistxattr(fd, nullptr, 0);
  return n > 0 || (n < 0 && errno != ENOTSUP);
}

// The new file while it exists, for the handler of the signals that stop a run. A handler can
// only see such variables, and make async-signal-safe calls (unlinkat, raise).
volatile std::sig_atomic_t hay_temporal = 0;
int dir_temporal = -1;
std::array<char, NAME_MAX + 1> nombre_temporal{};

// On SIGINT, SIGTERM or SIGHUP while the new file exists: it is removed, and the signal raised
// again (senales.hpp).
extern "C" void quitar_temporal_y_terminar(int senal) {
  if (hay_temporal != 0) {
    ::unlinkat(dir_temporal, nombre_temporal.data(), 0);
  }
  ::raise(senal);
}

constexpr const char* sustituido =
    "se ha quitado o sustituido durante la ejecucion; no se escribe el resultado";

}  // namespace

fichero_resultado::fichero_resultado(std::string nombre, funcion_escritura escritura)
    : nombre_(std::move(nombre)), escritura_(escritura) {
  struct stat fichero {};
  const bool existe = ::stat(nombre_.c_str(), &fichero) == 0;
  const auto es_el_de = [&](int fd) {
    struct stat abierto {};
    return existe && S_ISREG(fichero.st_mode) && ::fstat(fd, &abierto) == 0 &&
           abierto.st_dev == fichero.st_dev && abierto.st_ino == fichero.st_ino;
  };
  if (es_el_de(1)) {
    fallar("es la salida estandar; no se escribe en el para no mezclar el resultado con ella");
  }
  if (es_el_de(2)) {
    fallar("es la salida de errores; no se escribe en el para no perder los mensajes");
  }
  fd_ = ::open(nombre_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd_ < 0) {
    const int error = errno;
    const bool existe_ahora = ::stat(nombre_.c_str(), &fichero) == 0;
    if (error == ENXIO && existe_ahora && S_ISFIFO(fichero.st_mode)) {
      fallar("es una tuberia con nombre que nadie lee; no se espera a un lector");
    }
    if ((error == EACCES || error == EPERM) && existe_ahora && S_ISREG(fichero.st_mode)) {
      // A file that exists but may not be written is left as it was, old result and all.
      fallar("existe y esta protegido contra escritura; se deja como estaba");
    }
    // A file that does not exist is denied by a directory on its way.
    fallar("no se puede crear: " + motivo(error) +
           (error == EACCES && !existe_ahora ? " en el directorio" : ""));
  }
  if (::fstat(fd_, &estado_) != 0) {
    fallar("no se puede crear: " + motivo(errno));
  }
  if (!S_ISREG(estado_.st_mode)) {
    // A pipe with a reader or a device: from here on writes wait as they normally do.
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
    return;
  }
  // The directory that holds the file, where the name leads through any links, is held open, so
  // that the file is replaced there even if a directory on the way is moved or swapped for a
  // link meanwhile. Where that cannot be, the file is written in place.
  std::error_code error;
  const std::filesystem::path destino = std::filesystem::canonical(nombre_, error);
  if (error) {
    return;
  }
  base_ = destino.filename().string();
  dir_ = ::open(destino.parent_path().c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (dir_ >= 0 && !sigue_siendo(dir_, base_.c_str(), AT_SYMLINK_NOFOLLOW)) {
    ::close(std::exchange(dir_, -1));
  }
}

fichero_resultado::~fichero_resultado() { cerrar(); }

void fichero_resultado::fallar(const std::string& que) const { throw fallo(nombre_ + ": " + que); }

void fichero_resultado::cerrar() {
  if (fd_ >= 0) {
    ::close(std::exchange(fd_, -1));
  }
  if (dir_ >= 0) {
    ::close(std::exchange(dir_, -1));
  }
}

// Whether `nombre`, relative to the directory `dir`, is the file opened at the start.
bool fichero_resultado::sigue_siendo(int dir, const char* nombre, int opciones) const {
  struct stat ahora {};
  return ::fstatat(dir, nombre, &ahora, opciones) == 0 && ahora.st_dev == estado_.st_dev &&
         ahora.st_ino == estado_.st_ino;
}

// Takes the exclusive lock of the file, which another run holds for the time of its writing and
// flushing. A lock that someone else holds longer than a minute ends the run; where the file
// system has no locks, the file is written without one.
void fichero_resultado::bloquear() {
  struct flock cerrojo {};
  cerrojo.l_type = static_cast<short>(F_WRLCK);
  cerrojo.l_whence = SEEK_SET;
  const auto plazo = std::chrono::steady_clock::now() + std::chrono::minutes(1);
  while (::fcntl(fd_, F_SETLK, &cerrojo) != 0) {
    if (errno != EACCES && errno != EAGAIN && errno != EINTR) {
      return;
    }
    if (std::chrono::steady_clock::now() > plazo) {
      fallar("otro proceso lo tiene bloqueado; no se escribe el resultado");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

void fichero_resultado::escribir(std::string_view texto) {
  const bool regular = S_ISREG(estado_.st_mode);
  if (regular) {
    bloquear();
  }
  if (!sigue_siendo(AT_FDCWD, nombre_.c_str(), 0)) {
    fallar(sustituido);
  }
  struct stat ahora {};
  if (regular && dir_ >= 0 && ::fstat(fd_, &ahora) == 0 && ahora.st_nlink == 1 &&
      !tiene_atributos(fd_) && reemplazar(texto, ahora)) {
    cerrar();
    return;
  }
  escribir_en_el(texto);
}

// Whether all of `texto` went to `fd`; where it did not, errno says why.
bool fichero_resultado::escribir_todo(int fd, std::string_view texto) const {
  while (!texto.empty()) {
    const ssize_t n = escritura_(fd, texto.data(), texto.size());
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n <= 0) {
      if (n == 0) {
        errno = EIO;
      }
      return false;
    }
    texto.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// Writes `texto` to a new file in the file's directory, with the old one's mode (`ahora`), and
// renames it over the file. Returns false, having changed nothing, where the new file could not
// stand in the old one's place unchanged: another owner or group, a directory where this user
// may not create files, attributes that the directory gives new files.
bool fichero_resultado::reemplazar(std::string_view texto, const struct stat& ahora) {
  const al_parar limpieza(quitar_temporal_y_terminar);
  std::string nuevo;  // a name of this process's own, beside the file
  int fd = -1;
  for (int intento = 0; fd < 0 && intento < 100; ++intento) {
    nuevo = base_ + "." + std::to_string(::getpid()) + "." + std::to_string(intento) + ".tmp";
    if (nuevo.size() >= nombre_temporal.size()) {
      return false;
    }
    fd = al_parar::sin_senales([&] {
      const int creado =
          ::openat(dir_, nuevo.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
      if (creado >= 0) {
        nuevo.copy(nombre_temporal.data(), nuevo.size());
        nombre_temporal[nuevo.size()] = '\0';
        dir_temporal = dir_;
        hay_temporal = 1;
      }
      return creado;
    });
    if (fd < 0 && errno != EEXIST) {
      return false;
    }
  }
  if (fd < 0) {
    return false;
  }
  const auto quitar = [&] {
    al_parar::sin_senales([&] {
      hay_temporal = 0;
      return ::unlinkat(dir_, nuevo.c_str(), 0);
    });
  };
  struct stat propio {};
  if (::fstat(fd, &propio) != 0 || propio.st_uid != ahora.st_uid || propio.st_gid != ahora.st_gid ||
      ::fchmod(fd, ahora.st_mode & 07777) != 0 || tiene_atributos(fd)) {
    ::close(fd);
    quitar();
    return false;
  }
  // Flushed to the disk before it takes the old file's place, so that a crash after the rename
  // cannot leave an empty file there. (A file system that cannot flush says EINVAL.)
  int error = 0;
  if (!escribir_todo(fd, texto) || (::fdatasync(fd) != 0 && errno != EINVAL)) {
    error = errno;
  }
  if (::close(fd) != 0 && error == 0) {
    error = errno;
  }
  if (error != 0) {
    quitar();
    fallar("no se puede escribir el resultado: " + motivo(error));
  }
  // Under the lock, at the last moment: the name in that directory is still the opened file.
  if (!sigue_siendo(dir_, base_.c_str(), AT_SYMLINK_NOFOLLOW)) {
    quitar();
    fallar(sustituido);
  }
  error = al_parar::sin_senales([&] {
    if (::renameat(dir_, nuevo.c_str(), dir_, base_.c_str()) != 0) {
      return errno;
    }
    hay_temporal = 0;
    return 0;
  });
  if (error != 0) {
    quitar();
    fallar("no se puede escribir el resultado: " + motivo(error));
  }
  return true;
}

// Writes into the file as it was opened. A regular file is emptied again first, under the lock:
// another run may have written its result there since this one emptied it. On failure it is
// left empty.
void fichero_resultado::escribir_en_el(std::string_view texto) {
  const bool regular = S_ISREG(estado_.st_mode);
  int error = 0;
  if ((regular && ::ftruncate(fd_, 0) != 0) || !escribir_todo(fd_, texto) ||
      (regular && ::fdatasync(fd_) != 0 && errno != EINVAL)) {
    error = errno;
    if (regular) {
      [[maybe_unused]] const int vaciado = ::ftruncate(fd_, 0);
    }
  }
  if (::close(std::exchange(fd_, -1)) != 0 && error == 0) {
    error = errno;
  }
  if (error != 0) {
    fallar("no se puede escribir el resultado: " + motivo(error));
  }
}
