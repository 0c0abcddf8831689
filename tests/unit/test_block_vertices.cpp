// The vertex streams of a block's two display lists.
#include <gtest/gtest.h>

#include <vector>

#include "geometry/block_vertices.h"
#include "geometry/country_palette.h"
#include "unit_support/test_files.h"

namespace {

// Index of the first vertex of quad (r, c): columns outer, rows inner.
int QuadStart(int r, int c) { return 4 * (16 * c + r); }

}  // namespace

TEST(BlockVertices, SplitFlagChoosesTheDiagonal) {
    TestLandscape land(1, 1, 1, 1);
    // Quad (2, 3): three corners at 0, the far corner (3, 4) at 100.
    land.SetCell(0, 3, 4, 100, 0);
    land.SetCell(0, 2, 3, 0, kSplitFlagBit);
    // Bits 0-6 of a cell and the split flags of row 16 / column 16 change nothing.
    land.SetCell(0, 16, 5, 0, 0x8F);
    land.SetCell(0, 5, 16, 0, 0x80);
    std::vector<TexturedVertex> v(kBlockVertexCount);
    BuildTexturedBlockVertices(land.Block(0), v.data());

    auto at = [&](int index) { return std::make_pair(int(-v[index].position[2] / 10), int(-v[index].position[0] / 10)); };
    const int s = QuadStart(2, 3);
    // Set: (r, c), (r+1, c), (r, c+1), (r+1, c+1).
    EXPECT_EQ(at(s + 0), std::make_pair(2, 3));
    EXPECT_EQ(at(s + 1), std::make_pair(3, 3));
    EXPECT_EQ(at(s + 2), std::make_pair(2, 4));
    EXPECT_EQ(at(s + 3), std::make_pair(3, 4));
    EXPECT_EQ(v[s + 3].position[1], 100.0f);

    // Clear: (r, c+1), (r, c), (r+1, c+1), (r+1, c).
    const int u = QuadStart(2, 4);
    EXPECT_EQ(at(u + 0), std::make_pair(2, 5));
    EXPECT_EQ(at(u + 1), std::make_pair(2, 4));
    EXPECT_EQ(at(u + 2), std::make_pair(3, 5));
    EXPECT_EQ(at(u + 3), std::make_pair(3, 4));

    // Attributes other than the split flag leave the stream unchanged.
    std::vector<TexturedVertex> again(kBlockVertexCount);
    land.SetCell(0, 2, 3, 0, kSplitFlagBit | 0x7F);
    BuildTexturedBlockVertices(land.Block(0), again.data());
    EXPECT_EQ(0, std::memcmp(v.data(), again.data(), sizeof(TexturedVertex) * v.size()));

    // Both orders wind counter-clockwise seen from above (+y): front faces up.
    for (int q = 0; q < kBlockVertexCount; q += 4) {
        for (int t = 0; t < 2; ++t) {
            const float* a = v[q + t].position;
            const float* b = v[q + t + 1].position;
            const float* c = v[q + t + 2].position;
            // Strip triangles alternate winding; the odd one is read b, a, c.
            const float* p0 = t ? b : a;
            const float* p1 = t ? a : b;
            // y of the cross product (p1 - p0) x (c - p0), viewed from +y with x right and z down.
            const float cross = (c[0] - p0[0]) * (p1[2] - p0[2]) - (p1[0] - p0[0]) * (c[2] - p0[2]);
            EXPECT_GT(cross, 0.0f) << "quad " << q / 4 << " triangle " << t;
        }
    }
}

