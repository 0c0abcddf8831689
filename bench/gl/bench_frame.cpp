// bench_frame.cpp -- load to first frame of the default sample, and the time
// of one 800 x 600 frame from the start camera and from far above, in a real
// window on whatever GL the display offers (llvmpipe under Xvfb). Each is
// measured beside its reference in the same run, and the ratios printed at
// the end: the frames against the same lists compiled as a strip per quad,
// the load against a load on one thread, and against one on one thread that
// leaves the driver to convert every sample and builds everything before
// the first frame.
#include <GL/freeglut.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "app/window.h"
#include "landscape/brush.h"
#include "landscape/landscape_load.h"
#include "platform/large_pages.h"
#include "testing/strip_lists.h"
#include "scene/frame.h"
#include "scene/graphics.h"
#include "scene/landscape_scene.h"
#include "geometry/view.h"
#include "texture/material_synthesis.h"
#include "tools/sample/sample_landscape.h"

namespace {

std::string g_SamplePath;

// The loader's console lines would drown the figures.
struct QuietStdout {
    int saved;
    QuietStdout() {
        std::fflush(stdout);
        saved = dup(STDOUT_FILENO);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        close(null);
    }
    ~QuietStdout() {
        std::fflush(stdout);
        dup2(saved, STDOUT_FILENO);
        close(saved);
    }
};

enum class Lists { Triangles, Strips };

LandscapeLoad g_Landscape;
LandscapeScene g_Scene;
bool g_Loaded = false;
Lists g_Lists = Lists::Triangles;

// Loads the sample in place of the one before, built as `how` says, with
// the console lines of the viewer (dropped).
void LoadSample(const SceneBuild& how) {
    QuietStdout quiet;
    DestroyLandscapeScene(&g_Scene);
    LoadTranscript said;
    g_Landscape = LoadLandscapeFile(g_SamplePath.c_str(), &said);
    PrintLoadTranscript(said, stdout, stderr);
    if (g_Landscape.Usable()) g_Scene = BuildLandscapeScene(g_Landscape.checked, stdout, how);
    g_Loaded = true;
    g_Lists = Lists::Triangles;
}

// The viewer's build, or one on one thread that leaves the driver to
// convert every sample and builds everything before the first frame.
SceneBuild ViewerBuild() {
    SceneBuild how;
    how.wireframeLater = true;
    return how;
}
SceneBuild OneThreadDriverConverts() {
    SceneBuild how;
    how.workers = 0;
    how.driverConverts = true;
    return how;
}

void DrawSample(const CameraView& camera, bool overlay) {
    DrawScene(g_Landscape.Usable() ? &g_Landscape.checked : nullptr, camera, overlay);
}

// From reading the file to the first frame shown; the viewer compiles its
// wireframe lists after that frame, which is timed apart.
void LoadToFirstFrame(benchmark::State& state, const SceneBuild& how) {
    double afterwards = 0;
    for (auto _ : state) {
        LoadSample(how);
        DrawSample(kStartCamera, false);
        glFinish();
        glutSwapBuffers();
        state.PauseTiming();
        const auto start = std::chrono::steady_clock::now();
        {
            QuietStdout quiet;
            FinishLandscapeScene(&g_Scene);
            glFinish();
        }
        afterwards += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        state.ResumeTiming();
    }
    state.counters["wireframe_after_ms"] = afterwards / double(state.iterations());
}
void BM_LoadToFirstFrame(benchmark::State& state) { LoadToFirstFrame(state, ViewerBuild()); }
void BM_LoadToFirstFrameOneThread(benchmark::State& state) {
    SceneBuild how = ViewerBuild();
    how.workers = 0;
    LoadToFirstFrame(state, how);
}
void BM_LoadToFirstFrameDriverConverts(benchmark::State& state) { LoadToFirstFrame(state, OneThreadDriverConverts()); }
BENCHMARK(BM_LoadToFirstFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_LoadToFirstFrameOneThread)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_LoadToFirstFrameDriverConverts)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// One frame after another, each waiting for the driver and swapped as in
// the viewer, with the lists built as triangles (as the viewer builds them)
// or, for the reference, compiled again as one strip per quad.
void Frames(benchmark::State& state, bool farAbove, bool overlay, Lists lists) {
    if (!g_Loaded || g_Lists != lists) {
        LoadSample(SceneBuild());
        if (lists == Lists::Strips) CompileStripLists(g_Scene, g_Landscape.checked, StripLists::Joinable);
        g_Lists = lists;
    }
    // Far above: the whole 5120 x 5120 map in view, looking straight down.
    const CameraView camera = farAbove ? CameraView{{2560.0f, 0.0f, 2560.0f}, {90.0f, 0.0f, 0.0f}, -4096.0f}
                                       : kStartCamera;
    for (auto _ : state) {
        DrawSample(camera, overlay);
        glFinish();
        glutSwapBuffers();
    }
}
constexpr Lists kNow = Lists::Triangles, kFirst = Lists::Strips;
void BM_FrameStartCamera(benchmark::State& state) { Frames(state, false, false, kNow); }
void BM_FrameStartCameraReference(benchmark::State& state) { Frames(state, false, false, kFirst); }
void BM_FrameFarAbove(benchmark::State& state) { Frames(state, true, false, kNow); }
void BM_FrameFarAboveReference(benchmark::State& state) { Frames(state, true, false, kFirst); }
void BM_FrameFarAboveWithOverlay(benchmark::State& state) { Frames(state, true, true, kNow); }
void BM_FrameFarAboveWithOverlayReference(benchmark::State& state) { Frames(state, true, true, kFirst); }
BENCHMARK(BM_FrameStartCamera)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FrameStartCameraReference)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FrameFarAbove)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FrameFarAboveReference)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FrameFarAboveWithOverlay)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FrameFarAboveWithOverlayReference)->Unit(benchmark::kMillisecond)->UseRealTime();

