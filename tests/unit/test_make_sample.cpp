// test_make_sample.cpp -- the generated sample landscape: determinism, a clean
// check at every cap, seamless blocks, terrain, countries and materials, LoRes
// squares in the right places and an independent DDS reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "landscape/lnd_check.h"
#include "landscape/lnd_format.h"
#include "texture/dxt3.h"
#include "tools/sample/sample_landscape.h"
#include "unit_support/test_files.h"

namespace {

struct Sample {
    std::vector<uint8_t> bytes;
    CheckedLandscape check;
    const uint8_t* At(uint64_t areaStart, uint64_t recordSize, int64_t k) const {
        return bytes.data() + areaStart + recordSize * uint64_t(k);
    }
    const uint8_t* Block(int64_t k) const { return At(check.areas.blockArea, kBlockSize, k); }
    const uint8_t* LoRes(int64_t i) const { return At(check.areas.loResArea, kLoResTextureSize, i); }
};

// Made once per seed and cap, shared by the tests.
const Sample& SampleFor(uint32_t seed, int cap) {
    static std::map<std::pair<uint32_t, int>, Sample> made;
    auto [it, isNew] = made.try_emplace({seed, cap});
    if (isNew) {
        it->second.bytes = MakeSampleLandscape(seed, cap);
        it->second.check = CheckLandscape(it->second.bytes.data(), it->second.bytes.size());
    }
    return it->second;
}

// The block at a map place, or none (open sea, or beyond the map's rim).
const uint8_t* BlockAt(const Sample& s, int b, int a) {
    if (b < 0 || a < 0 || b >= kBlockMapSide || a >= kBlockMapSide) return nullptr;
    const int v = BlockMapAt(s.bytes.data(), b, a);
    return v == 0 ? nullptr : s.Block(v - 1);
}

int Count(const std::vector<int64_t>& histogram, int low, int high) {
    int64_t n = 0;
    for (int h = low; h <= high; ++h) n += histogram[size_t(h)];
    return int(n);
}

}  // namespace

TEST(MakeSample, TheSeedAndCapDetermineTheBytes) {
    const std::vector<uint8_t> first = MakeSampleLandscape(7, 12);
    EXPECT_EQ(first, MakeSampleLandscape(7, 12));
    EXPECT_NE(first, MakeSampleLandscape(8, 12));
    EXPECT_NE(first, MakeSampleLandscape(7, 40));
    EXPECT_EQ(MakeSampleLandscape(3, 0), MakeSampleLandscape(3, 1)) << "caps are clamped to 1..255";
}

TEST(MakeSample, EverySeedAndCapGivesAWellFormedSeamlessFile) {
    for (uint32_t seed : {1u, 2u, 99u})
        for (int cap : {1, 4, 40, 255}) {
            SCOPED_TRACE("seed " + std::to_string(seed) + ", cap " + std::to_string(cap));
            const Sample& s = SampleFor(seed, cap);
            const CheckedLandscape& c = s.check;
            ASSERT_EQ(c.fault, LandscapeFault::None);
            EXPECT_EQ(c.length, c.areas.end) << "exactly the length the counts need";
            EXPECT_EQ(c.loResRecords.size(), c.counts.loResTextureCount);
            EXPECT_TRUE(LandscapeNotes(c, "sample.lnd").empty());
            EXPECT_GE(c.counts.countryCount, 4);
            EXPECT_GE(c.counts.materialCount, 6);
            EXPECT_EQ(c.counts.loResTextureCount, uint32_t((c.blockCount + 15) / 16));
            EXPECT_LE(c.blockCount, cap);
            EXPECT_GE(c.blockCount, cap < 40 ? 1 : cap * 85 / 100) << "the island grows to the cap";

            // The map names every block and nothing beyond them; shared edge
            // cells are the same 8 bytes, and edges facing open sea lie at 0.
            std::vector<int> placed(size_t(c.blockCount) + 1, 0);
            for (int b = 0; b < kBlockMapSide; ++b)
                for (int a = 0; a < kBlockMapSide; ++a) {
                    const int v = BlockMapAt(s.bytes.data(), b, a);
                    ASSERT_LE(v, c.blockCount);
                    ++placed[size_t(v)];
                    const uint8_t* block = BlockAt(s, b, a);
                    if (!block) continue;
                    const uint8_t* right = BlockAt(s, b, a + 1);
                    const uint8_t* below = BlockAt(s, b + 1, a);
                    for (int i = 0; i <= kBlockQuads; ++i) {
                        SCOPED_TRACE("place " + std::to_string(b) + "," + std::to_string(a) + " edge cell " +
                                     std::to_string(i));
                        ASSERT_TRUE(right ? std::memcmp(CellAt(block, i, 16), CellAt(right, i, 0), kCellSize) == 0
                                          : CellAltitude(block, i, 16) == 0);
                        ASSERT_TRUE(below ? std::memcmp(CellAt(block, 16, i), CellAt(below, 0, i), kCellSize) == 0
                                          : CellAltitude(block, 16, i) == 0);
                        ASSERT_TRUE(BlockAt(s, b, a - 1) || CellAltitude(block, i, 0) == 0);
                        ASSERT_TRUE(BlockAt(s, b - 1, a) || CellAltitude(block, 0, i) == 0);
                    }
                }
            for (int32_t v = 1; v <= c.blockCount; ++v) EXPECT_GE(placed[size_t(v)], 1) << "block " << v - 1;
        }
}

