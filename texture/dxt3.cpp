// dxt3.cpp -- DXT3 block decoder, used when the driver cannot take the
// compressed LoRes images as they are.
#include "texture/dxt3.h"

#include <bit>
#include <cstring>

#include "landscape/byte_order.h"

// The bytes R, G, B, A in memory order as one native word.
constexpr bool kLittleEndian = std::endian::native == std::endian::little;
constexpr int kAlphaShift = kLittleEndian ? 24 : 0;
static inline uint32_t PackRgb(uint32_t r, uint32_t g, uint32_t b) {
    return kLittleEndian ? r | (g << 8) | (b << 16) : (r << 24) | (g << 16) | (b << 8);
}

// How the 5- and 6-bit channels of a 565 colour become bytes.
enum class Expansion {
    // By shifting alone (full intensity is 248, 252, 248): the viewer's
    // upload, which the landscapes were authored against.
    Shift,
    // By bit replication (31 gives 255), as DDS readers show the image.
    Replicate,
};

template <Expansion kExpansion>
static inline uint32_t Expand5(uint32_t v) {
    return kExpansion == Expansion::Shift ? v << 3 : (v << 3) | (v >> 2);
}
template <Expansion kExpansion>
static inline uint32_t Expand6(uint32_t v) {
    return kExpansion == Expansion::Shift ? v << 2 : (v << 2) | (v >> 4);
}

// The two derived palette entries divide without rounding, in both expansions.
template <Expansion kExpansion>
static inline void DecodeBlock(const uint8_t* block, uint8_t* rgba_out, uint64_t stride_bytes) {
    const uint32_t c0 = LoadU16(block + 8), c1 = LoadU16(block + 10);
    const uint32_t r0 = Expand5<kExpansion>(c0 >> 11), g0 = Expand6<kExpansion>((c0 >> 5) & 0x3F),
                   b0 = Expand5<kExpansion>(c0 & 0x1F);
    const uint32_t r1 = Expand5<kExpansion>(c1 >> 11), g1 = Expand6<kExpansion>((c1 >> 5) & 0x3F),
                   b1 = Expand5<kExpansion>(c1 & 0x1F);
    // Palette entries as native words whose bytes in memory are R, G, B and
    // an alpha of 0, so each pixel is one lookup or-ed with its alpha and one store.
    const uint32_t colours[4] = {
        PackRgb(r0, g0, b0),
        PackRgb(r1, g1, b1),
        PackRgb((2 * r0 + r1) / 3, (2 * g0 + g1) / 3, (2 * b0 + b1) / 3),
        PackRgb((r0 + 2 * r1) / 3, (g0 + 2 * g1) / 3, (b0 + 2 * b1) / 3),
    };
    const uint64_t alphaBits = uint64_t(LoadU32(block)) | (uint64_t(LoadU32(block + 4)) << 32);
    const uint32_t indexBits = LoadU32(block + 12);
    for (int row = 0; row < 4; ++row) {
        const uint32_t alpha = uint32_t(alphaBits >> (16 * row));
        const uint32_t indices = indexBits >> (8 * row);
        const uint32_t pixels[4] = {
            colours[indices & 3] | (((alpha & 0xF) * 17) << kAlphaShift),
            colours[(indices >> 2) & 3] | ((((alpha >> 4) & 0xF) * 17) << kAlphaShift),
            colours[(indices >> 4) & 3] | ((((alpha >> 8) & 0xF) * 17) << kAlphaShift),
            colours[(indices >> 6) & 3] | ((((alpha >> 12) & 0xF) * 17) << kAlphaShift),
        };
        std::memcpy(rgba_out + stride_bytes * uint64_t(row), pixels, sizeof pixels);
    }
}

template <Expansion kExpansion>
static void DecodeImage(const uint8_t* source, uint8_t* rgba_out, int32_t height_px, int32_t width_px) {
    const int32_t blockRows = height_px / 4, blocksPerRow = width_px / 4;
    if (blockRows <= 0 || blocksPerRow <= 0) return;
    const uint64_t stride = uint64_t(width_px) * 4;
    for (int32_t by = 0; by < blockRows; ++by) {
        for (int32_t bx = 0; bx < blocksPerRow; ++bx) {
            DecodeBlock<kExpansion>(source, rgba_out + stride * 4 * uint64_t(by) + 16 * uint64_t(bx), stride);
            source += 16;
        }
    }
}

void DecodeDxt3(const uint8_t* source, uint8_t* rgba_out, int32_t height_px, int32_t width_px) {
    DecodeImage<Expansion::Shift>(source, rgba_out, height_px, width_px);
}

void DecodeDxt3Replicated(const uint8_t* source, uint8_t* rgba_out, int32_t height_px, int32_t width_px) {
    DecodeImage<Expansion::Replicate>(source, rgba_out, height_px, width_px);
}
