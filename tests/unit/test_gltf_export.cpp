// test_gltf_export.cpp -- the glTF export's pure stages: the baked surface
// against a direct evaluation of its formula, the block mesh, the scene's
// placement and the heightmap's shared edges.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <set>
#include <vector>

#include "geometry/block_vertices.h"
#include "texture/dxt3.h"
#include "texture/material_mipmaps.h"
#include "tools/gltf/block_mesh.h"
#include "tools/heights/heightmap.h"
#include "tools/gltf/landscape_gltf.h"
#include "tools/gltf/surface_bake.h"
#include "unit_support/test_files.h"

TEST(SurfaceBake, EqualsTheFormulaEvaluatedTexelByTexel) {
    std::mt19937 rng(20);
    std::vector<uint8_t> noise(size_t(256) * 256 * 4), baked(noise.size());
    for (uint8_t& byte : noise) byte = uint8_t(rng());
    std::vector<uint16_t> material(65536);
    for (uint16_t& texel : material) texel = uint16_t(rng());
    // Noise, so that a sample a fraction of a texel off shows; origins that wrap.
    for (auto [originS, originT] : {std::array{0.25f, 0.75f}, {-3.1f, 7.9f}}) {
        TestLandscape land(1, 0, 0, 0);
        StoreF32(land.Block(0) + kTextureOriginSOffset, originS);
        StoreF32(land.Block(0) + kTextureOriginTOffset, originT);
        EXPECT_FALSE(BakeBlockSurface(land.Block(0), noise.data(), material.data(), baked.data()));
        int ties = 0;
        for (int y = 0; y < 256; ++y) {
            for (int x = 0; x < 256; ++x) {
                // Unit 0 at the material texel's centre, bilinear, wrapping.
                const float s = (float(x + 0.5) / 16.0f + 0.75f) * 0.014705882f + originS;
                const float t = (float(y + 0.5) / 16.0f + 0.75f) * 0.014705882f + originT;
                const double u = double(s) * 256 - 0.5, v = double(t) * 256 - 0.5;
                const double i = std::floor(u), j = std::floor(v), a = u - i, b = v - j;
                auto texel = [&](double column, double row, int ch) {
                    const int wrappedColumn = int(std::fmod(std::fmod(column, 256.0) + 256.0, 256.0));
                    const int wrappedRow = int(std::fmod(std::fmod(row, 256.0) + 256.0, 256.0));
                    return noise[size_t(4 * (256 * wrappedRow + wrappedColumn) + ch)] / 255.0;
                };
                const double m = MaterialSampleTo8Bits(material[size_t(256 * y + x)]) / 255.0;
                for (int ch = 0; ch < 4; ++ch) {
                    const double p = (1 - a) * (1 - b) * texel(i, j, ch) + a * (1 - b) * texel(i + 1, j, ch) +
                                     (1 - a) * b * texel(i, j + 1, ch) + a * b * texel(i + 1, j + 1, ch);
                    const double expected = 255 * std::clamp(ch < 3 ? (1 - m) + p - 0.5 : p + 0.5, 0.0, 1.0);
                    const int got = baked[size_t(4 * (256 * y + x) + ch)];
                    // Exact but where single precision may tip a tie, and there within one level.
                    ASSERT_LE(std::abs(got - expected), 1.0) << x << "," << y << " channel " << ch;
                    if (std::abs(expected - std::floor(expected) - 0.5) < 1e-3) ++ties;
                    else ASSERT_EQ(got, std::lround(expected)) << x << "," << y << " channel " << ch;
                }
            }
        }
        EXPECT_LT(ties, 256 * 256 * 4 / 100);
    }
}

TEST(SurfaceBake, TiesFallAsTheViewerShowsThem) {
    // Uniform inputs put every texel on a tie; the colours are those the
    // viewer draws on Mesa for a block of material 32256 (8 bits: 126).
    std::vector<uint8_t> loRes(size_t(256) * 256 * 4), baked(loRes.size());
    for (size_t n = 0; n < loRes.size(); n += 4)
        loRes[n] = 206, loRes[n + 1] = 121, loRes[n + 2] = 41, loRes[n + 3] = 255;
    const std::vector<uint16_t> material(65536, 32256);
    TestLandscape land(1, 0, 0, 0);
    for (auto [image, colour] : {std::pair{loRes.data(), std::array{208, 122, 42}}, {nullptr, {1, 1, 255}}}) {
        EXPECT_TRUE(BakeBlockSurface(land.Block(0), image, material.data(), baked.data()));
        for (size_t n = 0; n < baked.size(); n += 4)
            ASSERT_EQ((std::array{int(baked[n]), int(baked[n + 1]), int(baked[n + 2]), int(baked[n + 3])}),
                      (std::array{colour[0], colour[1], colour[2], 255})) << n / 4;
    }
}