TEST(MakeSample, TerrainRunsFromSeaToPeaksAcrossSeveralCountries) {
    const Sample& s = SampleFor(1, 255);
    std::vector<int64_t> altitudes(256, 0), countries(16, 0);
    for (int32_t k = 0; k < s.check.blockCount; ++k)
        for (int r = 0; r < kBlockQuads; ++r)
            for (int c = 0; c < kBlockQuads; ++c) {
                ++altitudes[CellAltitude(s.Block(k), r, c)];
                if (CellAltitude(s.Block(k), r, c) > 0) ++countries[CellCountryIndex(s.Block(k), r, c)];
            }
    const int land = Count(altitudes, 1, 255);
    EXPECT_GT(altitudes[0], 0) << "open sea inside the blocks";
    EXPECT_GT(altitudes[255], 0) << "the highest peak reaches 255";
    EXPECT_GT(land, s.check.blockCount * 256 / 2);
    EXPECT_GT(Count(altitudes, 1, 12), land / 50) << "beaches";
    EXPECT_GT(Count(altitudes, 13, 100), land / 3) << "lowland";
    EXPECT_GT(Count(altitudes, 200, 255), land / 1000) << "snowy peaks";
    EXPECT_LT(Count(altitudes, 200, 255), land / 10) << "peaks, not a plateau";
    EXPECT_GE(std::count_if(countries.begin(), countries.end(), [&](int64_t n) { return n > land / 50; }), 4)
        << "countries with at least 2% of the land";
}

// Corner heights alone cannot tell a ridge from a saddle; a cubic through the
// 4 x 4 cells around a quad estimates its centre, and the SplitFlag should
// mostly pick the diagonal whose midpoint lies nearer it (not always: the
// generator knows the terrain between the cells). Random flags would agree
// on half the quads, flags read the wrong way round on few.
TEST(MakeSample, SplitFlagsFollowTheTerrain) {
    const Sample& s = SampleFor(1, 255);
    int64_t decided = 0, agreeing = 0;
    for (int32_t k = 0; k < s.check.blockCount; ++k)
        for (int r = 1; r < kBlockQuads - 1; ++r)
            for (int c = 1; c < kBlockQuads - 1; ++c) {
                auto h = [&](int i, int j) { return double(CellAltitude(s.Block(k), r + i, c + j)); };
                auto cubic = [](double p0, double p1, double p2, double p3) { return (9 * (p1 + p2) - p0 - p3) / 16; };
                double rows[4];
                for (int i = 0; i < 4; ++i) rows[i] = cubic(h(i - 1, -1), h(i - 1, 0), h(i - 1, 1), h(i - 1, 2));
                const double centre = cubic(rows[0], rows[1], rows[2], rows[3]);
                const double clearMid = (h(0, 0) + h(1, 1)) / 2, setMid = (h(0, 1) + h(1, 0)) / 2;
                if (std::abs(clearMid - setMid) < 2) continue;  // both fit about as well
                ++decided;
                const bool setFitsBetter = std::abs(setMid - centre) < std::abs(clearMid - centre);
                agreeing += setFitsBetter == CellSplitFlag(s.Block(k), r, c);
            }
    ASSERT_GT(decided, 1000);
    EXPECT_GT(double(agreeing) / double(decided), 0.75) << agreeing << " of " << decided;
}

