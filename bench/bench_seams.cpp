// bench_seams.cpp -- the seam check of the default sample alone, and info's
// report of it in memory. The goal (the check adds under 5% to info) is
// weighed against info as a process, BM_InfoOfTheSample in lndbench_process.
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
