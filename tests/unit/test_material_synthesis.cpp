// test_material_synthesis.cpp -- SynthesizeBlockMaterial: texel for texel
// against the direct evaluation of its formula in
// testing/material_reference.h on random blocks, plus the formula's
// numeric and orientation edge cases and the bounds rules for bad records.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "landscape/lnd_format.h"
#include "texture/material_mipmaps.h"
#include "texture/material_synthesis.h"
#include "testing/material_reference.h"
#include "unit_support/test_files.h"

namespace {

using Texture = std::vector<uint16_t>;

struct Tables {
    uint8_t split[256];
    uint8_t unsplit[256];
};

Tables FilledTables(uint8_t splitValue, uint8_t unsplitValue) {
    Tables t;
    std::memset(t.split, splitValue, 256);
    std::memset(t.unsplit, unsplitValue, 256);
    return t;
}

MaterialSources SourcesOf(TestLandscape& l) {
    const LandscapeCounts counts = ReadLandscapeCounts(l.Header());
    return {l.Country(0), counts.countryCount, l.Material(0), counts.materialCount, l.Detail()};
}

Texture Fast(const uint8_t* block, const MaterialSources& s, const Tables& t, uint16_t fill = 0xA5A5) {
    Texture out(kMaterialTextureTexels, fill);
    SynthesizeBlockMaterial(block, s, t.split, t.unsplit, out.data());
    return out;
}

Texture Reference(const uint8_t* block, const MaterialSources& s, const Tables& t) {
    Texture out(kMaterialTextureTexels, 0x5A5A);
    material_reference::Synthesize(block, s, t.split, t.unsplit, out.data());
    return out;
}

uint16_t At(const Texture& t, int row, int column) { return t[size_t(256 * row + column)]; }

// Reports the first few differing texels instead of 65536 lines.
::testing::AssertionResult SameTexture(const Texture& expected, const Texture& actual) {
    int differences = 0;
    std::string report;
    for (int y = 0; y < 256; ++y) {
        for (int x = 0; x < 256; ++x) {
            if (At(expected, y, x) != At(actual, y, x)) {
                if (++differences <= 8)
                    report += " (row " + std::to_string(y) + ", column " + std::to_string(x) + "): expected " +
                              std::to_string(At(expected, y, x)) + ", got " + std::to_string(At(actual, y, x)) + ";";
            }
        }
    }
    if (differences == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << differences << " texels differ:" << report;
}

// The fast path's texture, checked against the reference on the way (so
// that the examples below hold for the reference too).
Texture Synthesized(const uint8_t* block, const MaterialSources& s, const Tables& t) {
    Texture fast = Fast(block, s, t);
    EXPECT_TRUE(SameTexture(Reference(block, s, t), fast)) << "the reference disagrees";
    return fast;
}

// Every texel of the texture equals `value`.
::testing::AssertionResult AllTexels(const Texture& t, uint16_t value) {
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            if (At(t, y, x) != value)
                return ::testing::AssertionFailure()
                       << "(row " << y << ", column " << x << ") is " << At(t, y, x) << ", expected " << value;
    return ::testing::AssertionSuccess();
}

void SetAllCells(TestLandscape& l, int32_t block, uint8_t altitude, uint8_t attributes) {
    for (int r = 0; r < 17; ++r)
        for (int c = 0; c < 17; ++c) l.SetCell(block, r, c, altitude, attributes);
}

void SetAllEntries(TestLandscape& l, int32_t country, uint32_t a, uint32_t b, uint32_t w) {
    for (int h = 0; h < 256; ++h) l.SetEntry(country, h, a, b, w);
}

void FillDetail(TestLandscape& l, uint8_t value) { std::memset(l.Detail(), value, kDetailMapSize); }

// ---------------------------------------------------------------------------
// Random landscapes
// ---------------------------------------------------------------------------
struct RandomOptions {
    int countryIndexLimit = 16;       // CountryIndex drawn from 0 .. limit - 1
    uint32_t materialIndexLimit = 0;  // indices below it; 0: up to materialCount + 1 and a few 0xFFFFFFFF
    bool oddWeights = true;           // some BlendWeights above 255
};

uint32_t RandomBlendWeight(std::mt19937& rng, bool oddWeights) {
    if (oddWeights && rng() % 16 == 0) {
        static const uint32_t kOdd[] = {256, 257, 1000, 65535, 0x80000000u, 0xFFFFFF00u, 0xFFFFFFFFu};
        if (rng() % 2) return kOdd[rng() % (sizeof kOdd / sizeof kOdd[0])];
        return uint32_t(rng());
    }
    switch (rng() % 8) {
        case 0: return 0;
        case 1: return 255;
        default: return uint32_t(rng() % 256);
    }
}

void Randomize(TestLandscape& l, std::mt19937& rng, const RandomOptions& o) {
    const LandscapeCounts counts = ReadLandscapeCounts(l.Header());
    for (int32_t k = 0; k < counts.blockCountPlusOne - 1; ++k)
        for (int r = 0; r < 17; ++r)
            for (int c = 0; c < 17; ++c) {
                const uint8_t attributes = uint8_t((rng() & 0xF0) | uint32_t(rng() % uint32_t(o.countryIndexLimit)));
                l.SetCell(k, r, c, uint8_t(rng()), attributes);
            }
    const uint32_t materialLimit =
        o.materialIndexLimit ? o.materialIndexLimit : uint32_t(std::max(counts.materialCount, 0) + 2);
    for (int32_t k = 0; k < counts.countryCount; ++k)
        for (int h = 0; h < 256; ++h) {
            uint32_t a = uint32_t(rng() % materialLimit), b = uint32_t(rng() % materialLimit);
            if (o.materialIndexLimit == 0 && rng() % 64 == 0) a = 0xFFFFFFFFu;
            l.SetEntry(k, h, a, b, RandomBlendWeight(rng, o.oddWeights));
        }
    for (int32_t m = 0; m < counts.materialCount; ++m) {
        uint8_t* texels = l.Material(m) + kTexelsOffset;
        for (size_t i = 0; i < 2 * 65536; ++i) texels[i] = uint8_t(rng());
        // A few extreme texels.
        for (int n = 0; n < 64; ++n) l.SetTexel(m, int(rng() % 256), int(rng() % 256), (rng() % 2) ? 65535 : 0);
    }
    for (size_t i = 0; i < kDetailMapSize; ++i) l.Detail()[i] = uint8_t(rng() % 4 == 0 ? rng() : rng() % 8);
}

Tables RandomTables(std::mt19937& rng) {
    Tables t;
    for (int i = 0; i < 256; ++i) {
        t.split[i] = uint8_t(rng());
        t.unsplit[i] = uint8_t(rng());
    }
    t.split[rng() % 256] = 0;
    t.unsplit[rng() % 256] = 255;
    return t;
}

// Copies the country, material and detail areas into buffers of exactly
// their size, so that the sanitizer build catches any read beyond them.
struct SeparateAreas {
    std::vector<uint8_t> countries, materials, detail;
    MaterialSources sources;

    explicit SeparateAreas(TestLandscape& l) {
        const MaterialSources s = SourcesOf(l);
        countries.assign(s.countryArea, s.countryArea + kCountrySize * uint64_t(s.countryCount));
        materials.assign(s.materialArea, s.materialArea + kMaterialSize * uint64_t(s.materialCount));
        detail.assign(s.detailMap, s.detailMap + kDetailMapSize);
        sources = {countries.data(), s.countryCount, materials.data(), s.materialCount, detail.data()};
    }
};

}  // namespace

// ---------------------------------------------------------------------------
// Fast path against the reference
// ---------------------------------------------------------------------------
TEST(MaterialSynthesis, MatchesReferenceOnRandomBlocksWithBadRecords) {
    // 5 countries: CountryIndex 5..15 is clamped; material indices up to
    // materialCount + 1 and 0xFFFFFFFF are clamped; some weights above 255.
    for (uint32_t seed = 1; seed <= 3; ++seed) {
        std::mt19937 rng(seed);
        TestLandscape l(2, 5, 4, 0);
        Randomize(l, rng, RandomOptions{});
        const Tables t = RandomTables(rng);
        SeparateAreas areas(l);
        for (int32_t k = 0; k < 2; ++k) {
            SCOPED_TRACE("seed " + std::to_string(seed) + ", block " + std::to_string(k));
            EXPECT_TRUE(SameTexture(Reference(l.Block(k), SourcesOf(l), t), Fast(l.Block(k), areas.sources, t)));
        }
    }
}

TEST(MaterialSynthesis, MatchesReferenceOnRealisticBlocks) {
    // Well-formed records and the start-up tables (63 everywhere).
    for (uint32_t seed = 10; seed <= 12; ++seed) {
        std::mt19937 rng(seed);
        TestLandscape l(1, 16, 6, 0);
        RandomOptions o;
        o.materialIndexLimit = 6;
        o.oddWeights = false;
        Randomize(l, rng, o);
        SCOPED_TRACE("seed " + std::to_string(seed));
        const Tables t = FilledTables(63, 63);
        SeparateAreas areas(l);
        EXPECT_TRUE(SameTexture(Reference(l.Block(0), SourcesOf(l), t), Fast(l.Block(0), areas.sources, t)));
    }
}

TEST(MaterialSynthesis, MatchesReferenceWithOneCountryPerQuadRegion) {
    // Countries in 4 x 4-cell patches: most quads have one country, the
    // patch borders two or four.
    std::mt19937 rng(20);
    TestLandscape l(1, 4, 3, 0);
    Randomize(l, rng, RandomOptions{});
    for (int r = 0; r < 17; ++r)
        for (int c = 0; c < 17; ++c)
            l.SetCell(0, r, c, uint8_t(rng()), uint8_t(((r / 4 + c / 4) % 4) | (rng() & 0x80)));
    const Tables t = RandomTables(rng);
    EXPECT_TRUE(SameTexture(Reference(l.Block(0), SourcesOf(l), t), Fast(l.Block(0), SourcesOf(l), t)));
}

TEST(MaterialSynthesis, MatchesReferenceWithEveryWeightAboveByteRange) {
    std::mt19937 rng(30);
    TestLandscape l(1, 2, 2, 0);
    Randomize(l, rng, RandomOptions{});
    static const uint32_t kWeights[] = {256, 1000, 0xFFFFFFFFu};
    for (int32_t k = 0; k < 2; ++k)
        for (int h = 0; h < 256; ++h)
            l.SetEntry(k, h, uint32_t(rng() % 2), uint32_t(rng() % 2), kWeights[rng() % 3]);
    const Tables t = RandomTables(rng);
    EXPECT_TRUE(SameTexture(Reference(l.Block(0), SourcesOf(l), t), Fast(l.Block(0), SourcesOf(l), t)));
}

TEST(MaterialSynthesis, WritesEveryTexel) {
    std::mt19937 rng(40);
    TestLandscape l(1, 2, 2, 0);
    Randomize(l, rng, RandomOptions{});
    const Tables t = RandomTables(rng);
    EXPECT_TRUE(SameTexture(Fast(l.Block(0), SourcesOf(l), t, 0x0000), Fast(l.Block(0), SourcesOf(l), t, 0xFFFF)));
}

// ---------------------------------------------------------------------------
// Lookup altitude. Every entry of country 0 gives material 0
// (filled 1000); the marked entries give material 1 (40000) or 2 (20000).
// With the tables at 63: 4 x 1000 x 63 / 256 -> 984, 40000 -> 39375,
// 20000 -> 19687.
// ---------------------------------------------------------------------------
namespace {

struct AltitudeLandscape {
    TestLandscape l{1, 2, 3, 0};
    AltitudeLandscape() {
        l.FillMaterial(0, 1000);
        l.FillMaterial(1, 40000);
        l.FillMaterial(2, 20000);
        SetAllEntries(l, 0, 0, 0, 0);
    }
    void Mark(int h, uint32_t material) { l.SetEntry(0, h, material, 0, 255); }
};

}  // namespace

TEST(MaterialSynthesis, FourCornersOf100GiveLookupAltitude98) {
    AltitudeLandscape a;
    SetAllCells(a.l, 0, 100, 0);
    a.Mark(98, 1);
    EXPECT_TRUE(AllTexels(Synthesized(a.l.Block(0), SourcesOf(a.l), FilledTables(63, 63)), 39375));
    // Not 97 or 99.
    AltitudeLandscape b;
    SetAllCells(b.l, 0, 100, 0);
    b.Mark(97, 1);
    b.Mark(99, 1);
    EXPECT_TRUE(AllTexels(Synthesized(b.l.Block(0), SourcesOf(b.l), FilledTables(63, 63)), 984));
}

TEST(MaterialSynthesis, FourCornersOf255GiveLookupAltitude251) {
    AltitudeLandscape a;
    SetAllCells(a.l, 0, 255, 0x80);
    a.Mark(251, 1);
    EXPECT_TRUE(AllTexels(Synthesized(a.l.Block(0), SourcesOf(a.l), FilledTables(63, 63)), 39375));
}

TEST(MaterialSynthesis, LookupAltitudeIsClampedTo255) {
    AltitudeLandscape a;
    SetAllCells(a.l, 0, 255, 0);
    a.Mark(254, 1);  // 40000 -> 39375
    a.Mark(255, 2);  // 20000 -> 19687
    // Column x of the texture takes detail byte 256 x + y: columns 0..4 get
    // d = 3, 4, 5, 6, 255.
    static const uint8_t kDetail[] = {3, 4, 5, 6, 255};
    FillDetail(a.l, 0);
    for (int x = 0; x < 5; ++x) std::memset(a.l.Detail() + 256 * x, kDetail[x], 256);
    const Texture t = Synthesized(a.l.Block(0), SourcesOf(a.l), FilledTables(63, 63));
    for (int y = 0; y < 256; ++y) {
        EXPECT_EQ(At(t, y, 0), 39375) << "d = 3: 254.015625 selects entry 254";
        EXPECT_EQ(At(t, y, 1), 19687) << "d = 4: 255.015625 selects entry 255";
        EXPECT_EQ(At(t, y, 2), 19687) << "d = 5: 256.015625 is clamped to 255";
        EXPECT_EQ(At(t, y, 3), 19687) << "d = 6 is clamped to 255";
        EXPECT_EQ(At(t, y, 4), 19687) << "d = 255 is clamped to 255";
        EXPECT_EQ(At(t, y, 5), 984) << "d = 0: 251";
    }
}

// ---------------------------------------------------------------------------
// Corner colours and the texel. With both tables at 64
// the four weights sum to 256, so a texel whose corners share one country is
// exactly its corner colour.
// ---------------------------------------------------------------------------
namespace {

// Material 0 and 1 filled, every entry of country 0 the same.
Texture UniformColour(uint16_t ma, uint16_t mb, uint32_t w, const Tables& tables) {
    TestLandscape l(1, 2, 2, 0);
    l.FillMaterial(0, ma);
    l.FillMaterial(1, mb);
    SetAllEntries(l, 0, 0, 1, w);
    SetAllCells(l, 0, 37, 0);
    return Synthesized(l.Block(0), SourcesOf(l), tables);
}

}  // namespace

TEST(MaterialSynthesis, FourCornerColoursOf65535Give64511) {
    EXPECT_TRUE(AllTexels(UniformColour(65535, 0, 255, FilledTables(63, 63)), 64511));
    EXPECT_TRUE(AllTexels(UniformColour(0, 65535, 0, FilledTables(63, 63)), 64511));
}

TEST(MaterialSynthesis, TablesOf64PassTheCornerColourThrough) {
    EXPECT_TRUE(AllTexels(UniformColour(12345, 0, 255, FilledTables(64, 64)), 12345));
    EXPECT_TRUE(AllTexels(UniformColour(65535, 0, 255, FilledTables(64, 64)), 65535));
}

TEST(MaterialSynthesis, Weight255GivesMaterialAAndWeight0MaterialB) {
    std::mt19937 rng(50);
    TestLandscape l(1, 2, 2, 0);
    for (int m = 0; m < 2; ++m)
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) l.SetTexel(m, y, x, uint16_t(rng()));
    l.SetTexel(0, 3, 4, 65535);
    l.SetTexel(1, 5, 6, 65535);
    for (int h = 0; h < 256; ++h) {
        l.SetEntry(0, h, 0, 1, 255);  // country 0: MaterialA = 0
        l.SetEntry(1, h, 0, 1, 0);    // country 1: MaterialB = 1
    }
    for (int r = 0; r < 17; ++r)
        for (int c = 0; c < 17; ++c) l.SetCell(0, r, c, uint8_t(rng()), 0);
    for (size_t i = 0; i < kDetailMapSize; ++i) l.Detail()[i] = uint8_t(rng());
    const Tables t64 = FilledTables(64, 64);

