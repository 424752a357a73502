// Figures for the common library: run dyt-bench-common. Each piece adds its benchmarks in a file of
// this folder.
#include <benchmark/benchmark.h>

BENCHMARK_MAIN();
