// bench_gltf.cpp -- lndtool gltf and heightmap of the default sample as whole
// processes, start to exit (goals: 1 s with the baked textures, 0.2 s
// without, 0.1 s for the heightmap), and the one-block landscape's glTF for
// what the process costs by itself. The sizes of what they write are printed
// as counters (bytes).
#include <filesystem>
#include <string>

#include "process/run_tool.h"

namespace {

void Export(benchmark::State& state, const char* land, const char* out, std::initializer_list<const char*> options) {
    const std::filesystem::path path = SampleFolder() / out;
    std::vector<std::string> args = {"gltf", (SampleFolder() / land).string(), "--out", path.string()};
    args.insert(args.end(), options.begin(), options.end());
    Process(state, args);
    std::error_code ignored;
    state.counters["bytes"] = double(std::filesystem::file_size(path, ignored));
}

void BM_GltfOfTheSample(benchmark::State& state) { Export(state, "sample.lnd", "land.glb", {}); }
void BM_GltfOfTheSampleWithoutTextures(benchmark::State& state) {
    Export(state, "sample.lnd", "bare.glb", {"--textures", "none"});
}
void BM_GltfOfOneBlock(benchmark::State& state) { Export(state, "one.lnd", "one.glb", {}); }
void BM_HeightmapOfTheSample(benchmark::State& state) {
    Process(state, {"heightmap", (SampleFolder() / "sample.lnd").string(), "--out",
                    (SampleFolder() / "height.png").string()});
}
BENCHMARK(BM_GltfOfTheSample)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
BENCHMARK(BM_GltfOfTheSampleWithoutTextures)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
BENCHMARK(BM_GltfOfOneBlock)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
BENCHMARK(BM_HeightmapOfTheSample)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

}  // namespace