    const Texture a = Synthesized(l.Block(0), SourcesOf(l), t64);
    for (int r = 0; r < 17; ++r)
        for (int c = 0; c < 17; ++c) l.SetCell(0, r, c, CellAltitude(l.Block(0), r, c), 1);
    const Texture b = Synthesized(l.Block(0), SourcesOf(l), t64);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            ASSERT_EQ(At(a, y, x), MaterialTexel(l.Material(0), y, x)) << "w = 255, row " << y << ", column " << x;
            ASSERT_EQ(At(b, y, x), MaterialTexel(l.Material(1), y, x)) << "w = 0, row " << y << ", column " << x;
        }
}

TEST(MaterialSynthesis, Weight4WithBothTexels3Gives2) {
    EXPECT_TRUE(AllTexels(UniformColour(3, 3, 4, FilledTables(64, 64)), 2));
}

TEST(MaterialSynthesis, FactorsSummingBelowOneLoseAUnit) {
    // (255 - w)/255 + w/255 < 1 in double exactly for w = 11, 27, 228, 244;
    // two texels of 1 then blend to 0.
    for (uint32_t w : {11u, 27u, 228u, 244u}) {
        SCOPED_TRACE("w = " + std::to_string(w));
        EXPECT_TRUE(AllTexels(UniformColour(1, 1, w, FilledTables(64, 64)), 0));
    }
    // Neighbours whose factors do not fall below 1 keep 1.
    for (uint32_t w : {10u, 12u, 26u, 28u, 227u, 229u, 243u, 245u}) {
        SCOPED_TRACE("w = " + std::to_string(w));
        EXPECT_TRUE(AllTexels(UniformColour(1, 1, w, FilledTables(64, 64)), 1));
    }
}

