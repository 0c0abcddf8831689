// bench_sample_synthesis.cpp -- the material synthesis of every block of the
// default sample on one thread: the native side of the browser viewer's
// comparison (bench/web/bench_web.py times the same loop in WebAssembly).
#include <benchmark/benchmark.h>

#include <vector>

#include "landscape/lnd_check.h"
#include "texture/material_synthesis.h"
#include "tools/sample/sample_landscape.h"

namespace {

void BM_SynthesizeSampleBlocks(benchmark::State& state) {
    std::vector<uint8_t> file = MakeSampleLandscape(1, 255);
    const CheckedLandscape landscape = CheckLandscape(file.data(), file.size());
    if (!landscape.Usable()) {
        state.SkipWithError("the sample does not pass the check");
        return;
    }
    std::vector<uint16_t> out(kMaterialTextureTexels);
    const int32_t blocks = landscape.MapBlockCount();
    for (auto _ : state) {
        for (int32_t k = 0; k < blocks; ++k) {
            SynthesizeBlockMaterial(landscape.Block(k), MaterialSourcesOf(landscape), SplitBlendWeights,
                                    UnsplitBlendWeights, out.data());
            benchmark::DoNotOptimize(out.data());
        }
        benchmark::ClobberMemory();
    }
    state.counters["blocks"] = blocks;
}
BENCHMARK(BM_SynthesizeSampleBlocks)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace
