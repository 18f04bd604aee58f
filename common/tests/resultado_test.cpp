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

namespace fs = std::filesystem;

namespace {

std::string leer(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

class FicheroResultado : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string plantilla = ::testing::TempDir() + "resultado.XXXXXX";
    ASSERT_NE(::mkdtemp(plantilla.data()), nullptr);
    dir_ = plantilla;
    std::ofstream(nombre(), std::ios::binary) << "viejo\n";
  }
  void TearDown() override { fs::remove_all(dir_); }
  [[nodiscard]] std::string nombre() const { return (dir_ / "res_1.dat").string(); }

  fs::path dir_;
};

// A new file would come without the old one's extended attributes (an ACL is one): the result
// goes into the file itself, which keeps them.
TEST_F(FicheroResultado, KeepsTheExtendedAttributesOfTheOldFile) {
  if (::setxattr(nombre().c_str(), "user.numericos", "1", 1, 0) != 0) {
    GTEST_SKIP() << "the file system of " << dir_ << " takes no user extended attributes";
  }
  fichero_resultado(nombre()).escribir("-3,\n");
  EXPECT_EQ(leer(nombre()), "-3,\n");
  std::array<char, 8> valor{};
  EXPECT_EQ(::getxattr(nombre().c_str(), "user.numericos", valor.data(), valor.size()), 1);
}

// A run stopped while the new file exists removes it, and ends by the signal.
int senal_de_prueba = 0;
ssize_t escribir_y_parar(int /*fd*/, const void* /*datos*/, std::size_t /*n*/) {
  std::raise(senal_de_prueba);
  return -1;
}

TEST_F(FicheroResultado, ARunStoppedWhileItWritesLeavesNoNewFile) {
  for (const int senal : {SIGINT, SIGTERM, SIGHUP}) {
    senal_de_prueba = senal;
    EXPECT_EXIT(
        {
          fichero_resultado(nombre(), escribir_y_parar).escribir("-3,\n");
          std::exit(0);
        },
        ::testing::KilledBySignal(senal), "")
        << "signal " << senal;
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1)
        << "signal " << senal;
    EXPECT_EQ(leer(nombre()), "");
  }
}

}  // namespace
