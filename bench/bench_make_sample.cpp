// bench_make_sample.cpp -- making the sample landscape: the default one
// (seed 1, up to 255 blocks, which `lndtool make-sample` writes) should take
// well under 5 seconds; the small one is what the tests make over and over.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "tools/sample/sample_landscape.h"

static void BM_MakeSampleLandscape(benchmark::State& state) {
    const int maxBlocks = int(state.range(0));
    for (auto _ : state) {
        std::vector<uint8_t> file = MakeSampleLandscape(1, maxBlocks);
        benchmark::DoNotOptimize(file.data());
    }
}
BENCHMARK(BM_MakeSampleLandscape)->Arg(255)->Arg(4)->Unit(benchmark::kMillisecond);
