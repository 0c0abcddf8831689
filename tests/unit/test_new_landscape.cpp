// test_new_landscape.cpp -- a landscape made from pictures: the heightmap's
// resampling, the countries of colours, blocks shared and refused, and
// every stored copy of every grid sample alike.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "image/png_write.h"
#include "landscape/lnd_check.h"
#include "landscape/map_grid.h"
#include "tools/new/new_landscape.h"

namespace {

constexpr int kGrid = kHeightmapSide;

uint32_t Hash(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352du;
    x ^= x >> 15;
    return x;
}

}  // namespace

TEST(NewLandscape, HeightsAreResampledToTheGrid) {
    // Each picture, and the altitudes expected at some grid samples (y, x).
    struct Probe {
        int y, x, altitude;
    };
    struct Case {
        const char* what;
        int32_t width, height;
        std::vector<uint16_t> samples;
        std::vector<Probe> probes;
    };
    std::vector<uint16_t> exact(size_t(kGrid) * kGrid);
    for (size_t i = 0; i < exact.size(); ++i) exact[i] = uint16_t(Hash(uint32_t(i)));
    std::vector<uint16_t> stripes(4097);  // 0 at even samples, 65535 at odd ones
    for (size_t i = 0; i < stripes.size(); ++i) stripes[i] = i % 2 ? 65535 : 0;
    std::vector<Case> cases = {
        {"2 x 2, bilinear", 2, 2, {0, 25700, 51400, 65535}, {{0, 0, 0}, {0, 512, 100}, {512, 0, 200}, {512, 512, 255},
                                                              {0, 256, 50}, {256, 256, 139}}},
        // A tent 8 samples wide: the stripes average to mid-grey inside, and
        // the edge's half tent weighs 2 of 4.5 to 65535.
        {"4097 x 1, averaged", 4097, 1, stripes, {{0, 256, 128}, {300, 100, 128}, {0, 0, 113}, {0, 512, 113}}},
    };
    Case exactCase = {"513 x 513, exactly", kGrid, kGrid, exact, {}};
    for (int y = 0; y < kGrid; y += 7)
        for (int x = 0; x < kGrid; x += 5)
            exactCase.probes.push_back({y, x, (exact[size_t(y) * kGrid + size_t(x)] + 128) / 257});
    cases.push_back(exactCase);
    for (const Case& c : cases) {
        const std::vector<uint8_t> heights = ResampleHeights(c.samples.data(), c.width, c.height);
        ASSERT_EQ(heights.size(), size_t(kGrid) * kGrid) << c.what;
        for (const Probe& p : c.probes)
            EXPECT_EQ(heights[size_t(p.y) * kGrid + size_t(p.x)], p.altitude) << c.what << " at " << p.y << "," << p.x;
    }
}

TEST(NewLandscape, ColoursAreCountries) {
    const struct {
        uint8_t r, g, b;
        int country;
    } cases[] = {
        {255, 0, 0, 0},     {250, 10, 5, 0},   {0, 0, 0, 7},      {40, 40, 40, 7},   {41, 0, 0, -1},
        {128, 128, 128, 14}, {128, 0, 0, 8},   {0, 128, 128, 12}, {200, 100, 50, -1}, {0, 128, 255, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CountryOfColour(c.r, c.g, c.b), c.country) << int(c.r) << "," << int(c.g) << "," << int(c.b);

    // An indexed picture in the country palette keeps its indices (15 is black
    // like 7); one of another palette goes by colour; resampled by the nearest
    // sample, corners on corners.
    const uint8_t palette[3 * 16] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 0, 0, 255, 255, 255, 0, 255,
                                     255, 255, 255, 0, 0, 0, 128, 0, 0, 0, 128, 0, 0, 0, 128, 128, 128, 0,
                                     0, 128, 128, 128, 0, 128, 128, 128, 128, 0, 0, 0};
    const uint8_t other[3 * 2] = {0, 0, 0, 250, 250, 250};
    const struct {
        const char* what;
        const uint8_t* rgb;
        int count;
        uint8_t indices[2];
        uint8_t left, right;
    } pictures[] = {
        {"country palette", palette, 16, {15, 7}, 15, 7},
        {"other palette", other, 2, {1, 0}, 6, 7},
    };
    for (const auto& p : pictures) {
        std::vector<uint8_t> png;
        std::string error;
        ASSERT_TRUE(EncodePngIndexed8(p.indices, 2, 1, {p.rgb, p.count, nullptr, 0}, &png, &error)) << error;
        std::vector<uint8_t> countries;
        ASSERT_TRUE(NewCountriesFromPng(png.data(), png.size(), &countries, &error)) << error;
        EXPECT_EQ(countries[0], p.left) << p.what;
        EXPECT_EQ(countries[255], p.left) << p.what;  // nearer the left pixel
        EXPECT_EQ(countries[256], p.right) << p.what;  // half way: the right one
        EXPECT_EQ(countries[size_t(kGrid) * kGrid - 1], p.right) << p.what;
    }
}

