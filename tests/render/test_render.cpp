// Rendering on real Mesa: the program's own setup, loading, lists and frame
// in a freeglut window, read back as pixels.
#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "app/graphics.h"
#include "app/window.h"
#include "landscape/loaded_landscape.h"
#include "app/load_landscape.h"
#include "platform/gl_entry_points.h"
#include "texture/material_synthesis.h"
#include "unit_support/test_files.h"
#include "viewer/camera.h"
#include "viewer/display.h"
#include "viewer/input.h"

namespace {

struct Pixel {
    int r, g, b;
};

// 565 colour of (160, 160, 80) after our decoder's shift expansion; a driver
// that decodes DXT3 itself may replicate the high bits (165, 162, 82), so
// colours are compared within the 565 rounding.
constexpr uint16_t kOlive565 = (20 << 11) | (40 << 5) | 10;
// A material texel that the synthesis turns into 0.5 (32768 / 65535):
// four corners weighted 63/256 each give 252/256 of it.
constexpr uint16_t kMidGreyTexel = 33289;

// Loads a landscape as the viewer does, from a real file, console output dropped.
void Load(TestLandscape& land, const char* name) {
    const std::string path = WriteTestFile(TestTempDir("render") + "/" + name, land.bytes);
    std::snprintf(LandscapePath, sizeof LandscapePath, "%s", path.c_str());
    delete[] Landscape;
    Landscape = nullptr;
    ASSERT_TRUE(ReadLandscapeFile(nullptr, nullptr));
    BuildLandscapeScene(LoadedLandscape, nullptr);
    ASSERT_NE(Landscape, nullptr);
}

// One block (country 0 everywhere, flat at `altitude`) whose material is a
// single texel value, on a LoRes texture of one colour, placed at (row, column).
TestLandscape OneBlock(uint16_t materialTexel, int row, int column, uint8_t altitude = 0, uint8_t country = 0) {
    TestLandscape land(1, 16, 1, 1);
    land.FillLoRes(0, kOlive565);
    land.FillMaterial(0, materialTexel);
    for (int k = 0; k < 16; ++k)
        for (int h = 0; h < 256; ++h) land.SetEntry(k, h, 0, 0, 255);
    for (int r = 0; r < 17; ++r)
        for (int c = 0; c < 17; ++c) land.SetCell(0, r, c, altitude, country);
    land.SetMap(row, column, 1);
    return land;
}

// Looks straight down at the centre of map place (row, column).
void CameraAbove(int row, int column, float height = 0.0f) {
    CameraPosition = Vector3(160.0f * column + 80.0f, -height, 160.0f * row + 80.0f);
    CameraPitch() = 90.0f;
    CameraYaw() = 0.0f;
    CameraRoll() = 0.0f;
    CameraZoom = -500.0f;
    WireframeOverlay = 0;
}

std::vector<uint8_t> Frame() {
    DrawScene();
    glFinish();
    std::vector<uint8_t> rgb(size_t(kWindowWidth) * kWindowHeight * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, kWindowWidth, kWindowHeight, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return rgb;
}

Pixel At(const std::vector<uint8_t>& rgb, int x, int y) {
    const size_t i = 3 * (size_t(y) * kWindowWidth + x);
    return {rgb[i], rgb[i + 1], rgb[i + 2]};
}

bool IsClear(Pixel p) { return p.r == 0 && (p.g == 127 || p.g == 128) && p.b == 255; }

void ExpectNear(Pixel p, int r, int g, int b, int tolerance) {
    EXPECT_NEAR(p.r, r, tolerance);
    EXPECT_NEAR(p.g, g, tolerance);
    EXPECT_NEAR(p.b, b, tolerance);
}

int CountPixels(const std::vector<uint8_t>& rgb, bool (*match)(Pixel)) {
    int n = 0;
    for (int y = 0; y < kWindowHeight; ++y)
        for (int x = 0; x < kWindowWidth; ++x) n += match(At(rgb, x, y));
    return n;
}

void ExpectNoGlError() { EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)); }

}  // namespace

TEST(Render, NoLandscapeShowsOnlyTheGizmoOverTheClearColour) {
    delete[] Landscape;
    Landscape = nullptr;
    CameraAbove(0, 0);
    CameraPitch() = 45.0f;
    const std::vector<uint8_t> rgb = Frame();
    ExpectNoGlError();
    // The one-unit axes at the pivot cover a few pixels at the centre, nothing else.
    int off = 0, reddish = 0;
    for (int y = 0; y < kWindowHeight; ++y) {
        for (int x = 0; x < kWindowWidth; ++x) {
            const Pixel p = At(rgb, x, y);
            if (IsClear(p)) continue;
            ++off;
            EXPECT_LT(std::abs(x - 400) + std::abs(y - 300), 12) << x << "," << y;
            reddish += p.r > 128 && p.b < 128;
        }
    }
    EXPECT_GT(off, 0);
    EXPECT_GT(reddish, 0);
}

TEST(Render, MidGreyMaterialShowsTheLoResColour) {
    TestLandscape land = OneBlock(kMidGreyTexel, 0, 0);
    Load(land, "grey.lnd");
    ExpectNoGlError();
    CameraAbove(0, 0);
    const std::vector<uint8_t> rgb = Frame();
    ExpectNoGlError();
    ExpectNear(At(rgb, 400, 300), 160, 160, 80, 6);
    ExpectNear(At(rgb, 300, 400), 160, 160, 80, 6);  // the block spans y 180..420 at 1.5 px a unit
    // The block spans 160 of the 400 units in view: the corners show the sky colour.
    EXPECT_TRUE(IsClear(At(rgb, 5, 5)));
    EXPECT_TRUE(IsClear(At(rgb, 795, 595)));
}

TEST(Render, BlackMaterialBrightensByHalfAndTheDecodePathMatches) {
    TestLandscape land = OneBlock(0, 0, 0);
    Load(land, "black.lnd");
    CameraAbove(0, 0);
    ExpectNear(At(Frame(), 400, 300), 255, 255, 208, 3);

    // Without the compressed entry point the LoRes texture is decoded and mipmapped by us.
    auto compressed = glext::glCompressedTexImage2DARB;
    glext::glCompressedTexImage2DARB = nullptr;
    TestLandscape grey = OneBlock(kMidGreyTexel, 0, 0);
    Load(grey, "decoded.lnd");
    glext::glCompressedTexImage2DARB = compressed;
    CameraAbove(0, 0);
    // Our decoder expands 565 by shifting alone: exactly (160, 160, 80) before shading.
    ExpectNear(At(Frame(), 400, 300), 160, 160, 80, 1);
    ExpectNoGlError();
}

TEST(Render, TheUploadFollowsTheRecordSizeWalk) {
    // Record 0's RecordSize of 128 starts the walk's record 1 144 bytes into
    // record 0's image, which is all red; the fixed stride's record 1 is blue.
    // The block shows LoRes texture 1: red, as the walk has it.
    TestLandscape land = OneBlock(kMidGreyTexel, 0, 0);
    TestLandscape two(1, 16, 1, 2);
    std::copy(land.Block(0), land.Block(0) + kBlockSize, two.Block(0));
    std::copy(land.Country(0), land.Country(0) + 16 * kCountrySize, two.Country(0));
    std::copy(land.Material(0), land.Material(0) + kMaterialSize, two.Material(0));
    two.SetMap(0, 0, 1);
    StoreI32(two.Block(0) + kLoResTextureIndexOffset, 1);
    two.FillLoRes(0, 0xF800);
    two.FillLoRes(1, 0x001F);
    StoreI32(two.LoRes(0) + kRecordSizeOffset, 128);
    for (const bool compressed : {true, false}) {
        auto entry = glext::glCompressedTexImage2DARB;
        if (!compressed) glext::glCompressedTexImage2DARB = nullptr;
        Load(two, "walk.lnd");
        glext::glCompressedTexImage2DARB = entry;
        EXPECT_EQ(LoadedLandscape.loResRecords, (std::vector<uint64_t>{1052, 1052 + 16 + 128}));
        CameraAbove(0, 0);
        const std::vector<uint8_t> rgb = Frame();
        ExpectNear(At(rgb, 400, 300), 248, 0, 0, 8);
        ExpectNear(At(rgb, 300, 400), 248, 0, 0, 8);
        ExpectNoGlError();
    }
}

TEST(Render, BlockAppearsAtItsMapPlace) {
    TestLandscape land = OneBlock(kMidGreyTexel, 2, 5, 100);
    Load(land, "placed.lnd");
    CameraAbove(2, 5, 100.0f);
    ExpectNear(At(Frame(), 400, 300), 160, 160, 80, 6);
    // Row and column swapped: nothing there.
    CameraAbove(5, 2, 100.0f);
    EXPECT_TRUE(IsClear(At(Frame(), 400, 300)));
    // Map column a lies along -x: the block's neighbour place to the east is empty too.
    CameraAbove(2, 4, 100.0f);
    EXPECT_TRUE(IsClear(At(Frame(), 400, 300)));
}

TEST(Render, FromBelowTheTerrainIsDrawnAsLines) {
    TestLandscape land = OneBlock(kMidGreyTexel, 0, 0, 50);
    Load(land, "below.lnd");
    CameraAbove(0, 0);
    CameraPitch() = -90.0f;  // looking up at the underside
    const std::vector<uint8_t> rgb = Frame();
    int olive = 0, clear = 0;
    for (int y = 250; y < 350; ++y) {
        for (int x = 350; x < 450; ++x) {
            const Pixel p = At(rgb, x, y);
            olive += std::abs(p.r - 160) < 20 && std::abs(p.b - 80) < 20;
            clear += IsClear(p);
        }
    }
    EXPECT_GT(olive, 100);   // the quads' edges
    EXPECT_GT(clear, 5000);  // and the sky between them
}

TEST(Render, WireframeOverlayDrawsCountryColours) {
    TestLandscape land = OneBlock(kMidGreyTexel, 0, 0, 0, 0);
    Load(land, "red.lnd");
    CameraAbove(0, 0);
    auto pureRed = [](Pixel p) { return p.r > 240 && p.g < 15 && p.b < 15; };
    EXPECT_EQ(CountPixels(Frame(), pureRed), 0);
    WireframeOverlay = 1;
    const std::vector<uint8_t> with = Frame();
    ExpectNoGlError();
    EXPECT_GT(CountPixels(with, pureRed), 1000);
    // The overlay does not hide the terrain between its lines.
    EXPECT_GT(CountPixels(with, [](Pixel p) { return std::abs(p.r - 162) < 6 && std::abs(p.b - 81) < 6; }), 10000);

    for (uint8_t country : {uint8_t(7), uint8_t(15)}) {
        TestLandscape dark = OneBlock(kMidGreyTexel, 0, 0, 0, country);
        Load(dark, "black.lnd");
        CameraAbove(0, 0);
        WireframeOverlay = 1;
        const std::vector<uint8_t> rgb = Frame();
        EXPECT_GT(CountPixels(rgb, [](Pixel p) { return p.r < 10 && p.g < 10 && p.b < 10; }), 1000) << int(country);
        EXPECT_EQ(CountPixels(rgb, pureRed), 0);
    }
}

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    FillStartBlendWeights(SplitBlendWeights, UnsplitBlendWeights);
    OpenWindow("render_tests");
    InitGraphics();
    return RUN_ALL_TESTS();
}
