#pragma once

// A result file that holds one run's whole result or nothing, and is never any file but the one
// the run opened.
//
// The file is created or emptied when the run starts, so that no earlier result survives a run
// that fails. At the end the result goes in under an exclusive lock of that file, which every
// run that writes it takes, and only while the name still leads to it: a run whose file was
// removed or replaced meanwhile (by another run, or by a link to some other file) writes nothing
// and says so.
//
// A regular file with one name and no extended attributes (an ACL is one) is replaced: the
// result goes to a new file beside it, in the directory that held it at the start, which is
// flushed to the disk, given the old file's mode and renamed over it. The name then holds the
// whole result or none, even after a crash, and a run stopped by SIGINT, SIGTERM or SIGHUP
// meanwhile removes the new file. Every other file is emptied and written in place, still under
// the lock, so that concurrent runs leave one whole result there too: a file with other hard
// links (which would keep the emptied copy), with an ACL or other attributes, of another owner
// or group, in a directory where this user may not create files; a device or a named pipe
// (res_1.dat -> /dev/null) takes the bytes as they come.

#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cstddef>
#include <string>
#include <string_view>

class fichero_resultado {
 public:
  // The write(2) through which the result goes out; tests replace it to fail or stop there.
  using funcion_escritura = ssize_t (*)(int, const void*, std::size_t);

  // Creates or empties the file `nombre`, or throws a `fallo` that says why it cannot. Refuses,
  // touching nothing, a regular file that is also standard output or standard error, whose lines
  // would be mixed with the result or lost with it (a device such as /dev/null may be all
  // three), and a named pipe that nobody reads, rather than wait for ever.
  explicit fichero_resultado(std::string nombre, funcion_escritura escritura = ::write);

  fichero_resultado(const fichero_resultado&) = delete;
  fichero_resultado& operator=(const fichero_resultado&) = delete;
  fichero_resultado(fichero_resultado&&) = delete;
  fichero_resultado& operator=(fichero_resultado&&) = delete;
  ~fichero_resultado();

  // Gives the file `texto` as its whole content, and closes it. On failure the file is left as
  // the start of the run left it, empty, and a `fallo` thrown.
  void escribir(std::string_view texto);

 private:
  [[noreturn]] void fallar(const std::string& que) const;
  void cerrar();
  void bloquear();
  bool sigue_siendo(int dir, const char* nombre, int opciones) const;
  bool reemplazar(std::string_view texto, const struct stat& ahora);
  void escribir_en_el(std::string_view texto);
  bool escribir_todo(int fd, std::string_view texto) const;

  std::string nombre_;
  funcion_escritura escritura_;
  int fd_ = -1;
  struct stat estado_ {};
  int dir_ = -1;      // the directory that held the file at the start, for the replacement
  std::string base_;  // the file's name in it
};