// Countries crossfade between altitude bands, never switching at once;
// materials are tileable textures around mid-grey; the detail map is small.
TEST(MakeSample, CountriesMaterialsAndDetailMap) {
    const Sample& s = SampleFor(1, 4);
    const int32_t materials = s.check.counts.materialCount;
    for (int32_t k = 0; k < s.check.counts.countryCount; ++k) {
        std::vector<double> before(size_t(materials), 0.0), used(size_t(materials), 0.0);
        for (int h = 0; h < kCountryEntryCount; ++h) {
            const uint8_t* e = CountryEntryAt(s.At(s.check.areas.countryArea, kCountrySize, k), h);
            std::vector<double> mix(size_t(materials), 0.0);
            mix[EntryMaterialA(e)] += EntryBlendWeight(e) / 255.0;
            mix[EntryMaterialB(e)] += (255 - EntryBlendWeight(e)) / 255.0;
            double step = 0;
            for (int32_t m = 0; m < materials; ++m) {
                step += std::abs(mix[size_t(m)] - before[size_t(m)]);
                used[size_t(m)] += mix[size_t(m)];
            }
            EXPECT_TRUE(h == 0 || step <= 0.5) << "country " << k << " altitude " << h << " switches at once";
            before = mix;
        }
        EXPECT_GE(std::count_if(used.begin(), used.end(), [](double w) { return w > 0; }), 4) << "country " << k;
    }

    int textured = 0;
    for (int32_t m = 0; m < materials; ++m) {
        const uint8_t* material = s.At(s.check.areas.materialArea, kMaterialSize, m);
        double sum = 0, squares = 0, inner = 0, seams = 0;
        for (int y = 0; y < kMaterialSide; ++y)
            for (int x = 0; x < kMaterialSide; ++x) {
                const double v = MaterialTexel(material, y, x);
                sum += v;
                squares += v * v;
                // Steps to the right and down, across the edges into the next copy.
                const double step = std::abs(MaterialTexel(material, y, (x + 1) % kMaterialSide) - v) +
                                    std::abs(MaterialTexel(material, (y + 1) % kMaterialSide, x) - v);
                (x == kMaterialSide - 1 || y == kMaterialSide - 1 ? seams : inner) += step;
            }
        const double n = double(kMaterialSide) * kMaterialSide, seamTexels = 2.0 * kMaterialSide - 1;
        const double mean = sum / n, deviation = std::sqrt(squares / n - mean * mean);
        EXPECT_NEAR(mean, 32768, 1024) << "material " << m;
        EXPECT_LT(deviation, 4096) << "material " << m << ": small to moderate contrast";
        textured += deviation > 500;
        EXPECT_LT(seams / seamTexels, 1.5 * inner / (n - seamTexels) + 64) << "material " << m << " shows a seam";
    }
    EXPECT_GE(textured, 6);

    const uint8_t* detail = s.bytes.data() + s.check.areas.detailMap;
    EXPECT_EQ(*std::max_element(detail, detail + kDetailMapSize), 3);
    EXPECT_EQ(*std::min_element(detail, detail + kDetailMapSize), 0);
}

