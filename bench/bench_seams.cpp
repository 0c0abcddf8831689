// bench_seams.cpp -- the seam check against the whole of info's report of
// the default sample (goal: the check adds under 5%): info's report as it
// is, and the check alone.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "landscape/lnd_check.h"
#include "landscape/seams.h"
#include "tools/info/info_report.h"
#include "tools/sample/sample_landscape.h"

namespace {

const std::vector<uint8_t>& Sample() {
    static const std::vector<uint8_t> sample = MakeSampleLandscape(1, 255);
    return sample;
}

void BM_InfoReportOfTheSample(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(BuildInfoReport("sample.lnd", Sample().data(), Sample().size()));
}
BENCHMARK(BM_InfoReportOfTheSample)->Unit(benchmark::kMicrosecond);

void BM_SeamCheckOfTheSample(benchmark::State& state) {
    const CheckedLandscape checked = CheckLandscape(Sample().data(), Sample().size());
    for (auto _ : state) benchmark::DoNotOptimize(FindSeamFaults(checked));
}
BENCHMARK(BM_SeamCheckOfTheSample)->Unit(benchmark::kMicrosecond);

}  // namespace
