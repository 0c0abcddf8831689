// bench_edit.cpp -- the brush over the sample without a window: the time of
// one dab of radius 50 (the work of a drag step before any block is built
// again), and what 200 strokes of radius 50 keep for undo (goal: under
// 20 MB, the "history_MB" counter).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "landscape/brush.h"
#include "landscape/lnd_check.h"
#include "tools/sample/sample_landscape.h"

namespace {

const std::vector<uint8_t>& Sample() {
    static const std::vector<uint8_t> sample = MakeSampleLandscape(1, 255);
    return sample;
}

BrushSettings Radius50(BrushTool tool) {
    BrushSettings brush;
    brush.tool = tool;
    brush.radius = 50;
    return brush;
}

void BM_DabOfRadius50(benchmark::State& state) {
    const CheckedLandscape checked = CheckLandscape(Sample().data(), Sample().size());
    LandscapeEdit edit;
    StartEdit(checked, &edit);
    Stroke stroke;
    BeginStroke(edit.checked, Radius50(BrushTool::Raise), -2400, -2400, &stroke);
    int step = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ApplyDab(&edit, &stroke, -2400 + (step % 50), -2400 - (step % 30)));
        ++step;
    }
}
BENCHMARK(BM_DabOfRadius50)->Unit(benchmark::kMicrosecond);

// Strokes of 20 dabs each, 5 world units apart, at random places over the
// island, the tools in turn.
void BM_TwoHundredStrokesKept(benchmark::State& state) {
    const CheckedLandscape checked = CheckLandscape(Sample().data(), Sample().size());
    double bytes = 0;
    for (auto _ : state) {
        LandscapeEdit edit;
        StartEdit(checked, &edit);
        EditHistory history;
        std::mt19937 rng(3);
        for (int s = 0; s < 200; ++s) {
            Stroke stroke;
            const double x = -1200.0 - double(rng() % 2600), z = -1200.0 - double(rng() % 2600);
            BeginStroke(edit.checked, Radius50(BrushTool(s % kBrushToolCount)), x, z, &stroke);
            for (int d = 0; d < 20; ++d) ApplyDab(&edit, &stroke, x + 5.0 * d, z + 2.0 * d);
            KeepStroke(&history, FinishStroke(&stroke));
        }
        bytes = double(history.Bytes());
    }
    state.counters["history_MB"] = bytes / (1024.0 * 1024.0);
}
BENCHMARK(BM_TwoHundredStrokesKept)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
