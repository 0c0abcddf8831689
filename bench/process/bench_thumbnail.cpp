// bench_thumbnail.cpp -- lndtool as a file manager runs it: one whole
// process per picture, timed from start to exit, with no display server.
// Thumbnail of the default sample at 256 x 256 (goal: 0.5 s or less), and
// for comparison the 800 x 600 render from the start camera and the same
// thumbnail of a one-block landscape (what the process costs by itself).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "process/run_tool.h"
#include "tools/make_sample.h"

namespace {

std::filesystem::path& g_Folder = BenchFolder();

void Process(benchmark::State& state, const std::vector<std::string>& args) {
    for (auto _ : state)
        if (!RunTool(args)) state.SkipWithError("lndtool failed");
}

void BM_ThumbnailOfTheSample(benchmark::State& state) {
    Process(state, {"thumbnail", (g_Folder / "sample.lnd").string(), (g_Folder / "thumb.png").string()});
}
void BM_RenderOfTheSample(benchmark::State& state) {
    Process(state, {"render", (g_Folder / "sample.lnd").string(), "--out", (g_Folder / "shot.png").string()});
}
void BM_ThumbnailOfOneBlock(benchmark::State& state) {
    Process(state, {"thumbnail", (g_Folder / "one.lnd").string(), (g_Folder / "thumb.png").string()});
}
BENCHMARK(BM_ThumbnailOfTheSample)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
BENCHMARK(BM_RenderOfTheSample)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
BENCHMARK(BM_ThumbnailOfOneBlock)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

bool Write(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    return f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size() && std::fclose(f) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    g_Folder = std::filesystem::temp_directory_path() / ("lndbench-" + std::to_string(getpid()));
    std::filesystem::create_directories(g_Folder);
    if (!Write(g_Folder / "sample.lnd", MakeSampleLandscape(1, 255)) ||
        !Write(g_Folder / "one.lnd", MakeSampleLandscape(1, 1))) {
        std::fprintf(stderr, "ERROR : %s : cannot write the samples\n", g_Folder.c_str());
        return 2;
    }
    benchmark::RunSpecifiedBenchmarks();
    std::filesystem::remove_all(g_Folder);
    return 0;
}
