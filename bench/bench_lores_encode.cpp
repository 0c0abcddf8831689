// bench_lores_encode.cpp -- one edited LoRes texture encoded again as pack
// does it (libsquish, DXT3, iterative cluster fit, changed 4 x 4 blocks only;
// goal: 0.2 s or less), for three edits of a sample texture: every pixel
// changed to noise (the worst case), every pixel's colour shifted, and one
// 32 x 32 brush stroke; and libsquish's faster cluster fit on the noise for
// reference.
#include <benchmark/benchmark.h>
#include <squish.h>

#include <cstdint>
#include <random>
#include <vector>

#include "texture/dxt3.h"
#include "tools/sample/sample_landscape.h"
#include "tools/common/lores_encode.h"

namespace {

constexpr uint64_t kFirstImage = 1052 + 144;  // LoRes record 0's image in the sample

enum Edit { kNoise, kShift, kStroke };

struct EditedTexture {
    std::vector<uint8_t> image;  // the sample's DXT3 bytes
    std::vector<uint8_t> rgba;   // the edited picture
};

EditedTexture MakeEdit(Edit edit) {
    static const std::vector<uint8_t> sample = MakeSampleLandscape(1, 255);
    EditedTexture t;
    t.image.assign(sample.begin() + kFirstImage, sample.begin() + kFirstImage + 65536);
    t.rgba.resize(256 * 256 * 4);
    DecodeDxt3Replicated(t.image.data(), t.rgba.data(), 256, 256);
    std::mt19937 rng(3);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            uint8_t* p = t.rgba.data() + 4 * (256 * y + x);
            if (edit == kNoise) p[0] = uint8_t(rng()), p[1] = uint8_t(rng()), p[2] = uint8_t(rng());
            if (edit == kShift) p[0] = uint8_t(p[0] / 2 + 100), p[2] = uint8_t(255 - p[2]);
            if (edit == kStroke && x >= 100 && x < 132 && y >= 64 && y < 96) p[1] = uint8_t(255 - x);
        }
    return t;
}

void BM_EncodeChangedLoResBlocks(benchmark::State& state) {
    const EditedTexture t = MakeEdit(Edit(state.range(0)));
    std::vector<uint8_t> image;
    for (auto _ : state) {
        image = t.image;
        benchmark::DoNotOptimize(EncodeChangedLoResBlocks(t.rgba.data(), image.data()));
    }
}
BENCHMARK(BM_EncodeChangedLoResBlocks)->ArgName("noise_shift_stroke")->Arg(kNoise)->Arg(kShift)->Arg(kStroke)
    ->Unit(benchmark::kMillisecond);

void BM_SquishClusterFitOfNoise(benchmark::State& state) {
    const EditedTexture t = MakeEdit(kNoise);
    std::vector<uint8_t> image(65536);
    uint8_t pixels[64];
    for (auto _ : state)
        for (int b = 0; b < 4096; ++b) {
            for (int row = 0; row < 4; ++row)
                std::copy_n(t.rgba.data() + 4 * (256 * (4 * (b / 64) + row) + 4 * (b % 64)), 16, pixels + 16 * row);
            squish::Compress(pixels, image.data() + 16 * b, squish::kDxt3 | squish::kColourClusterFit);
        }
}
BENCHMARK(BM_SquishClusterFitOfNoise)->Unit(benchmark::kMillisecond);

}  // namespace