TEST(MaterialSynthesis, EveryByteWeightMatchesTheReference) {
    // Every weight 0..255 meets every Ma/Mb pair of a small set: texel (y, x)
    // has Ma = kValues[x % 12] and Mb = kValues[y % 12]; entry h has w = h;
    // with altitudes 0 and tables of 64, h is the detail byte, constant over
    // each aligned 12 x 12 square (21 x 21 = 441 squares, numbered in turn).
    static const uint16_t kValues[] = {0, 1, 2, 3, 7, 255, 256, 1000, 32767, 32768, 65534, 65535};
    TestLandscape l(1, 1, 2, 0);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            l.SetTexel(0, y, x, kValues[x % 12]);
            l.SetTexel(1, y, x, kValues[y % 12]);
            l.Detail()[256 * x + y] = uint8_t((x / 12 + 21 * (y / 12)) % 256);
        }
    for (int h = 0; h < 256; ++h) l.SetEntry(0, h, 0, 1, uint32_t(h));
    const Tables t64 = FilledTables(64, 64);
    const Texture fast = Synthesized(l.Block(0), SourcesOf(l), t64);
    EXPECT_TRUE(SameTexture(Reference(l.Block(0), SourcesOf(l), t64), fast));
    // Spot checks of the formula: w = 255 gives Ma, w = 0 gives Mb,
    // w = 4 with 3 and 3 gives 2 (square 4 is x 48..59, y 0..11).
    EXPECT_EQ(At(fast, 7, 12 * 0 + 9), kValues[7]);   // square 0: h = 0, Mb = kValues[7]
    EXPECT_EQ(At(fast, 3, 12 * 4 + 3), 2);            // square 4: h = 4, Ma = Mb = 3
}