TEST(BlockVertices, TextureCoordinatesAndCorners) {
    TestLandscape land(1, 1, 1, 1);
    land.SetCell(0, 16, 16, 42, 0);
    std::vector<TexturedVertex> v(kBlockVertexCount);
    BuildTexturedBlockVertices(land.Block(0), v.data());

    // Quad (0, 0) unsplit starts at (0, 1) then (0, 0): origin coordinates.
    const TexturedVertex& origin = v[QuadStart(0, 0) + 1];
    EXPECT_FLOAT_EQ(origin.loResCoord[0], 0.011029412f);
    EXPECT_FLOAT_EQ(origin.loResCoord[1], 0.011029412f);
    EXPECT_EQ(origin.materialCoord[0], 0.0f);
    EXPECT_EQ(origin.position[0], 0.0f);

    // Quad (15, 15) unsplit: (15, 16), (15, 15), (16, 16), (16, 15).
    const TexturedVertex& far = v[QuadStart(15, 15) + 2];
    EXPECT_FLOAT_EQ(far.loResCoord[0], 0.24632353f);
    EXPECT_FLOAT_EQ(far.loResCoord[1], 0.24632353f);
    EXPECT_EQ(far.materialCoord[0], 1.0f);
    EXPECT_EQ(far.materialCoord[1], 1.0f);
    EXPECT_EQ(far.position[0], -160.0f);
    EXPECT_EQ(far.position[1], 42.0f);
    EXPECT_EQ(far.position[2], -160.0f);

    // The origin is added after the product, in float.
    StoreF32(land.Block(0) + kTextureOriginSOffset, 0.25f);
    StoreF32(land.Block(0) + kTextureOriginTOffset, 0.75f);
    BuildTexturedBlockVertices(land.Block(0), v.data());
    const float s = (3.0f + 0.75f) * 0.014705882f;
    const TexturedVertex& p = v[QuadStart(7, 3) + 1];  // unsplit: (7, 3)
    EXPECT_EQ(p.loResCoord[0], s + 0.25f);
    EXPECT_EQ(p.loResCoord[1], (7.0f + 0.75f) * 0.014705882f + 0.75f);
    EXPECT_EQ(p.materialCoord[0], 3.0f / 16.0f);
    EXPECT_EQ(p.materialCoord[1], 7.0f / 16.0f);
}

TEST(BlockVertices, WireframeRaisedAndColouredByEachVertexCell) {
    TestLandscape land(1, 1, 1, 1);
    land.SetCell(0, 0, 0, 255, 0);     // country 0
    land.SetCell(0, 0, 1, 10, 1);      // country 1
    land.SetCell(0, 1, 0, 10, 2);      // country 2
    land.SetCell(0, 1, 1, 10, 0x73);   // country 3, reserved bits set
    std::vector<WireframeVertex> w(kBlockVertexCount);
    std::vector<TexturedVertex> t(kBlockVertexCount);
    BuildWireframeBlockVertices(land.Block(0), w.data());
    BuildTexturedBlockVertices(land.Block(0), t.data());

    for (int i = 0; i < kBlockVertexCount; ++i) {
        EXPECT_EQ(w[i].position[0], t[i].position[0]);
        EXPECT_EQ(w[i].position[1], t[i].position[1] + 1.0f);
        EXPECT_EQ(w[i].position[2], t[i].position[2]);
    }
    // Quad (0, 0), unsplit: (0, 1), (0, 0), (1, 1), (1, 0) -> countries 1, 0, 3, 2.
    const int expected[4] = {1, 0, 3, 2};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(w[i].colour[0], CountryPalette[expected[i]].x);
        EXPECT_EQ(w[i].colour[1], CountryPalette[expected[i]].y);
        EXPECT_EQ(w[i].colour[2], CountryPalette[expected[i]].z);
    }
    EXPECT_EQ(w[1].position[1], 256.0f);

    // Countries 7 and 15 are both black; 6 is white.
    EXPECT_EQ(CountryPalette[7].x + CountryPalette[7].y + CountryPalette[7].z, 0.0f);
    EXPECT_EQ(CountryPalette[15].x + CountryPalette[15].y + CountryPalette[15].z, 0.0f);
    EXPECT_EQ(CountryPalette[6].x * CountryPalette[6].y * CountryPalette[6].z, 1.0f);
}
