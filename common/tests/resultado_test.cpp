#include <gtest/gtest.h>
#include <sys/xattr.h>

#include <array>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "fichero_resultado.hpp"

namespace {

std::string leer(const std::string& nombre) {
  std::ifstream f(nombre, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// A res_1.dat holding an old result, alone in a scratch directory.
std::filesystem::path preparar() {
  std::string dir = ::testing::TempDir() + "resultado.XXXXXX";
  EXPECT_NE(::mkdtemp(dir.data()), nullptr);
  std::ofstream(dir + "/res_1.dat") << "viejo\n";
  return dir;
}

// A new file would come without the old one's extended attributes (an ACL is one): the result
// goes into the file itself, which keeps them.
TEST(FicheroResultado, KeepsTheExtendedAttributesOfTheOldFile) {
  const std::filesystem::path dir = preparar();
  const std::string nombre = dir / "res_1.dat";
  if (::setxattr(nombre.c_str(), "user.numericos", "1", 1, 0) != 0) {
    std::filesystem::remove_all(dir);
    GTEST_SKIP() << "the file system of " << nombre << " takes no user extended attributes";
  }
  fichero_resultado(nombre).escribir("-3,\n");
  EXPECT_EQ(leer(nombre), "-3,\n");
  std::array<char, 8> valor{};
  EXPECT_EQ(::getxattr(nombre.c_str(), "user.numericos", valor.data(), valor.size()), 1);
  std::filesystem::remove_all(dir);
}

// A run stopped while the new file exists removes it, and ends by the signal.
int senal_de_prueba = 0;
ssize_t escribir_y_parar(int /*fd*/, const void* /*datos*/, std::size_t /*n*/) {
  std::raise(senal_de_prueba);
  return -1;
}

TEST(FicheroResultado, ARunStoppedWhileItWritesLeavesNoNewFile) {
  for (const int senal : {SIGINT, SIGTERM, SIGHUP}) {
    const std::filesystem::path dir = preparar();
    senal_de_prueba = senal;
    EXPECT_EXIT(fichero_resultado(dir / "res_1.dat", escribir_y_parar).escribir("-3,\n"),
                ::testing::KilledBySignal(senal), "");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 1) << "signal " << senal;
    EXPECT_EQ(leer(dir / "res_1.dat"), "");
    std::filesystem::remove_all(dir);
  }
}

}  // namespace
