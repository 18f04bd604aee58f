// generate_series N [SEED]: writes a series file for seriestats to standard output: the count N,
// then N values uniform in [-1000, 1000], one per line, each written like printf's %.6g.

#include <cstdio>
#include <cstdlib>
#include <random>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: generate_series N [SEED]\n");
    return 2;
  }
  const long n = std::strtol(argv[1], nullptr, 10);
  std::mt19937_64 rng(argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1);
  std::uniform_real_distribution<double> uniforme(-1000.0, 1000.0);
  std::printf("%ld\n", n);
  for (long i = 0; i < n; ++i) {
    std::printf("%.6g\n", uniforme(rng));
  }
  return 0;
}