TEST(BlockMesh, SharedVerticesCarryTheFramesTrianglesAndExactNormals) {
    TestLandscape land(1, 1, 0, 0);
    // A sloped plane y = 3 c + 2 r, with both diagonals in use.
    for (int r = 0; r < 17; ++r)
        for (int c = 0; c < 17; ++c) land.SetCell(0, r, c, uint8_t(3 * c + 2 * r), (r + c) % 3 ? kSplitFlagBit : 0x05);
    BlockMesh mesh;
    BuildBlockMesh(land.Block(0), 2.0f, &mesh);
    std::vector<TexturedVertex> strips(kBlockVertexCount);
    BuildTexturedBlockVertices(land.Block(0), strips.data());
    const int kOfStrip[6] = {0, 1, 2, 2, 1, 3};
    for (int n = 0; n < kMeshTriangleIndexCount; ++n) {
        const float* expected = strips[size_t(4 * (n / 6) + kOfStrip[n % 6])].position;
        for (int axis = 0; axis < 3; ++axis)
            ASSERT_EQ(mesh.positions[mesh.triangles[n]][axis], 2 * expected[axis]) << n;
    }
    // y = -0.3 x - 0.2 z: the normal (0.3, 1, 0.2) made unit, at every vertex.
    const double length = std::sqrt(0.09 + 1 + 0.04);
    for (const auto& normal : mesh.normals) {
        EXPECT_NEAR(normal[0], 0.3 / length, 1e-6);
        EXPECT_NEAR(normal[1], 1 / length, 1e-6);
        EXPECT_NEAR(normal[2], 0.2 / length, 1e-6);
    }
    EXPECT_EQ(mesh.texcoords[17 * 16 + 8][0], 0.5f);
    EXPECT_EQ(mesh.texcoords[17 * 16 + 8][1], 1.0f);
    EXPECT_EQ(mesh.linePositions[0][1], 2.0f);  // altitude 0, one unit above, scaled
    EXPECT_EQ(mesh.lineColours[0][1], 0.0f);     // country 5, magenta
    // The lines: every edge of every triangle exactly once.
    std::set<std::pair<int, int>> edges, lines;
    for (int n = 0; n < kMeshTriangleIndexCount; n += 3)
        for (int k = 0; k < 3; ++k)
            edges.insert(std::minmax(int(mesh.triangles[n + k]), int(mesh.triangles[n + (k + 1) % 3])));
    for (int n = 0; n < kMeshLineIndexCount; n += 2)
        lines.insert(std::minmax(int(mesh.lines[n]), int(mesh.lines[n + 1])));
    EXPECT_EQ(lines, edges);
    EXPECT_EQ(lines.size(), size_t(kMeshLineIndexCount / 2));
}

TEST(LandscapeGltf, PlacesShareTheirBlocksMeshAndBytesNamingNoBlockStayEmpty) {
    TestLandscape land(2, 1, 1, 1);
    land.FillLoRes(0, 0xFFFF, 7);  // half alpha: the surfaces blend
    for (auto [row, column, value] : {std::array{0, 0, 2}, {0, 3, 2}, {5, 1, 2}, {31, 31, 1}, {4, 4, 3}})
        land.SetMap(row, column, uint8_t(value));
    const CheckedLandscape checked = CheckLandscape(land.bytes.data(), land.bytes.size());
    GltfOptions options;
    options.scale = 0.5f;
    options.workers = 2;
    GltfScene scene;
    std::string error;
    ASSERT_TRUE(BuildLandscapeGltf(checked, options, &scene, &error)) << error;
    const tinygltf::Model& model = scene.model;
    ASSERT_EQ(model.nodes.size(), 4u);
    EXPECT_EQ(scene.places, 4);
    ASSERT_EQ(model.meshes.size(), 2u);
    EXPECT_EQ(model.meshes[0].name, "block-0");
    EXPECT_EQ(model.nodes[1].name, "place-0-3");
    EXPECT_EQ(model.nodes[1].mesh, model.nodes[0].mesh);
    EXPECT_EQ(model.nodes[2].translation, (std::vector<double>{-80.0, 0.0, -400.0}));
    EXPECT_EQ(model.nodes[3].name, "place-31-31");
    EXPECT_EQ(model.images.size(), 2u);
    EXPECT_EQ(scene.pngs.size(), 2u);
    // A baked surface spans its block once: sampled past its edge, it would
    // bleed the opposite edge in.
    ASSERT_FALSE(model.samplers.empty());
    for (const tinygltf::Sampler& sampler : model.samplers) {
        EXPECT_EQ(sampler.wrapS, TINYGLTF_TEXTURE_WRAP_CLAMP_TO_EDGE);
        EXPECT_EQ(sampler.wrapT, TINYGLTF_TEXTURE_WRAP_CLAMP_TO_EDGE);
    }
    EXPECT_EQ(model.materials[size_t(model.meshes[0].primitives[0].material)].alphaMode, "BLEND");
}

