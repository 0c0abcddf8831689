// bench_new.cpp -- lndtool new as a whole process, from a 16-bit heightmap
// of 4097 x 4097 (goal: 2 s) and of 513 x 513 (goal: 0.5 s), as a terrain
// generator writes them: smooth hills, whose tops above the sea level get
// blocks of their own (up to the cap of 255) while the resampling does all
// its work over the whole picture.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "image/png_write.h"
#include "process/run_tool.h"

namespace {

std::string At(const std::string& name) { return (SampleFolder() / name).string(); }

bool WriteHeightmap(const std::string& name, int side) {
    std::vector<uint16_t> samples(size_t(side) * size_t(side));
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const double u = double(x) / side, v = double(y) / side;
            const double h = 0.5 + 0.25 * std::sin(9.0 * u) * std::cos(7.0 * v) + 0.2 * std::sin(23.0 * (u + v));
            samples[size_t(y) * size_t(side) + size_t(x)] = uint16_t(std::lround(std::fmin(1.0, h) * 65535.0));
        }
    std::string error;
    return WritePngGray16(At(name).c_str(), samples.data(), side, side, &error);
}

void New(benchmark::State& state, const std::string& picture, int side) {
    if (!std::filesystem::exists(At(picture)) && !WriteHeightmap(picture, side))
        state.SkipWithError("cannot write the heightmap");
    // A sea level that keeps the block count under the cap for these hills
    // (185 is the lowest that fits the 513 picture).
    for (auto _ : state)
        if (!RunTool({"new", At("new.lnd"), "--heights", At(picture), "--sea-level", "200"}))
            state.SkipWithError("lndtool failed");
}
void BM_NewFrom4097Heightmap(benchmark::State& state) { New(state, "heights-4097.png", 4097); }
void BM_NewFrom513Heightmap(benchmark::State& state) { New(state, "heights-513.png", 513); }
BENCHMARK(BM_NewFrom4097Heightmap)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_NewFrom513Heightmap)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

}  // namespace
