#pragma once

// A result file that holds one run's whole result or nothing.
//
// The file is created or emptied when the run starts, so that no earlier result survives a run
// that fails. At the end the result is written to a new file beside it, which is then renamed
// over it: the rename swaps the whole content at once, so two runs that write the same file at
// the same time leave one of their results, never a mixture of both, and a run killed while it
// writes leaves the file empty. The new file takes the old one's permissions.
//
// Where a new file cannot take the old one's place unchanged, the result is written into the
// file itself, as it is opened: a device or a named pipe (res_1.dat -> /dev/null), a file with
// other hard links (which would keep the emptied copy), another owner's or group's file that
// this user may write, a directory where this user may not create files.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

#include "fallo.hpp"

class fichero_resultado {
 public:
  // Creates or empties the file `nombre`. Refuses, touching nothing, when it is a regular file
  // that is also the program's standard output (`> res_1.dat`), whose lines would be mixed with
  // the result (a device such as /dev/null may be both). A named pipe that nobody reads is
  // refused too, rather than waited on for ever.
  explicit fichero_resultado(std::string nombre) : nombre_(std::move(nombre)) {
    struct stat salida {};
    struct stat fichero {};
    if (::fstat(1, &salida) == 0 && ::stat(nombre_.c_str(), &fichero) == 0 &&
        S_ISREG(fichero.st_mode) && salida.st_dev == fichero.st_dev &&
        salida.st_ino == fichero.st_ino) {
      fallar("es la salida estandar; no se escribe en el para no mezclar el resultado con ella");
    }
    fd_ = ::open(nombre_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd_ < 0) {
      const int error = errno;
      const bool existe = ::stat(nombre_.c_str(), &fichero) == 0;
      if (error == ENXIO && existe && S_ISFIFO(fichero.st_mode)) {
        fallar("es una tuberia con nombre que nadie lee; no se espera a un lector");
      }
      if ((error == EACCES || error == EPERM) && existe && S_ISREG(fichero.st_mode)) {
        // A file that exists but may not be written is left as it was, old result and all.
        fallar("existe y esta protegido contra escritura; se deja como estaba");
      }
      fallar("no se puede crear");
    }
    if (::fstat(fd_, &estado_) != 0) {
      fallar("no se puede crear");
    }
    if (!S_ISREG(estado_.st_mode)) {
      // A pipe with a reader or a device: from here on writes wait as they normally do.
      ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
    }
  }

  fichero_resultado(const fichero_resultado&) = delete;
  fichero_resultado& operator=(const fichero_resultado&) = delete;
  fichero_resultado(fichero_resultado&&) = delete;
  fichero_resultado& operator=(fichero_resultado&&) = delete;
  ~fichero_resultado() { cerrar(); }

  // Gives the file `texto` as its whole content, and closes it. On failure the file is emptied
  // again and a `fallo` thrown.
  void escribir(std::string_view texto) {
    if (!reemplazar(texto)) {
      escribir_en_el(texto);
    }
  }

 private:
  [[noreturn]] void fallar(const std::string& que) const { throw fallo(nombre_ + ": " + que); }

  void cerrar() {
    if (fd_ >= 0) {
      ::close(fd_);
      fd_ = -1;
    }
  }

  void vaciar_y_fallar() {
    cerrar();
    const int fd = ::open(nombre_.c_str(), O_WRONLY | O_TRUNC | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) {
      ::close(fd);
    }
    fallar("no se puede escribir el resultado");
  }

  static bool escribir_todo(int fd, std::string_view texto) {
    while (!texto.empty()) {
      const ssize_t n = ::write(fd, texto.data(), texto.size());
      if (n < 0 && errno == EINTR) {
        continue;
      }
      if (n <= 0) {
        return false;
      }
      texto.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
  }

  // Writes into the file as it was opened.
  void escribir_en_el(std::string_view texto) {
    if (!escribir_todo(fd_, texto) || ::close(std::exchange(fd_, -1)) != 0) {
      vaciar_y_fallar();
    }
  }

  // Writes `texto` to a new file in the directory of the file (links followed) and renames it
  // over the file. Returns false, having changed nothing, where the new file could not stand in
  // the old one's place unchanged (see the top of this file).
  bool reemplazar(std::string_view texto) {
    if (!S_ISREG(estado_.st_mode) || estado_.st_nlink != 1) {
      return false;
    }
    std::error_code error;
    const std::filesystem::path destino = std::filesystem::canonical(nombre_, error);
    if (error) {
      return false;
    }
    // A name of this process's own, beside the file.
    std::string nuevo;
    int fd = -1;
    for (int intento = 0; fd < 0 && intento < 100; ++intento) {
      nuevo = destino.string() + "." + std::to_string(::getpid()) + "." + std::to_string(intento) +
              ".tmp";
      fd = ::open(nuevo.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
      if (fd < 0 && errno != EEXIST) {
        return false;
      }
    }
    if (fd < 0) {
      return false;
    }
    struct stat propio {};
    if (::fstat(fd, &propio) != 0 || propio.st_uid != estado_.st_uid ||
        propio.st_gid != estado_.st_gid || ::fchmod(fd, estado_.st_mode & 07777) != 0) {
      ::close(fd);
      std::remove(nuevo.c_str());
      return false;
    }
    const bool escrito = escribir_todo(fd, texto);
    if (::close(fd) != 0 || !escrito || std::rename(nuevo.c_str(), destino.c_str()) != 0) {
      std::remove(nuevo.c_str());
      vaciar_y_fallar();
    }
    cerrar();
    return true;
  }

  std::string nombre_;
  int fd_ = -1;
  struct stat estado_ {};
};
