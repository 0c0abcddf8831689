// squish_block.cpp -- compresses 4x4 RGBA blocks with libsquish under several
// flag sets and prints each result in hex, one line per block. Built for
// Windows and for Linux: both must print the same. A fixed gradient block
// comes first, then pseudo-random ones: rounding differences between builds
// (the SSE2 path against the plain one) show up only in some blocks.
#include <squish.h>

#include <cstdint>
#include <cstdio>

namespace {

constexpr int kRandomBlocks = 2000;

const int kFlagSets[] = {
    squish::kDxt1 | squish::kColourClusterFit,
    squish::kDxt1 | squish::kColourRangeFit,
    squish::kDxt3 | squish::kColourRangeFit,
    squish::kDxt3 | squish::kColourClusterFit,
    squish::kDxt5 | squish::kColourIterativeClusterFit,
    squish::kDxt1 | squish::kColourClusterFit | squish::kWeightColourByAlpha,
};

void PrintBlock(int index, const unsigned char* rgba)
{
    std::printf("%4d", index);
    for (const int flags : kFlagSets) {
        unsigned char block[16] = {};
        squish::Compress(rgba, block, flags);
        std::printf(" ");
        for (int i = 0; i < squish::GetStorageRequirements(4, 4, flags); ++i) std::printf("%02x", block[i]);
    }
    std::printf("\n");
}

}  // namespace

int main()
{
    unsigned char rgba[16 * 4];
    for (int i = 0; i < 16; ++i) {
        const int x = i % 4, y = i / 4;
        rgba[i * 4 + 0] = static_cast<unsigned char>(40 + 60 * x + 7 * y);
        rgba[i * 4 + 1] = static_cast<unsigned char>(200 - 45 * y + 3 * x);
        rgba[i * 4 + 2] = static_cast<unsigned char>((i * 37) % 256);
        rgba[i * 4 + 3] = static_cast<unsigned char>(255 - 16 * i);
    }
    PrintBlock(0, rgba);

    std::uint32_t seed = 12345;  // a fixed LCG, the same on both systems
    for (int b = 1; b <= kRandomBlocks; ++b) {
        for (unsigned char& channel : rgba) {
            seed = seed * 1664525u + 1013904223u;
            channel = static_cast<unsigned char>(seed >> 24);
        }
        PrintBlock(b, rgba);
    }
    return 0;
}
