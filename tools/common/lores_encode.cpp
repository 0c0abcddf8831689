// lores_encode.cpp -- DXT3 encoding of the LoRes blocks that changed.
#include "tools/common/lores_encode.h"

#include <squish.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "landscape/lnd_format.h"
#include "texture/dxt3.h"
#include "texture/workers.h"

namespace {

constexpr int kBlocksPerSide = kLoResSide / 4;
constexpr int kSquishFlags = squish::kDxt3 | squish::kColourIterativeClusterFit;

// The 16 pixels of block (bx, by), row by row.
void GatherBlock(const uint8_t* rgba, int bx, int by, uint8_t* pixels_out) {
    for (int row = 0; row < 4; ++row)
        std::memcpy(pixels_out + 16 * row, rgba + 4 * (size_t(4 * by + row) * kLoResSide + size_t(4 * bx)), 16);
}

// The best fit costs about 80 microseconds a block: a whole new picture is
// shared out among the cores, a touch-up is not worth a thread.
void EncodeBlocksOnCores(const uint8_t* rgba, const std::vector<int>& blocks, uint8_t* image) {
    const int workers = blocks.size() < 256 ? 1 : std::min(ProcessorWorkerCount(), 8);
    ForEachOnWorkers(int32_t(blocks.size()), workers, [&](int32_t i) {
        uint8_t pixels[64];
        GatherBlock(rgba, blocks[size_t(i)] % kBlocksPerSide, blocks[size_t(i)] / kBlocksPerSide, pixels);
        squish::Compress(pixels, image + 16 * size_t(blocks[size_t(i)]), kSquishFlags);
    });
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
