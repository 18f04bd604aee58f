#pragma once

// Reading a named file through a descriptor, for the vec.dat reader: one read(2) per block, and a
// read error of the device reported as such. A standard library's file buffer may report it as
// the end of the file (which one it does is the library's own choice), and a truncated series
// would then pass for a whole one; here the error is thrown where read(2) returns it.

#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <exception>
#include <ios>
#include <streambuf>
#include <vector>

static_assert(sizeof(off_t) >= 8, "files past 2 GiB need a 64-bit off_t (_FILE_OFFSET_BITS=64)");

// A read of the device failed. The reader reports it in its own words; the message here is only
// for an exception that nobody expected.
struct error_de_lectura : std::exception {
  [[nodiscard]] const char* what() const noexcept override { return "error de lectura"; }
};

// The bytes of a named file, read-only, through a buffer of `tamano` bytes that one read(2) fills
// at most (made without a name, it is closed and gives nothing). Whether it could be opened is
// asked with abierto(). A read error throws
// error_de_lectura (a read interrupted by a signal is simply retried); seeking is the
// descriptor's, so a pipe cannot seek.
class fichero_de_lectura : public std::streambuf {
 public:
  fichero_de_lectura() = default;
  fichero_de_lectura(const char* nombre, std::size_t tamano)
      : memoria_(tamano), fd_(::open(nombre, O_RDONLY)) {}
  fichero_de_lectura(const fichero_de_lectura&) = delete;
  fichero_de_lectura& operator=(const fichero_de_lectura&) = delete;
  fichero_de_lectura(fichero_de_lectura&&) = delete;
  fichero_de_lectura& operator=(fichero_de_lectura&&) = delete;
  ~fichero_de_lectura() override { cerrar(); }

  [[nodiscard]] bool abierto() const { return fd_ >= 0; }

  void cerrar() {
    if (fd_ >= 0) {
      ::close(fd_);
      fd_ = -1;
    }
    setg(nullptr, nullptr, nullptr);
  }

 protected:
  int_type underflow() override {
    if (gptr() < egptr()) {
      return traits_type::to_int_type(*gptr());
    }
    if (fd_ < 0) {
      return traits_type::eof();
    }
    ssize_t n = 0;
    do {
      n = ::read(fd_, memoria_.data(), memoria_.size());
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
      setg(nullptr, nullptr, nullptr);
      throw error_de_lectura();
    }
    if (n == 0) {
      return traits_type::eof();
    }
    setg(memoria_.data(), memoria_.data(), memoria_.data() + n);
    return traits_type::to_int_type(memoria_[0]);
  }

  pos_type seekoff(off_type desplazamiento, std::ios_base::seekdir desde,
                   std::ios_base::openmode modo) override {
    if (fd_ < 0 || (modo & std::ios_base::in) == 0) {
      return pos_type(off_type(-1));
    }
    const auto pendientes = static_cast<off_type>(egptr() - gptr());  // read, not yet taken
    if (desde == std::ios_base::cur && desplazamiento == 0) {
      const off_t aqui = ::lseek(fd_, 0, SEEK_CUR);
      return pos_type(aqui < 0 ? off_type(-1) : off_type(aqui) - pendientes);
    }
    int origen = SEEK_SET;
    if (desde == std::ios_base::cur) {
      origen = SEEK_CUR;
      desplazamiento -= pendientes;
    } else if (desde == std::ios_base::end) {
      origen = SEEK_END;
    }
    setg(nullptr, nullptr, nullptr);
    const off_t donde = ::lseek(fd_, static_cast<off_t>(desplazamiento), origen);
    return pos_type(donde < 0 ? off_type(-1) : off_type(donde));
  }

  pos_type seekpos(pos_type donde, std::ios_base::openmode modo) override {
    return seekoff(off_type(donde), std::ios_base::beg, modo);
  }

 private:
  std::vector<char> memoria_;
  int fd_ = -1;
};
