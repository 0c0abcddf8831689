// lores_encode.cpp -- DXT3 encoding of the LoRes blocks that changed.
#include "tools/unpack/lores_encode.h"

#include <squish.h>

#include <cstring>
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

}  // namespace

uint32_t EncodeChangedLoResBlocks(const uint8_t* rgba, uint8_t* image_inout) {
    std::vector<uint8_t> decoded(size_t(kLoResSide) * kLoResSide * 4);
    DecodeDxt3Replicated(image_inout, decoded.data(), kLoResSide, kLoResSide);
    uint32_t encoded = 0;
    uint8_t wanted[64], had[64];
    for (int by = 0; by < kBlocksPerSide; ++by)
        for (int bx = 0; bx < kBlocksPerSide; ++bx) {
            GatherBlock(rgba, bx, by, wanted);
            GatherBlock(decoded.data(), bx, by, had);
            if (std::memcmp(wanted, had, sizeof wanted) == 0) continue;
            squish::Compress(wanted, image_inout + 16 * size_t(by * kBlocksPerSide + bx), kSquishFlags);
            ++encoded;
        }
    return encoded;
}

bool LoResImageMatches(const uint8_t* rgba, const uint8_t* image) {
    std::vector<uint8_t> decoded(size_t(kLoResSide) * kLoResSide * 4);
    DecodeDxt3Replicated(image, decoded.data(), kLoResSide, kLoResSide);
    return std::memcmp(decoded.data(), rgba, decoded.size()) == 0;
}

void EncodeLoResImage(const uint8_t* rgba, uint8_t* image_out) {
    uint8_t pixels[64];
    for (int by = 0; by < kBlocksPerSide; ++by)
        for (int bx = 0; bx < kBlocksPerSide; ++bx) {
            GatherBlock(rgba, bx, by, pixels);
            squish::Compress(pixels, image_out + 16 * size_t(by * kBlocksPerSide + bx), kSquishFlags);
        }
}
