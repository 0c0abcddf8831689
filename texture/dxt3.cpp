// dxt3.cpp -- DXT3 block decoder, used when the driver cannot take the
// compressed LoRes images as they are.
#include "texture/dxt3.h"

#include <cstring>

#include "landscape/lnd_format.h"

// 565 colours expand by shifting alone (full intensity is 248, 252, 248), and
// the two derived palette entries divide without rounding, so the decoded
// image matches what the landscapes were authored against.
static void DecodeBlock(const uint8_t* block, uint8_t* rgba_out, uint64_t stride_bytes) {
    const uint16_t c0 = LoadU16(block + 8), c1 = LoadU16(block + 10);
    const unsigned r0 = (c0 >> 11) * 8, g0 = ((c0 >> 5) & 0x3F) * 4, b0 = (c0 & 0x1F) * 8;
    const unsigned r1 = (c1 >> 11) * 8, g1 = ((c1 >> 5) & 0x3F) * 4, b1 = (c1 & 0x1F) * 8;
    // Palette as 0xAABBGGRR words with alpha left 0; one store per pixel.
    uint32_t palette[4];
    palette[0] = r0 | (g0 << 8) | (b0 << 16);
    palette[1] = r1 | (g1 << 8) | (b1 << 16);
    palette[2] = (2 * r0 + r1) / 3 | ((2 * g0 + g1) / 3) << 8 | ((2 * b0 + b1) / 3) << 16;
    palette[3] = (r0 + 2 * r1) / 3 | ((g0 + 2 * g1) / 3) << 8 | ((b0 + 2 * b1) / 3) << 16;

    for (int row = 0; row < 4; ++row) {
        const unsigned alpha = LoadU16(block + 2 * row);
        const unsigned indices = block[12 + row];
        uint8_t* out = rgba_out + stride_bytes * uint64_t(row);
        for (int x = 0; x < 4; ++x) {
            const uint32_t colour = palette[(indices >> (2 * x)) & 3];
            const uint8_t pixel[4] = {uint8_t(colour), uint8_t(colour >> 8), uint8_t(colour >> 16),
                                      uint8_t(((alpha >> (4 * x)) & 0xF) * 17)};
            std::memcpy(out + 4 * x, pixel, 4);
        }
    }
}

void DecodeDxt3(const uint8_t* source, uint8_t* rgba_out, int32_t height_px, int32_t width_px) {
    const int32_t blockRows = height_px / 4, blocksPerRow = width_px / 4;
    if (blockRows <= 0 || blocksPerRow <= 0) return;
    const uint64_t stride = uint64_t(width_px) * 4;
    for (int32_t by = 0; by < blockRows; ++by) {
        for (int32_t bx = 0; bx < blocksPerRow; ++bx) {
            DecodeBlock(source, rgba_out + stride * 4 * uint64_t(by) + 16 * uint64_t(bx), stride);
            source += 16;
        }
    }
}
