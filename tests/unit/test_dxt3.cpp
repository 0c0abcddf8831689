// DXT3 decoding: palette arithmetic, bit order within a block, block order
// within the image, and the edges of the format.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "landscape/lnd_format.h"
#include "texture/dxt3.h"

namespace {

std::array<uint8_t, 16> Block(uint16_t c0, uint16_t c1, uint8_t indexByte, uint16_t alphaWord) {
    std::array<uint8_t, 16> b{};
    for (int row = 0; row < 4; ++row) {
        StoreU16(b.data() + 2 * row, alphaWord);
        b[12 + row] = indexByte;
    }
    StoreU16(b.data() + 8, c0);
    StoreU16(b.data() + 10, c1);
    return b;
}

// The 4 x 4 pixels of one decoded block, RGBA each.
std::vector<uint8_t> DecodeOne(const std::array<uint8_t, 16>& block) {
    std::vector<uint8_t> rgba(4 * 4 * 4, 0x77);
    DecodeDxt3(block.data(), rgba.data(), 4, 4);
    return rgba;
}

struct Rgb {
    int r, g, b;
};

Rgb PixelRgb(const std::vector<uint8_t>& rgba, int index) {
    return {rgba[4 * index], rgba[4 * index + 1], rgba[4 * index + 2]};
}

}  // namespace

TEST(DecodeDxt3, PaletteMatchesWorkedValues) {
    struct Case {
        uint16_t c0, c1;
        Rgb p[4];
    };
    const Case cases[] = {
        {0xFFFF, 0x0000, {{248, 252, 248}, {0, 0, 0}, {165, 168, 165}, {82, 84, 82}}},
        {0x0000, 0xFFFF, {{0, 0, 0}, {248, 252, 248}, {82, 84, 82}, {165, 168, 165}}},
        {0xF800, 0x001F, {{248, 0, 0}, {0, 0, 248}, {165, 0, 82}, {82, 0, 165}}},
    };
    for (const Case& c : cases) {
        // Index byte 0xE4 gives row pixels 0..3 the palette entries 0..3.
        const std::vector<uint8_t> rgba = DecodeOne(Block(c.c0, c.c1, 0xE4, 0xFFFF));
        for (int row = 0; row < 4; ++row) {
            for (int x = 0; x < 4; ++x) {
                const Rgb got = PixelRgb(rgba, 4 * row + x);
                EXPECT_EQ(got.r, c.p[x].r) << std::hex << c.c0 << " " << c.c1 << " entry " << x;
                EXPECT_EQ(got.g, c.p[x].g);
                EXPECT_EQ(got.b, c.p[x].b);
            }
        }
    }
    // Equal colours: four equal entries, no special mode.
    const std::vector<uint8_t> same = DecodeOne(Block(0x1234, 0x1234, 0xE4, 0));
    for (int i = 1; i < 16; ++i) EXPECT_EQ(PixelRgb(same, i).g, PixelRgb(same, 0).g);
}

TEST(DecodeDxt3, AlphaAndIndexBitsRunFromLowestBits) {
    // Alpha word 0xF0A5: pixels 0..3 get 85, 170, 0, 255.
    const std::vector<uint8_t> rgba = DecodeOne(Block(0xFFFF, 0, 0xE4, 0xF0A5));
    const int expected[4] = {85, 170, 0, 255};
    for (int x = 0; x < 4; ++x) EXPECT_EQ(rgba[4 * x + 3], expected[x]);

    // Each row has its own alpha word and index byte.
    std::array<uint8_t, 16> b = Block(0xFFFF, 0x0000, 0, 0);
    StoreU16(b.data() + 2 * 2, 0x000F);  // row 2, pixel 0 opaque
    b[12 + 3] = 0x40;                    // row 3, pixel 3 takes colour1
    const std::vector<uint8_t> rows = DecodeOne(b);
    EXPECT_EQ(rows[4 * (4 * 2 + 0) + 3], 255);
    EXPECT_EQ(rows[4 * (4 * 2 + 1) + 3], 0);
    EXPECT_EQ(PixelRgb(rows, 4 * 3 + 3).r, 0);
    EXPECT_EQ(PixelRgb(rows, 4 * 3 + 2).r, 248);
}

TEST(DecodeDxt3, AllZeroAndAllOnesBlocks) {
    std::array<uint8_t, 16> zero{};
    for (uint8_t v : DecodeOne(zero)) EXPECT_EQ(v, 0);

    std::array<uint8_t, 16> ones = Block(0xFFFF, 0xFFFF, 0, 0xFFFF);
    const std::vector<uint8_t> rgba = DecodeOne(ones);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(rgba[4 * i], 248);
        EXPECT_EQ(rgba[4 * i + 1], 252);
        EXPECT_EQ(rgba[4 * i + 2], 248);
        EXPECT_EQ(rgba[4 * i + 3], 255);
    }
}

TEST(DecodeDxt3, BlocksFillTheImageRowByRowFromTheTopLeft) {
    // 8 x 8 image: blocks 0 1 / 2 3, each a distinct solid red level.
    const int width = 8, height = 8;
    std::vector<uint8_t> source(4 * 16);
    const uint16_t reds[4] = {uint16_t(1 << 11), uint16_t(2 << 11), uint16_t(3 << 11), uint16_t(4 << 11)};
    for (int k = 0; k < 4; ++k) {
        const std::array<uint8_t, 16> b = Block(reds[k], reds[k], 0, 0xFFFF);
        std::copy(b.begin(), b.end(), source.begin() + 16 * k);
    }
    std::vector<uint8_t> rgba(width * height * 4);
    DecodeDxt3(source.data(), rgba.data(), height, width);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) EXPECT_EQ(rgba[4 * (y * width + x)], 8 * (1 + (y / 4) * 2 + x / 4)) << x << "," << y;

    // A 256-wide image: the block at offset 16 x 64 begins the fifth pixel row.
    std::vector<uint8_t> wide(64 * 2 * 16, 0);
    const std::array<uint8_t, 16> marked = Block(0xF800, 0xF800, 0, 0xFFFF);
    std::copy(marked.begin(), marked.end(), wide.begin() + 16 * 64);
    std::vector<uint8_t> out(256 * 8 * 4, 0);
    DecodeDxt3(wide.data(), out.data(), 8, 256);
    EXPECT_EQ(out[4 * (4 * 256 + 0)], 248);
    EXPECT_EQ(out[4 * (3 * 256 + 0)], 0);
    EXPECT_EQ(out[4 * (4 * 256 + 4)], 0);
}

TEST(DecodeDxt3, PartialAndEmptySizesWriteOnlyWholeBlocks) {
    const std::array<uint8_t, 16> b = Block(0xFFFF, 0xFFFF, 0, 0xFFFF);
    std::vector<uint8_t> rgba(6 * 6 * 4, 0x11);
    DecodeDxt3(b.data(), rgba.data(), 6, 6);   // one whole block; the rest untouched
    EXPECT_EQ(rgba[0], 248);
    EXPECT_EQ(rgba[4 * (3 * 6 + 3)], 248);
    EXPECT_EQ(rgba[4 * 4], 0x11);
    EXPECT_EQ(rgba[4 * (4 * 6)], 0x11);

    std::vector<uint8_t> untouched(16, 0x22);
    DecodeDxt3(b.data(), untouched.data(), 3, 256);
    DecodeDxt3(b.data(), untouched.data(), 256, 0);
    DecodeDxt3(b.data(), untouched.data(), -4, 4);
    for (uint8_t v : untouched) EXPECT_EQ(v, 0x22);
}
