// bench_dxt3.cpp -- DecodeDxt3 on one 256 x 256 LoRes image against libsquish
// decompressing the same bytes.
#include <benchmark/benchmark.h>
#include <omp.h>
#include <squish.h>

#include <cstdint>
#include <random>
#include <vector>

#include "texture/dxt3.h"

static std::vector<uint8_t> RandomDxt3Image() {
    std::vector<uint8_t> blocks(65536);
    std::mt19937 rng(7);
    for (auto& b : blocks) b = uint8_t(rng());
    return blocks;
}

static void BM_DecodeDxt3(benchmark::State& state) {
    const std::vector<uint8_t> blocks = RandomDxt3Image();
    std::vector<uint8_t> rgba(256 * 256 * 4);
    for (auto _ : state) {
        DecodeDxt3(blocks.data(), rgba.data(), 256, 256);
        benchmark::DoNotOptimize(rgba.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(blocks.size()));
}
BENCHMARK(BM_DecodeDxt3);

// Debian's libsquish spreads an image over OpenMP threads. The viewer decodes
// on its one thread, so the like-for-like figure is libsquish on one thread
// (argument 1); argument 0 lets it take every core.
static void BM_SquishDecompressDxt3(benchmark::State& state) {
    const std::vector<uint8_t> blocks = RandomDxt3Image();
    std::vector<uint8_t> rgba(256 * 256 * 4);
    const int previous = omp_get_max_threads();
    omp_set_num_threads(state.range(0) == 1 ? 1 : omp_get_num_procs());
    for (auto _ : state) {
        squish::DecompressImage(rgba.data(), 256, 256, blocks.data(), squish::kDxt3);
        benchmark::DoNotOptimize(rgba.data());
    }
    omp_set_num_threads(previous);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(blocks.size()));
}
BENCHMARK(BM_SquishDecompressDxt3)->ArgName("one_thread")->Arg(1)->Arg(0);
