#pragma once

// The descriptor of a file read from start to end and, where it is a regular file, read again
// from an earlier offset: the few POSIX calls that the vec.dat reader makes, in one place.

#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

#include <cstdint>

static_assert(sizeof(off_t) >= 8, "files past 2 GiB need a 64-bit off_t (_FILE_OFFSET_BITS=64)");

// The file `nombre` opened for reading, or -1.
inline int abrir_para_leer(const char* nombre) { return ::open(nombre, O_RDONLY | O_CLOEXEC); }

// One read(2): the bytes put at `destino`, at most n, 0 at the end, -1 with errno set.
inline ssize_t leer_de(int fd, char* destino, std::size_t n) { return ::read(fd, destino, n); }

// Moves to offset `donde` counted from `desde` (SEEK_SET, SEEK_CUR, SEEK_END) and returns the
// new offset, or -1 where the file cannot seek (a pipe).
inline std::int64_t mover_a(int fd, std::int64_t donde, int desde) {
  return ::lseek(fd, static_cast<off_t>(donde), desde);
}

inline void cerrar_descriptor(int fd) { ::close(fd); }