TEST(MaterialSynthesis, WeightsAbove255WrapWithoutUndefinedBehaviour) {
    // The sum reaches about 1.1e12 (beyond 32 bits); the corner colour is
    // its low 16 bits. Expected values from the formula evaluated by hand in
    // double: e.g. w = 256, Ma = Mb = 1: 16843009.0 + 1.0039... -> 16843010,
    // low 16 bits 258.
    const Tables t64 = FilledTables(64, 64);
    struct Case {
        uint32_t w;
        uint16_t ma, mb, colour;
    };
    static const Case kCases[] = {
        {256, 1, 1, 258},         {256, 0, 65535, 65279},  {256, 65535, 65535, 65535},
        {1000, 3, 65535, 5154},   {1000, 65535, 0, 60392}, {1000, 1, 1, 258},
        {0xFFFFFFFFu, 65535, 1, 65280}, {0xFFFFFFFFu, 3, 3, 774}, {0xFFFFFFFFu, 65535, 65535, 65535},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE("w = " + std::to_string(c.w) + ", Ma = " + std::to_string(c.ma) + ", Mb = " +
                     std::to_string(c.mb));
        EXPECT_TRUE(AllTexels(UniformColour(c.ma, c.mb, c.w, t64), c.colour));
        TestLandscape l(1, 1, 2, 0);
        l.FillMaterial(0, c.ma);
        l.FillMaterial(1, c.mb);
        SetAllEntries(l, 0, 0, 1, c.w);
        EXPECT_TRUE(SameTexture(Reference(l.Block(0), SourcesOf(l), t64), Fast(l.Block(0), SourcesOf(l), t64)));
    }
}