// One dab of the brush, as a drag in the edit mode gives it, to the frame
// that shows it: the dab, the touched blocks built again (their textures on
// the workers, their lists) and one frame (goal: 60 ms).
void BM_DabToFrame(benchmark::State& state) {
    LoadSample(SceneBuild());
    LandscapeEdit edit;
    StartEdit(g_Landscape.checked, &edit);
    RebuildSceneBlocks(&g_Scene, edit.checked, {});
    Stroke stroke;
    BrushSettings brush;
    brush.radius = kBrushRadii[kStartBrushRadiusStep];
    // The middle of the island, where the start camera looks.
    const double x = -2400.0, z = -2400.0;
    BeginStroke(edit.checked, brush, x, z, &stroke);
    int step = 0;
    for (auto _ : state) {
        const DabResult dab = ApplyDab(&edit, &stroke, x + 3.0 * (step % 40), z + 2.0 * (step % 40));
        ++step;
        RebuildSceneBlocks(&g_Scene, edit.checked, dab.blocks);
        DrawScene(&edit.checked, kStartCamera, false);
        glFinish();
        glutSwapBuffers();
    }
    // The next benchmark loads the sample as it was.
    g_Loaded = false;
}
BENCHMARK(BM_DabToFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(40);

// Keeps every benchmark's time per iteration, to print the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> milliseconds;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs)
            milliseconds[run.benchmark_name().substr(0, run.benchmark_name().find('/'))] =
                run.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
    void PrintRatios() const {
        const std::pair<const char*, const char*> pairs[] = {
            {"BM_LoadToFirstFrame", "BM_LoadToFirstFrameOneThread"},
            {"BM_LoadToFirstFrame", "BM_LoadToFirstFrameDriverConverts"},
            {"BM_FrameStartCamera", "BM_FrameStartCameraReference"},
            {"BM_FrameFarAbove", "BM_FrameFarAboveReference"},
            {"BM_FrameFarAboveWithOverlay", "BM_FrameFarAboveWithOverlayReference"},
        };
        for (const auto& [now, reference] : pairs) {
            const auto a = milliseconds.find(now), b = milliseconds.find(reference);
            if (a != milliseconds.end() && b != milliseconds.end() && a->second > 0)
                std::printf("%-30s %8.1f ms, reference %8.1f ms: %.2f times as fast\n", now, a->second, b->second,
                            b->second / a->second);
        }
    }
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    const std::vector<uint8_t> sample = MakeSampleLandscape(1, 255);
    g_SamplePath = "/tmp/lndbench-sample-" + std::to_string(getpid()) + ".lnd";
    FILE* f = std::fopen(g_SamplePath.c_str(), "wb");
    if (!f || std::fwrite(sample.data(), 1, sample.size(), f) != sample.size() || std::fclose(f) != 0) {
        std::fprintf(stderr, "ERROR : %s : cannot write the sample\n", g_SamplePath.c_str());
        return 2;
    }
    PreferLargePagesForHeap(kLoadHeapBytes);  // as the viewer does
    OpenWindow("lndbench_gl");
    std::string error;
    if (!InitGraphics(WindowGlProcAddress, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    DestroyLandscapeScene(&g_Scene);
    std::remove(g_SamplePath.c_str());
    return 0;
}
