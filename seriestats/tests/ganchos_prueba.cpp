// The hooks of seriestats_prueba, the test build of seriestats (never of the program itself).
// They make the faults that a test cannot cause on demand happen at a fixed point, so that golden
// cases can pin what the program then does. A file "ganchos" in the working directory names them,
// one a line:
//   fallo_de_lectura B   reading vec.dat fails with EIO once B bytes have been read; the device
//                        gives at most 4096 bytes a read, as a disk gives sectors
//   sin_memoria K        holding the values fails for want of memory once K values are held
//   cambio FICHERO       between the two readings, vec.dat is rewritten in place with the bytes
//                        of FICHERO (the same file, as an editor saving over it would)
// The budget of values held in memory is SERIESTATS_PRESUPUESTO_PRUEBA, a handful, so that small
// files take the road of the second reading, and the progress line on a terminal shows at once
// instead of after two seconds.

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <ios>
#include <iterator>
#include <new>
#include <optional>
#include <sstream>
#include <streambuf>
#include <string>

#include "ganchos.hpp"
#include "vec_dat.hpp"

namespace {

// The file's bytes through a buffer of its own, at most 4096 of them a read, up to a limit; past
// it every read fails as the device would, with error_de_lectura as the file's reading
// (lectura.hpp) throws it.
class fuente_con_fallo : public std::streambuf {
 public:
  fuente_con_fallo(std::streambuf& real, std::streamsize limite) : real_(real), quedan_(limite) {}

 protected:
  int_type underflow() override {
    if (quedan_ <= 0) {
      throw error_de_lectura();
    }
    const std::streamsize leidos = real_.sgetn(
        memoria_.data(), std::min(static_cast<std::streamsize>(memoria_.size()), quedan_));
    if (leidos <= 0) {
      return traits_type::eof();
    }
    quedan_ -= leidos;
    setg(memoria_.data(), memoria_.data(), memoria_.data() + leidos);
    return traits_type::to_int_type(memoria_[0]);
  }
  pos_type seekoff(off_type desplazamiento, std::ios_base::seekdir desde,
                   std::ios_base::openmode modo) override {
    if (desde == std::ios_base::cur) {
      desplazamiento -= egptr() - gptr();  // the bytes taken from the file but not yet given
    }
    setg(nullptr, nullptr, nullptr);
    return real_.pubseekoff(desplazamiento, desde, modo);
  }
  pos_type seekpos(pos_type donde, std::ios_base::openmode modo) override {
    setg(nullptr, nullptr, nullptr);
    return real_.pubseekpos(donde, modo);
  }

 private:
  std::streambuf& real_;
  std::streamsize quedan_;
  std::array<char, 4096> memoria_{};
};

}  // namespace

struct ganchos::estado {
  std::optional<fuente_con_fallo> fuente;
  std::optional<std::int64_t> sin_memoria;
  std::optional<std::string> cambio;
};

ganchos::ganchos(fichero_vec& datos) : estado_(std::make_unique<estado>()) {
  std::ifstream lista("ganchos");
  std::string linea;
  while (std::getline(lista, linea)) {
    std::istringstream palabras(linea);
    std::string orden;
    std::string valor;
    palabras >> orden >> valor;
    if (orden == "fallo_de_lectura") {
      estado_->fuente.emplace(datos.origen(), static_cast<std::streamsize>(std::stoll(valor)));
      datos.leer_a_traves_de(*estado_->fuente);
    } else if (orden == "sin_memoria") {
      estado_->sin_memoria = std::stoll(valor);
    } else if (orden == "cambio") {
      estado_->cambio = valor;
    }
  }
}

ganchos::~ganchos() = default;

std::int64_t ganchos::presupuesto(std::int64_t /*del_programa*/) const {
  return SERIESTATS_PRESUPUESTO_PRUEBA;
}

void ganchos::al_guardar(std::int64_t guardados) const {
  if (estado_->sin_memoria && guardados >= *estado_->sin_memoria) {
    throw std::bad_alloc();
  }
}

void ganchos::entre_lecturas() const {
  if (estado_->cambio) {
    std::ifstream nuevo(*estado_->cambio, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(nuevo),
                            std::istreambuf_iterator<char>()};
    std::ofstream(nombre_vec, std::ios::binary | std::ios::trunc) << bytes;
  }
}

// The progress line shows from the first block on, so that a run of a few values shows it.
std::chrono::milliseconds ganchos::espera_de_avance() const { return std::chrono::milliseconds(0); }