TEST(MaterialSynthesis, TexelKeepsLow16BitsOfLargeWeightSums) {
    // Tables of 255: four corners of 65535 weigh 65535 x 1020 / 256 =
    // 261116.015625; the texel keeps the low 16 bits, 261116 - 3 x 65536.
    EXPECT_TRUE(AllTexels(UniformColour(65535, 0, 255, FilledTables(255, 255)), uint16_t(261116 - 3 * 65536)));
}

// ---------------------------------------------------------------------------
// Orientation
// ---------------------------------------------------------------------------
namespace {

// Every entry h of country 0 gives a distinct colour (w = h, Ma = 65535,
// Mb = 0), so with tables of 64 the texel shows the lookup altitude.
TestLandscape AltitudeRevealing(int blocks) {
    TestLandscape l(blocks, 1, 2, 0);
    l.FillMaterial(0, 65535);
    l.FillMaterial(1, 0);
    for (int h = 0; h < 256; ++h) l.SetEntry(0, h, 0, 1, uint32_t(h));
    for (int k = 0; k < blocks; ++k) SetAllCells(l, k, uint8_t(40 + 30 * k), uint8_t(k % 2 ? 0x80 : 0));
    return l;
}

}  // namespace

TEST(MaterialSynthesis, DetailMapIsColumnMajor) {
    for (size_t index : {size_t(1), size_t(256)}) {
        SCOPED_TRACE("detail index " + std::to_string(index));
        TestLandscape l = AltitudeRevealing(2);
        const Tables t64 = FilledTables(64, 64);
        const Texture before0 = Synthesized(l.Block(0), SourcesOf(l), t64);
        const Texture before1 = Synthesized(l.Block(1), SourcesOf(l), t64);
        l.Detail()[index] = 7;
        const Texture after0 = Synthesized(l.Block(0), SourcesOf(l), t64);
        const Texture after1 = Synthesized(l.Block(1), SourcesOf(l), t64);
        // Index 1 is column 0, row 1; index 256 is column 1, row 0.
        const int changedRow = index == 1 ? 1 : 0, changedColumn = index == 1 ? 0 : 1;
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) {
                const bool changed = y == changedRow && x == changedColumn;
                EXPECT_EQ(At(before0, y, x) != At(after0, y, x), changed) << "block 0, row " << y << ", column " << x;
                EXPECT_EQ(At(before1, y, x) != At(after1, y, x), changed) << "block 1, row " << y << ", column " << x;
            }
    }
}

