// bench_unpack.cpp -- unpack and pack as whole processes: unpack then pack of
// the default sample (goal: 2 s together), and pack of its folder with one
// LoRes texture edited all over (every pixel changed, so every one of its
// 4096 blocks is encoded again; goal: 0.2 s for the encoding) beside pack of
// the unedited folder, whose difference is that encoding.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "image/png_read.h"
#include "image/png_write.h"
#include "process/run_tool.h"

namespace {

std::string At(const char* name) { return (SampleFolder() / name).string(); }

void BM_UnpackThenPackOfTheSample(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        std::filesystem::remove_all(At("unpacked"));
        state.ResumeTiming();
        if (!RunTool({"unpack", At("sample.lnd"), At("unpacked")}) ||
            !RunTool({"pack", At("unpacked"), At("packed.lnd")}))
            state.SkipWithError("lndtool failed");
    }
}
BENCHMARK(BM_UnpackThenPackOfTheSample)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// The sample's folder, once; with `edited`, LoRes texture 5 gets noise in every pixel.
bool MakeFolder(const char* name, bool edited) {
    std::filesystem::remove_all(At(name));
    if (!RunTool({"unpack", At("sample.lnd"), At(name)})) return false;
    if (!edited) return true;
    const std::filesystem::path png = SampleFolder() / name / "lores" / "5.png";
    std::vector<uint8_t> bytes(std::filesystem::file_size(png));
    FILE* f = std::fopen(png.c_str(), "rb");
    const bool read = f && std::fread(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (f) std::fclose(f);
    DecodedPng image;
    std::string error;
    if (!read || !DecodePng(bytes.data(), bytes.size(), 256, 256, unsigned(PngLayout::Rgba8), &image, &error))
        return false;
    std::mt19937 rng(5);
    for (size_t i = 0; i < image.bytes.size(); ++i)
        if (i % 4 != 3) image.bytes[i] = uint8_t(image.bytes[i] / 2 + rng() % 128);
    return WritePngRgba8(png.c_str(), image.bytes.data(), 256, 256, &error);
}

void Pack(benchmark::State& state, const char* folder, bool edited) {
    if (!MakeFolder(folder, edited)) state.SkipWithError("cannot make the folder");
    for (auto _ : state)
        if (!RunTool({"pack", At(folder), At("packed.lnd")})) state.SkipWithError("lndtool failed");
}
void BM_PackOfTheSample(benchmark::State& state) { Pack(state, "as-unpacked", false); }
void BM_PackWithOneLoResTextureEdited(benchmark::State& state) { Pack(state, "edited", true); }
BENCHMARK(BM_PackOfTheSample)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
BENCHMARK(BM_PackWithOneLoResTextureEdited)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

}  // namespace