// Places from (0, 0) to (31, 31) at half scale span x and z from -2560 to 0
// (a block reaches 80 units below its corner): centred, the corner node is at
// +1280 and the far one at -1200, and the altitudes are centred too.
TEST(LandscapeGltf, CenteredTheBoundsMiddleIsTheOrigin) {
    TestLandscape land(2, 1, 1, 1);
    land.SetCell(0, 3, 4, 200, 0);
    land.SetCell(1, 0, 0, 50, 0);
    for (auto [row, column, value] : {std::array{0, 0, 2}, {0, 3, 2}, {5, 1, 1}, {31, 31, 1}})
        land.SetMap(row, column, uint8_t(value));
    const CheckedLandscape checked = CheckLandscape(land.bytes.data(), land.bytes.size());
    GltfOptions options;
    options.scale = 0.5f;
    options.center = true;
    options.textures = false;
    GltfScene scene;
    std::string error;
    ASSERT_TRUE(BuildLandscapeGltf(checked, options, &scene, &error)) << error;
    const tinygltf::Model& model = scene.model;
    ASSERT_EQ(model.nodes.size(), 4u);
    double low = 1e9, high = -1e9;
    for (const tinygltf::Node& node : model.nodes) {
        const tinygltf::Accessor& positions =
            model.accessors[size_t(model.meshes[size_t(node.mesh)].primitives[0].attributes.at("POSITION"))];
        low = std::min(low, node.translation[1] + positions.minValues[1]);
        high = std::max(high, node.translation[1] + positions.maxValues[1]);
    }
    EXPECT_GT(high, low);
    EXPECT_EQ(low, -high);
    EXPECT_EQ(model.nodes[0].translation[0], 1280.0);
    EXPECT_EQ(model.nodes[0].translation[2], 1280.0);
    EXPECT_EQ(model.nodes[3].translation[0], -1200.0);
    EXPECT_EQ(model.nodes[3].translation[2], -1200.0);
    EXPECT_EQ(model.nodes[2].translation[2], 1280.0 - 400.0);
}

TEST(Heightmap, SharedSamplesGoToTheFirstPlaceInRowMajorOrder) {
    TestLandscape land(2, 1, 0, 0);
    for (int r = 0; r < 17; ++r) {
        land.SetCell(0, r, 16, 40, 3);  // the right edge of block 0 ...
        land.SetCell(1, r, 0, r < 5 ? 40 : 90, 1);  // ... and the left edge of block 1 beside it
    }
    land.SetCell(1, 8, 8, 90, 1);
    land.SetMap(2, 3, 1);
    land.SetMap(2, 4, 2);
    land.SetMap(9, 9, 7);  // names no block
    const Heightmap map = BuildHeightmap(CheckLandscape(land.bytes.data(), land.bytes.size()));
    EXPECT_EQ(map.mismatchedEdgeSamples, 12u);
    const size_t edge = size_t(513) * (16 * 2 + 10) + 16 * 4;
    EXPECT_EQ(map.altitudes[edge], 40);
    EXPECT_EQ(map.countries[edge], 3);
    EXPECT_EQ(map.countries[0], kNoCountry);
    EXPECT_EQ(map.emptyPlaces.size(), 1022u);
    EXPECT_EQ(map.altitudeMin, 0);
    EXPECT_EQ(map.altitudeMax, 90);

    // A corner sample stored by four places, each with its own height, is
    // one mismatched sample; its first place in row-major order gives it.
    TestLandscape corner(4, 1, 0, 0);
    const int at[4][2] = {{16, 16}, {16, 0}, {0, 16}, {0, 0}};  // the corner's cell in each place's block
    for (int k = 0; k < 4; ++k) {
        corner.SetCell(k, at[k][0], at[k][1], uint8_t(10 + k), 0);
        corner.SetMap(5 + k / 2, 7 + k % 2, uint8_t(k + 1));
    }
    const Heightmap four = BuildHeightmap(CheckLandscape(corner.bytes.data(), corner.bytes.size()));
    EXPECT_EQ(four.mismatchedEdgeSamples, 1u);
    EXPECT_EQ(four.altitudes[size_t(513) * (16 * 6) + 16 * 8], 10);
}

