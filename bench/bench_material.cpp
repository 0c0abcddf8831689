// bench_material.cpp -- SynthesizeBlockMaterial on one block against the
// direct evaluation of its formula (testing/material_reference.h,
// the tests' oracle), in the same run.
//
// Landscapes:
//   Realistic: 8 countries in patches of a few cells (so most quads have one
//     country, patch borders two to four), smooth random altitudes, 8
//     materials, random well-formed entries, random detail map, start-up
//     tables (63 everywhere).
//   Random: every cell a random country of 16 (so most quads have three or
//     four distinct corner countries), fully random altitudes, random
//     non-63 tables: the fast path's worst case.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "landscape/lnd_format.h"
#include "texture/material_synthesis.h"
#include "testing/material_reference.h"

namespace {

struct BenchLandscape {
    std::vector<uint8_t> block, countries, materials, detail;
    MaterialSources sources;
    uint8_t split[256], unsplit[256];

    BenchLandscape(bool worstCase, uint32_t seed) {
        std::mt19937 rng(seed);
        const int32_t countryCount = worstCase ? 16 : 8;
        const int32_t materialCount = 8;
        block.assign(kBlockSize, 0);
        countries.assign(kCountrySize * uint64_t(countryCount), 0);
        materials.assign(kMaterialSize * uint64_t(materialCount), 0);
        detail.assign(kDetailMapSize, 0);

        const int patchCountry[5][5] = {{0, 0, 1, 1, 2}, {0, 3, 3, 1, 2}, {4, 3, 5, 5, 2},
                                        {4, 6, 5, 7, 7}, {6, 6, 6, 7, 7}};
        for (int r = 0; r < 17; ++r)
            for (int c = 0; c < 17; ++c) {
                uint8_t* cell = block.data() + kCellsOffset + kCellRowStride * r + kCellSize * c;
                if (worstCase) {
                    cell[kAltitudeOffset] = uint8_t(rng());
                    cell[kAttributesOffset] = uint8_t((rng() & 0x80) | (rng() % 16));
                } else {
                    cell[kAltitudeOffset] = uint8_t(80 + 3 * r + 2 * c + rng() % 8);
                    cell[kAttributesOffset] = uint8_t((rng() & 0x80) | patchCountry[r / 4][c / 4]);
                }
            }
        for (int32_t k = 0; k < countryCount; ++k)
            for (int h = 0; h < 256; ++h) {
                uint8_t* e = countries.data() + kCountrySize * uint64_t(k) + kEntriesOffset + kCountryEntrySize * h;
                StoreU32(e + kMaterialAOffset, uint32_t(rng() % materialCount));
                StoreU32(e + kMaterialBOffset, uint32_t(rng() % materialCount));
                StoreU32(e + kBlendWeightOffset, uint32_t(rng() % 256));
            }
        for (auto& b : materials) b = uint8_t(rng());
        for (auto& b : detail) b = uint8_t(rng() % 16);
        for (int i = 0; i < 256; ++i) {
            split[i] = worstCase ? uint8_t(rng()) : 63;
            unsplit[i] = worstCase ? uint8_t(rng()) : 63;
        }
        sources = {countries.data(), countryCount, materials.data(), materialCount, detail.data()};
    }
};

template <bool kWorstCase>
void BM_SynthesizeBlockMaterial(benchmark::State& state) {
    BenchLandscape l(kWorstCase, 7);
    std::vector<uint16_t> out(kMaterialTextureTexels), expected(kMaterialTextureTexels);
    // The timed code must compute the same texture as the reference.
    SynthesizeBlockMaterial(l.block.data(), l.sources, l.split, l.unsplit, out.data());
    material_reference::Synthesize(l.block.data(), l.sources, l.split, l.unsplit, expected.data());
    if (out != expected) {
        state.SkipWithError("SynthesizeBlockMaterial differs from the reference");
        return;
    }
    for (auto _ : state) {
        SynthesizeBlockMaterial(l.block.data(), l.sources, l.split, l.unsplit, out.data());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}

template <bool kWorstCase>
void BM_ReferenceTranscription(benchmark::State& state) {
    BenchLandscape l(kWorstCase, 7);
    std::vector<uint16_t> out(kMaterialTextureTexels);
    for (auto _ : state) {
        material_reference::Synthesize(l.block.data(), l.sources, l.split, l.unsplit, out.data());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
}

}  // namespace

BENCHMARK(BM_SynthesizeBlockMaterial<false>)->Name("Material/Realistic/Fast")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReferenceTranscription<false>)->Name("Material/Realistic/Reference")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SynthesizeBlockMaterial<true>)->Name("Material/Random/Fast")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReferenceTranscription<true>)->Name("Material/Random/Reference")->Unit(benchmark::kMillisecond);