namespace {

// Country 1 (colour 1000 at every altitude) only at cell (5, 7); country 0
// (colour 0) everywhere else. The texture is then non-zero exactly where
// cell (5, 7) has a non-zero weight as a corner of one of its four quads.
TestLandscape OneLitCell() {
    TestLandscape l(1, 2, 2, 0);
    l.FillMaterial(0, 0);
    l.FillMaterial(1, 1000);
    SetAllEntries(l, 0, 0, 0, 255);
    SetAllEntries(l, 1, 1, 0, 255);
    SetAllCells(l, 0, 0, 0);
    l.SetCell(0, 5, 7, 0, 1);
    return l;
}

struct Lit {
    int row, column;
    uint16_t value;
};

::testing::AssertionResult OnlyLit(const Texture& t, std::initializer_list<Lit> lit) {
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            uint16_t expected = 0;
            for (const Lit& l : lit)
                if (l.row == y && l.column == x) expected = l.value;
            if (At(t, y, x) != expected)
                return ::testing::AssertionFailure()
                       << "(row " << y << ", column " << x << ") is " << At(t, y, x) << ", expected " << expected;
        }
    return ::testing::AssertionSuccess();
}

}  // namespace

TEST(MaterialSynthesis, CornerWeightsMirrorTowardsTheirCorner) {
    TestLandscape l = OneLitCell();
    Tables t = FilledTables(0, 0);
    t.unsplit[1] = 200;  // a = 0, b = 1 only; no split flags set
    // 1000 x 200 / 256 = 781.25.
    EXPECT_TRUE(OnlyLit(Synthesized(l.Block(0), SourcesOf(l), t),
                        {
                            {16 * 5 + 1, 16 * 7 + 0, 781},    // corner (i, j) of quad (5, 7): tx 0, ty 1
                            {16 * 5 + 1, 16 * 6 + 15, 781},   // corner (i, j+1) of quad (5, 6): tx 15, ty 1
                            {16 * 4 + 14, 16 * 7 + 0, 781},   // corner (i+1, j) of quad (4, 7): tx 0, ty 14
                            {16 * 4 + 14, 16 * 6 + 15, 781},  // corner (i+1, j+1) of quad (4, 6): tx 15, ty 14
                        }));
}

TEST(MaterialSynthesis, QuadsOwnCellChoosesTheTable) {
    TestLandscape l = OneLitCell();
    Tables t = FilledTables(0, 0);
    t.split[1] = 200;    // a = 0, b = 1
    t.unsplit[2] = 100;  // a = 0, b = 2
    l.SetCell(0, 5, 7, 0, 0x81);  // quad (5, 7) is split; its other corners' flags are not consulted
    l.SetCell(0, 5, 8, 0, 0x80);
    l.SetCell(0, 6, 7, 0, 0x80);
    l.SetCell(0, 6, 8, 0, 0x80);
    // 1000 x 100 / 256 = 390.625.
    EXPECT_TRUE(OnlyLit(Synthesized(l.Block(0), SourcesOf(l), t),
                        {
                            {16 * 5 + 1, 16 * 7 + 0, 781},    // quad (5, 7): split table, index 1
                            {16 * 5 + 2, 16 * 6 + 15, 390},   // quad (5, 6): unsplit table, index 2
                            {16 * 4 + 13, 16 * 7 + 0, 390},   // quad (4, 7): unsplit
                            {16 * 4 + 13, 16 * 6 + 15, 390},  // quad (4, 6): unsplit
                        }));
}

