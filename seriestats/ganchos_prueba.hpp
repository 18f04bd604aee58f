#pragma once

// Test hooks, compiled only into seriestats_prueba, the test build of seriestats (never into the
// program itself). They make the faults that a test cannot cause on demand happen at a fixed
// point, so that golden cases can pin what the program then does. A file "ganchos" in the working
// directory names them, one a line:
//   fallo_de_lectura B   reading vec.dat fails with EIO once B bytes have been read
//   sin_memoria K        holding the values fails for want of memory once K values are held
//   cambio FICHERO       between the two readings, vec.dat is rewritten in place with the bytes
//                        of FICHERO (the same file, as an editor saving over it would)

#include <cerrno>
#include <cstdint>
#include <fstream>
#include <ios>
#include <iterator>
#include <new>
#include <optional>
#include <sstream>
#include <streambuf>
#include <string>
#include <system_error>

#include "vec_dat.hpp"

// The file's bytes, up to a limit; past it every read fails as the device would.
struct fuente_con_fallo : std::streambuf {
  std::streambuf* real = nullptr;
  std::streamsize quedan = 0;

 protected:
  std::streamsize xsgetn(char* destino, std::streamsize n) override {
    if (quedan <= 0) {
      throw std::ios_base::failure("simulated EIO", std::error_code(EIO, std::generic_category()));
    }
    const std::streamsize leidos = real->sgetn(destino, std::min(n, quedan));
    quedan -= leidos;
    return leidos;
  }
  pos_type seekoff(off_type desplazamiento, std::ios_base::seekdir desde,
                   std::ios_base::openmode modo) override {
    return real->pubseekoff(desplazamiento, desde, modo);
  }
  pos_type seekpos(pos_type donde, std::ios_base::openmode modo) override {
    return real->pubseekpos(donde, modo);
  }
};

struct ganchos_prueba {
  fuente_con_fallo fuente;
  std::optional<std::int64_t> sin_memoria;
  std::optional<std::string> cambio;

  explicit ganchos_prueba(fichero_vec& datos) {
    std::ifstream lista("ganchos");
    std::string linea;
    while (std::getline(lista, linea)) {
      std::istringstream palabras(linea);
      std::string orden;
      std::string valor;
      palabras >> orden >> valor;
      if (orden == "fallo_de_lectura") {
        fuente.real = &datos.fichero;
        fuente.quedan = static_cast<std::streamsize>(std::stoll(valor));
        datos.fuente = &fuente;
      } else if (orden == "sin_memoria") {
        sin_memoria = std::stoll(valor);
      } else if (orden == "cambio") {
        cambio = valor;
      }
    }
  }

  void al_guardar(std::int64_t guardados) const {
    if (sin_memoria && guardados >= *sin_memoria) {
      throw std::bad_alloc();
    }
  }

  void entre_lecturas() const {
    if (cambio) {
      std::ifstream nuevo(*cambio, std::ios::binary);
      const std::string bytes{std::istreambuf_iterator<char>(nuevo),
                              std::istreambuf_iterator<char>()};
      std::ofstream(nombre_vec, std::ios::binary | std::ios::trunc) << bytes;
    }
  }

  ganchos_prueba(const ganchos_prueba&) = delete;
  ganchos_prueba& operator=(const ganchos_prueba&) = delete;
};
