// lores_encode.cpp -- DXT3 encoding of the LoRes blocks that changed.
#include "tools/unpack/lores_encode.h"

#include <squish.h>

#include <algorithm>
#include <cstring>
#include <thread>
#include <vector>

#include "landscape/lnd_format.h"
#include "texture/dxt3.h"

namespace {

constexpr int kBlocksPerSide = kLoResSide / 4;
constexpr int kSquishFlags = squish::kDxt3 | squish::kColourIterativeClusterFit;

// The 16 pixels of block (bx, by), row by row.
void GatherBlock(const uint8_t* rgba, int bx, int by, uint8_t* pixels_out) {
    for (int row = 0; row < 4; ++row)
        std::memcpy(pixels_out + 16 * row, rgba + 4 * (size_t(4 * by + row) * kLoResSide + size_t(4 * bx)), 16);
}

// Blocks[first], blocks[first + step], ... encoded from the pixels.
void EncodeBlocks(const uint8_t* rgba, const std::vector<int>& blocks, size_t first, size_t step, uint8_t* image) {
    uint8_t pixels[64];
    for (size_t i = first; i < blocks.size(); i += step) {
        GatherBlock(rgba, blocks[i] % kBlocksPerSide, blocks[i] / kBlocksPerSide, pixels);
        squish::Compress(pixels, image + 16 * size_t(blocks[i]), kSquishFlags);
    }
}

// The best fit costs about 80 microseconds a block: a whole new picture is
// shared out among the cores, a touch-up is not worth a thread.
void EncodeBlocksOnCores(const uint8_t* rgba, const std::vector<int>& blocks, uint8_t* image) {
    const size_t threads = blocks.size() < 256 ? 1 : std::clamp<size_t>(std::thread::hardware_concurrency(), 1, 8);
    std::vector<std::thread> helpers;
    for (size_t t = 1; t < threads; ++t) helpers.emplace_back(EncodeBlocks, rgba, std::cref(blocks), t, threads, image);
    EncodeBlocks(rgba, blocks, 0, threads, image);
    for (std::thread& helper : helpers) helper.join();
}

}  // namespace

uint32_t EncodeChangedLoResBlocks(const uint8_t* rgba, uint8_t* image_inout) {
    std::vector<uint8_t> decoded(size_t(kLoResSide) * kLoResSide * 4);
    DecodeDxt3Replicated(image_inout, decoded.data(), kLoResSide, kLoResSide);
    std::vector<int> changed;
    uint8_t wanted[64], had[64];
    for (int b = 0; b < kBlocksPerSide * kBlocksPerSide; ++b) {
        GatherBlock(rgba, b % kBlocksPerSide, b / kBlocksPerSide, wanted);
        GatherBlock(decoded.data(), b % kBlocksPerSide, b / kBlocksPerSide, had);
        if (std::memcmp(wanted, had, sizeof wanted) != 0) changed.push_back(b);
    }
    EncodeBlocksOnCores(rgba, changed, image_inout);
    return uint32_t(changed.size());
}

bool LoResImageMatches(const uint8_t* rgba, const uint8_t* image) {
    std::vector<uint8_t> decoded(size_t(kLoResSide) * kLoResSide * 4);
    DecodeDxt3Replicated(image, decoded.data(), kLoResSide, kLoResSide);
    return std::memcmp(decoded.data(), rgba, decoded.size()) == 0;
}

void EncodeLoResImage(const uint8_t* rgba, uint8_t* image_out) {
    std::vector<int> every(kBlocksPerSide * kBlocksPerSide);
    for (size_t b = 0; b < every.size(); ++b) every[b] = int(b);
    EncodeBlocksOnCores(rgba, every, image_out);
}