TEST(MaterialSynthesis, SplitFlagsOfRow16AndColumn16NeverMatter) {
    std::mt19937 rng(60);
    TestLandscape l(1, 3, 3, 0);
    Randomize(l, rng, RandomOptions{});
    const Tables t = RandomTables(rng);
    const Texture before = Synthesized(l.Block(0), SourcesOf(l), t);
    for (int n = 0; n < 17; ++n) {
        for (auto [r, c] : {std::pair{16, n}, std::pair{n, 16}}) {
            uint8_t* cell = const_cast<uint8_t*>(CellAt(l.Block(0), r, c));
            cell[kAttributesOffset] ^= kSplitFlagBit;
        }
    }
    EXPECT_TRUE(SameTexture(before, Synthesized(l.Block(0), SourcesOf(l), t)));
    // A row-15 cell's flag does matter (sanity check of the setup).
    uint8_t* cell = const_cast<uint8_t*>(CellAt(l.Block(0), 15, 3));
    cell[kAttributesOffset] ^= kSplitFlagBit;
    EXPECT_FALSE(SameTexture(before, Synthesized(l.Block(0), SourcesOf(l), t)));
}

TEST(MaterialSynthesis, IdenticalCellsGiveIdenticalTextures) {
    std::mt19937 rng(70);
    TestLandscape l(3, 4, 3, 0);
    Randomize(l, rng, RandomOptions{});
    std::memcpy(l.Block(2), l.Block(0), kBlockSize);
    l.SetMap(0, 0, 1);
    l.SetMap(7, 9, 3);
    const Tables t = RandomTables(rng);
    EXPECT_TRUE(SameTexture(Synthesized(l.Block(0), SourcesOf(l), t), Synthesized(l.Block(2), SourcesOf(l), t)));
}

// ---------------------------------------------------------------------------
// Bad records and empty counts
// ---------------------------------------------------------------------------
TEST(MaterialSynthesis, CountryIndexAtOrAboveCountUsesTheLastCountry) {
    std::mt19937 rng(80);
    TestLandscape l(2, 2, 2, 0);
    RandomOptions o;
    o.countryIndexLimit = 2;
    o.materialIndexLimit = 2;
    Randomize(l, rng, o);
    std::memcpy(l.Block(1), l.Block(0), kBlockSize);
    // Block 1: every country-1 cell names 2, 7 or 15 instead.
    static const uint8_t kBad[] = {2, 7, 15};
    for (int r = 0; r < 17; ++r)
        for (int c = 0; c < 17; ++c)
            if (CellCountryIndex(l.Block(1), r, c) == 1) {
                uint8_t* cell = const_cast<uint8_t*>(CellAt(l.Block(1), r, c));
                cell[kAttributesOffset] = uint8_t((cell[kAttributesOffset] & 0xF0) | kBad[rng() % 3]);
            }
    const Tables t = RandomTables(rng);
    SeparateAreas areas(l);
    const Texture good = Synthesized(l.Block(0), areas.sources, t);
    EXPECT_TRUE(SameTexture(good, Synthesized(l.Block(1), areas.sources, t)));
    EXPECT_TRUE(SameTexture(Reference(l.Block(1), SourcesOf(l), t), good));
}

TEST(MaterialSynthesis, MaterialIndexAtOrAboveCountUsesTheLastMaterial) {
    std::mt19937 rng(90);
    TestLandscape l(1, 2, 2, 0);
    RandomOptions o;
    o.countryIndexLimit = 2;
    o.materialIndexLimit = 2;
    Randomize(l, rng, o);
    const Tables t = RandomTables(rng);
    SeparateAreas before(l);
    const Texture good = Synthesized(l.Block(0), before.sources, t);
    // Every reference to material 1 becomes 2, 1000 or 0xFFFFFFFF.
    static const uint32_t kBad[] = {2, 1000, 0xFFFFFFFFu};
    for (int k = 0; k < 2; ++k)
        for (int h = 0; h < 256; ++h) {
            const uint8_t* e = CountryEntryAt(l.Country(k), h);
            uint32_t a = EntryMaterialA(e), b = EntryMaterialB(e);
            if (a == 1) a = kBad[rng() % 3];
            if (b == 1) b = kBad[rng() % 3];
            l.SetEntry(k, h, a, b, EntryBlendWeight(e));
        }
    SeparateAreas after(l);
    EXPECT_TRUE(SameTexture(good, Synthesized(l.Block(0), after.sources, t)));
}