TEST(NewLandscape, IdenticalPlacesShareOneBlock) {
    // Raised samples (y, x, altitude) on a flat map, and the blocks needed.
    struct Bump {
        int y, x, altitude;
    };
    const struct {
        const char* what;
        std::vector<Bump> bumps;
        int seaLevel, blocks;
    } cases[] = {
        {"all flat", {}, 0, 1},
        {"one bump inside a place", {{40, 40, 90}}, 0, 2},
        {"the same bump in two places", {{40, 40, 90}, {40, 120, 90}}, 0, 2},
        {"two bumps told apart", {{40, 40, 90}, {40, 120, 91}}, 0, 3},
        {"a bump on an edge", {{32, 40, 90}}, 0, 3},
        {"a bump on a corner", {{32, 48, 90}}, 0, 5},
        {"a bump under the sea", {{40, 40, 30}}, 30, 1},
    };
    for (const auto& c : cases) {
        NewLandscapeInputs inputs;
        inputs.heights.assign(size_t(kGrid) * kGrid, 0);
        for (const Bump& b : c.bumps) inputs.heights[size_t(b.y) * kGrid + size_t(b.x)] = uint8_t(b.altitude);
        inputs.seaLevel = c.seaLevel;
        std::vector<uint8_t> file;
        int needed = 0;
        ASSERT_TRUE(BuildNewLandscape(inputs, &file, &needed)) << c.what;
        const CheckedLandscape landscape = CheckLandscape(file.data(), file.size());
        ASSERT_TRUE(landscape.Usable()) << c.what;
        EXPECT_EQ(landscape.blockCount, c.blocks) << c.what;
        EXPECT_EQ(needed, c.blocks) << c.what;
    }
}

TEST(NewLandscape, MoreThan255BlocksAreRefusedWithTheSeaLevelThatFits) {
    // 260 places each with one bump of its own (height 10 + p / 8, at column
    // 4 + p % 8 of the place): a sea at 10 flattens the first eight.
    NewLandscapeInputs inputs;
    inputs.heights.assign(size_t(kGrid) * kGrid, 0);
    for (int p = 0; p < 260; ++p) {
        const int y = 16 * (p / 32) + 8, x = 16 * (p % 32) + 4 + p % 8;
        inputs.heights[size_t(y) * kGrid + size_t(x)] = uint8_t(10 + p / 8);
    }
    std::vector<uint8_t> file;
    int needed = 0;
    EXPECT_FALSE(BuildNewLandscape(inputs, &file, &needed));
    EXPECT_EQ(needed, 261);
    EXPECT_TRUE(file.empty());
    EXPECT_EQ(LowestFittingSeaLevel(inputs), 10);
    EXPECT_EQ(NewBlocksNeeded(inputs, 9), 261);
    EXPECT_EQ(NewBlocksNeeded(inputs, 10), 253);
    inputs.seaLevel = 10;
    EXPECT_TRUE(BuildNewLandscape(inputs, &file, &needed));
    EXPECT_EQ(needed, 253);
}

TEST(NewLandscape, EveryCopyOfEverySampleIsAlike) {
    // Rough heights and countries over the first seven rows of places (224
    // blocks), with and without a countries picture; the rest flat.
    for (const bool painted : {false, true}) {
        NewLandscapeInputs inputs;
        inputs.heights.assign(size_t(kGrid) * kGrid, 0);
        if (painted) inputs.countries.assign(size_t(kGrid) * kGrid, 3);
        for (int y = 0; y < 16 * 7; ++y)
            for (int x = 0; x < kGrid; ++x) {
                const uint32_t h = Hash(uint32_t(y * kGrid + x) + 77);
                inputs.heights[size_t(y) * kGrid + size_t(x)] = uint8_t(h);
                if (painted) inputs.countries[size_t(y) * kGrid + size_t(x)] = uint8_t((h >> 8) % 16);
            }
        inputs.seaLevel = 20;
        std::vector<uint8_t> file;
        int needed = 0;
        ASSERT_TRUE(BuildNewLandscape(inputs, &file, &needed));
        const CheckedLandscape landscape = CheckLandscape(file.data(), file.size());
        ASSERT_TRUE(landscape.Usable());
        EXPECT_EQ(landscape.blockCount, 7 * 32 + 1);
        uint64_t faults = 0, samples = 0;
        for (int y = 0; y < kGrid; ++y)
            for (int x = 0; x < kGrid; ++x) {
                SampleCopy copies[kMostSampleCopies];
                const int n = GridSampleCopies(landscape, y, x, copies);
                ASSERT_GE(n, 1);
                const uint8_t altitude = std::max<uint8_t>(inputs.heights[size_t(y) * kGrid + size_t(x)], 20);
                const uint8_t country = painted ? inputs.countries[size_t(y) * kGrid + size_t(x)]
                                                : BandCountry(altitude, inputs.seaLevel);
                for (int i = 0; i < n; ++i) {
                    const uint8_t* block = landscape.Block(copies[i].block);
                    faults += CellAltitude(block, copies[i].r, copies[i].c) != altitude;
                    faults += CellCountryIndex(block, copies[i].r, copies[i].c) != country;
                    ++samples;
                }
            }
        EXPECT_EQ(faults, 0u) << (painted ? "painted" : "by bands");
        EXPECT_GT(samples, uint64_t(kGrid) * kGrid);
    }
}
