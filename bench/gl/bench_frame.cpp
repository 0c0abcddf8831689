// bench_frame.cpp -- load to first frame of the default sample, and the time
// of one 800 x 600 frame from the start camera and from far above, in a real
// window on whatever GL the display offers (llvmpipe under Xvfb). Each is
// measured beside its reference in the same run, and the ratios printed at
// the end: the frames against the lists as first built (a strip per quad),
// the load against a load on one thread.
#include <GL/freeglut.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "app/graphics.h"
#include "app/window.h"
#include "platform/large_pages.h"
#include "landscape/loaded_landscape.h"
#include "app/load_landscape.h"
#include "texture/material_synthesis.h"
#include "tools/make_sample.h"
#include "viewer/camera.h"
#include "viewer/input.h"
#include "viewer/scene.h"

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

ListPrimitives g_Loaded = ListPrimitives::Triangles;

// Loads the sample, built as `how` says.
void LoadSample(const SceneBuild& how) {
    QuietStdout quiet;
    delete[] Landscape;
    Landscape = nullptr;
    std::snprintf(LandscapePath, sizeof LandscapePath, "%s", g_SamplePath.c_str());
    if (ReadLandscapeFile(stdout, stderr)) BuildLandscapeScene(LoadedLandscape, stdout, how);
    g_Loaded = how.primitives;
}

// The viewer's build, or the one the program first did.
SceneBuild ViewerBuild() {
    SceneBuild how;
    how.wireframeLater = true;
    return how;
}
SceneBuild FirstBuild() {
    SceneBuild how;
    how.primitives = ListPrimitives::Strips;
    how.workers = 0;
    how.driverConverts = true;
    return how;
}

// The camera InitGraphics gives a fresh start; it sets nothing else that changes.
void StartCamera() {
    std::string error;
    InitGraphics(WindowGlProcAddress, &error);
    WireframeOverlay = 0;
}

// From reading the file to the first frame shown; the viewer compiles its
// wireframe lists after that frame, which is timed apart.
void LoadToFirstFrame(benchmark::State& state, const SceneBuild& how) {
    double afterwards = 0;
    for (auto _ : state) {
        LoadSample(how);
        StartCamera();
        DrawScene(false);
        glFinish();
        glutSwapBuffers();
        state.PauseTiming();
        const auto start = std::chrono::steady_clock::now();
        {
            QuietStdout quiet;
            FinishLandscapeScene();
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
void BM_LoadToFirstFrameFirstBuild(benchmark::State& state) { LoadToFirstFrame(state, FirstBuild()); }
BENCHMARK(BM_LoadToFirstFrame)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_LoadToFirstFrameOneThread)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_LoadToFirstFrameFirstBuild)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// One frame after another, each waiting for the driver and swapped as in
// the viewer, with the lists built as triangles (as the viewer builds them)
// or, for the reference, as one strip per quad, as they were first built.
void Frames(benchmark::State& state, bool farAbove, bool overlay, ListPrimitives primitives) {
    if (!Landscape || g_Loaded != primitives) {
        SceneBuild how;
        how.primitives = primitives;
        LoadSample(how);
    }
    StartCamera();
    if (farAbove) {
        // The whole 5120 x 5120 map in view, looking straight down.
        CameraPosition = Vector3(2560.0f, 0.0f, 2560.0f);
        CameraPitch() = 90.0f;
        CameraZoom = -4096.0f;
    }
    for (auto _ : state) {
        DrawScene(overlay);
        glFinish();
        glutSwapBuffers();
    }
}
constexpr ListPrimitives kNow = ListPrimitives::Triangles, kFirst = ListPrimitives::Strips;
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
            {"BM_LoadToFirstFrame", "BM_LoadToFirstFrameFirstBuild"},
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
    FillStartBlendWeights(SplitBlendWeights, UnsplitBlendWeights);
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
    std::remove(g_SamplePath.c_str());
    return 0;
}
