// bench_thumbnail.cpp -- lndtool as a file manager runs it: one whole
// process per picture, timed from start to exit, with no display server.
// Thumbnail of the default sample at 256 x 256 (goal: 0.5 s or less), and
// for comparison the 800 x 600 render from the start camera and the same
// thumbnail of a one-block landscape (what the process costs by itself).
// Holds the main of every whole-process benchmark (bench_gltf.cpp,
// bench_unpack.cpp and bench_diff.cpp too).
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "process/run_tool.h"
#include "tools/sample/sample_landscape.h"

namespace {

std::string InFolder(const char* name) { return (SampleFolder() / name).string(); }

void BM_ThumbnailOfTheSample(benchmark::State& state) {
    Process(state, {"thumbnail", InFolder("sample.lnd"), InFolder("thumb.png")});
}
void BM_RenderOfTheSample(benchmark::State& state) {
    Process(state, {"render", InFolder("sample.lnd"), "--out", InFolder("shot.png")});
}
void BM_ThumbnailOfOneBlock(benchmark::State& state) {
    Process(state, {"thumbnail", InFolder("one.lnd"), InFolder("thumb.png")});
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
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("lndbench-" + std::to_string(getpid()));
    SampleFolder() = folder;
    std::filesystem::create_directories(folder);
    if (!Write(folder / "sample.lnd", MakeSampleLandscape(1, 255)) ||
        !Write(folder / "one.lnd", MakeSampleLandscape(1, 1))) {
        std::fprintf(stderr, "ERROR : %s : cannot write the samples\n", folder.c_str());
        return 2;
    }
    benchmark::RunSpecifiedBenchmarks();
    std::filesystem::remove_all(folder);
    return 0;
}