TEST(MaterialSynthesis, NoCountryOrNoMaterialGivesMidGreyCorners) {
    TestLandscape l(1, 2, 2, 0);
    std::mt19937 rng(100);
    Randomize(l, rng, RandomOptions{});
    // 4 x 32768 x 63 / 256 = 32256; with tables of 64 the texel is 32768.
    for (int32_t countries : {0, -1, 2}) {
        for (int32_t materials : {0, -5, 2}) {
            if (countries > 0 && materials > 0) continue;
            SCOPED_TRACE("countries " + std::to_string(countries) + ", materials " + std::to_string(materials));
            // Areas that may not be read are null: any read would crash.
            MaterialSources s{countries > 0 ? l.Country(0) : nullptr, countries,
                              materials > 0 ? l.Material(0) : nullptr, materials, l.Detail()};
            EXPECT_TRUE(AllTexels(Synthesized(l.Block(0), s, FilledTables(63, 63)), 32256));
            EXPECT_TRUE(AllTexels(Synthesized(l.Block(0), s, FilledTables(64, 64)), 32768));
            EXPECT_TRUE(SameTexture(Reference(l.Block(0), s, FilledTables(63, 55)),
                                    Fast(l.Block(0), s, FilledTables(63, 55))));
        }
    }
}

TEST(MaterialSynthesis, StartWeightsFillBothTablesWith63) {
    BlendWeightTable split, unsplit;
    std::fill(std::begin(split), std::end(split), uint8_t(1));
    std::fill(std::begin(unsplit), std::end(unsplit), uint8_t(2));
    FillStartBlendWeights(split, unsplit);
    for (int n = 0; n < 256; ++n) {
        ASSERT_EQ(split[n], 63) << n;
        ASSERT_EQ(unsplit[n], 63) << n;
        // The program's own tables hold them before anything fills them.
        ASSERT_EQ(SplitBlendWeights[n], 63) << n;
        ASSERT_EQ(UnsplitBlendWeights[n], 63) << n;
    }
}

TEST(MaterialMipmaps, LevelsAverageTheirFourTexelsRoundingHalfUp) {
    EXPECT_EQ(MaterialLevelOffset(1), 65536u);
    EXPECT_EQ(MaterialLevelOffset(8), 87380u);
    EXPECT_EQ(kMaterialMipmapTexels, 87381u);
    std::vector<uint16_t> levels(kMaterialMipmapTexels, 0);
    // Top-left 2 x 2 of level 0: 1 2 / 3 4 gives (10 + 2) / 4 = 3; next to
    // it 0 0 / 1 1 gives (2 + 2) / 4 = 1 (half rounds up); 0 0 / 0 1 gives 0.
    levels[0] = 1, levels[1] = 2, levels[256] = 3, levels[257] = 4;
    levels[258] = 1, levels[259] = 1;
    levels[261] = 1;
    // The bottom-right texel is the largest.
    levels[65535] = 65535, levels[65534] = 65535, levels[65279] = 65535, levels[65278] = 65535;
    ReduceMaterialLevels(levels.data());
    const uint16_t* level1 = levels.data() + MaterialLevelOffset(1);
    EXPECT_EQ(level1[0], 3);
    EXPECT_EQ(level1[1], 1);
    EXPECT_EQ(level1[2], 0);
    EXPECT_EQ(level1[128 * 128 - 1], 65535);  // no overflow in the sum
    // Level 2's first texel averages level 1's 3 1 / 0 0: (4 + 2) / 4 = 1.
    EXPECT_EQ(levels[MaterialLevelOffset(2)], 1);
    // The largest texel of level 1 reaches the last level quartered seven
    // times, each time rounded: 65535 -> 16384 -> 4096 -> ... -> 16 -> 4.
    EXPECT_EQ(levels[MaterialLevelOffset(8)], 4);
}

TEST(MaterialMipmaps, EverySampleBecomesItsNearestOf256Levels) {
    std::vector<uint16_t> levels(kMaterialMipmapTexels);
    for (size_t n = 0; n < levels.size(); ++n) levels[n] = uint16_t(n);
    std::vector<uint8_t> bytes(kMaterialMipmapTexels);
    MaterialLevelsTo8Bits(levels.data(), bytes.data());
    for (size_t n = 0; n < levels.size(); ++n) {
        // round(s * 255 / 65535) in exact integers, halves up (none occur).
        const uint32_t s = levels[n];
        const uint32_t expected = (s * 255u * 2u + 65535u) / (2u * 65535u);
        ASSERT_EQ(bytes[n], expected) << "sample " << s;
        ASSERT_EQ(MaterialSampleTo8Bits(uint16_t(s)), expected) << "sample " << s;
    }
}