// Each cell's pixel (where the viewer samples it) shows water or land as the
// cell is sea or land; a square placed, turned or scaled wrongly mixes them up
// along the coasts, and one off by a fraction of a cell tints the sea cells
// along the shore with the land beside them.
TEST(MakeSample, LoResSquaresShowTheirOwnBlocksCells) {
    for (int cap : {40, 255}) {
        SCOPED_TRACE("cap " + std::to_string(cap));
        const Sample& s = SampleFor(1, cap);
        std::vector<std::vector<uint8_t>> images(s.check.counts.loResTextureCount, std::vector<uint8_t>(256 * 256 * 4));
        for (uint32_t i = 0; i < images.size(); ++i) {
            DecodeDxt3(s.LoRes(i) + kImageDataOffset, images[i].data(), kLoResSide, kLoResSide);
            for (size_t p = 3; p < images[i].size(); p += 4) ASSERT_EQ(images[i][p], 255) << "opaque";
        }
        int64_t checked = 0, wrong = 0, shoreSea = 0, pureShoreSea = 0;
        for (int32_t k = 0; k < s.check.blockCount; ++k)
            for (int r = 0; r <= kBlockQuads; ++r)
                for (int c = 0; c <= kBlockQuads; ++c) {
                    const uint8_t* block = s.Block(k);
                    const int altitude = CellAltitude(block, r, c);
                    int around = 0;  // the highest of the cells around
                    for (int i = std::max(r - 1, 0); i <= std::min(r + 1, 16); ++i)
                        for (int j = std::max(c - 1, 0); j <= std::min(c + 1, 16); ++j)
                            around = std::max<int>(around, CellAltitude(block, i, j));
                    // s = (c + 0.75) x single-precision 1/68 + origin, as the viewer forms it.
                    const int px = int((float(c + 0.75) * 0.014705882f + BlockTextureOriginS(block)) * 256);
                    const int py = int((float(r + 0.75) * 0.014705882f + BlockTextureOriginT(block)) * 256);
                    const uint8_t* pixel = &images[size_t(BlockLoResTextureIndex(block))][4 * (256 * py + px)];
                    if (altitude == 0 && around > 0) {
                        ++shoreSea;
                        pureShoreSea += pixel[0] < 10;  // the sea's red is 0, every land colour's far above
                    }
                    if (around > 0 && altitude < 12) continue;  // the shore itself
                    ++checked;
                    wrong += (pixel[0] < 60 && pixel[2] > 180) != (around == 0);
                }
        EXPECT_GT(checked, 2000);
        EXPECT_EQ(wrong, 0) << "cells whose pixel shows water on land or land at sea, of " << checked;
        ASSERT_GT(shoreSea, 100);
        EXPECT_GT(double(pureShoreSea) / double(shoreSea), 0.88) << pureShoreSea << " of " << shoreSea;
    }
}

// An exported DDS file ("DDS " and the record from byte 20 on) read by
// ImageMagick gives the colours our decoder gives, up to how each expands 565.
TEST(MakeSample, ImageMagickReadsTheLoResImagesAsWeDo) {
    if (!std::filesystem::exists("/usr/bin/convert")) GTEST_SKIP() << "ImageMagick is not installed";
    const Sample& s = SampleFor(1, 40);
    const std::string dir = TestTempDir("make_sample_dds");
    for (uint32_t i : {0u, s.check.counts.loResTextureCount - 1}) {
        std::vector<uint8_t> dds(kDdsFileSize);
        std::memcpy(dds.data(), "DDS ", 4);
        std::memcpy(dds.data() + 4, s.LoRes(i) + kDdsHeaderOffset, kDdsFileSize - 4);
        const std::string name = dir + "/lores-" + std::to_string(i);
        WriteTestFile(name + ".dds", dds);
        const std::string command = "/usr/bin/convert '" + name + ".dds' -depth 8 'rgba:" + name + ".rgba' 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        const std::vector<uint8_t> theirs = ReadTestFile(name + ".rgba");
        ASSERT_EQ(theirs.size(), size_t(256 * 256 * 4)) << "a 256 x 256 RGBA image";
        std::vector<uint8_t> ours(theirs.size());
        DecodeDxt3(s.LoRes(i) + kImageDataOffset, ours.data(), kLoResSide, kLoResSide);
        int worst = 0;
        for (size_t p = 0; p < ours.size(); ++p) worst = std::max(worst, std::abs(int(ours[p]) - int(theirs[p])));
        EXPECT_LE(worst, 8) << "LoRes texture " << i;
    }
}
