// bench_diff.cpp -- lndtool diff as a whole process on two default samples
// that differ in one cell (goal: 0.1 s), info --all of the sample, which
// git runs for each side of a textconv diff, and plain info of the sample,
// the whole that the seam check is weighed against (bench_seams.cpp).
#include <filesystem>
#include <string>
#include <vector>

#include "landscape/lnd_check.h"
#include "process/run_tool.h"
#include "tools/sample/sample_landscape.h"

namespace {

std::string At(const char* name) { return (SampleFolder() / name).string(); }

// The sample with one altitude of block 40 raised, beside sample.lnd.
bool WriteOneCellApart() {
    std::vector<uint8_t> bytes = MakeSampleLandscape(1, 255);
    const CheckedLandscape c = CheckLandscape(bytes.data(), bytes.size());
    if (!c.Usable() || c.blockCount <= 40) return false;
    bytes[size_t(c.Block(40) - bytes.data()) + kCellsOffset + kCellRowStride * 6 + kCellSize * 6 + kAltitudeOffset] ^= 0x20;
    FILE* f = std::fopen(At("cell.lnd").c_str(), "wb");
    return f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size() && std::fclose(f) == 0;
}

void BM_DiffOfTwoSamplesOneCellApart(benchmark::State& state) {
    if (!WriteOneCellApart()) state.SkipWithError("cannot write the changed sample");
    Process(state, {"diff", At("sample.lnd"), At("cell.lnd")}, 1);
}
void BM_InfoAllOfTheSample(benchmark::State& state) { Process(state, {"info", "--all", At("sample.lnd")}); }
void BM_InfoOfTheSample(benchmark::State& state) { Process(state, {"info", At("sample.lnd")}); }
BENCHMARK(BM_DiffOfTwoSamplesOneCellApart)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);
BENCHMARK(BM_InfoAllOfTheSample)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);
BENCHMARK(BM_InfoOfTheSample)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

}  // namespace
