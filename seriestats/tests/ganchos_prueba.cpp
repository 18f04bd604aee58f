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

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <new>
#include <optional>
#include <sstream>
#include <string>

#include "ganchos.hpp"
#include "vec_dat.hpp"

struct ganchos::estado {
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
      // At most 4096 bytes a read, up to the limit; past it every read fails as the device would.
      datos.leer_con([quedan = std::stoll(valor)](int fd, char* destino, std::size_t n) mutable {
        if (quedan <= 0) {
          errno = EIO;
          return ssize_t{-1};
        }
        const ssize_t leidos =
            ::read(fd, destino, std::min({n, std::size_t{4096}, static_cast<std::size_t>(quedan)}));
        quedan -= std::max<ssize_t>(leidos, 0);
        return leidos;
      });
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
