// Rendering on real Mesa: the program's own setup, loading, lists and frame
// in the offscreen context lndtool draws with (no window, no display server),
// read back as pixels.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "landscape/landscape_load.h"
#include "platform/gl_entry_points.h"
#include "platform/offscreen_gl.h"
#include "scene/frame.h"
#include "scene/graphics.h"
#include "scene/landscape_scene.h"
#include "geometry/view.h"
#include "texture/material_synthesis.h"
#include "unit_support/test_files.h"

namespace {

constexpr int kWindowWidth = 800, kWindowHeight = 600;  // the viewer's window

// What the next Frame() draws: the landscape loaded last, its scene, the
// camera, and the overlay flag as the `k` key sets it.
LandscapeLoad g_Landscape;
LandscapeScene g_Scene;
CameraView g_Camera = kStartCamera;
bool WireframeOverlay = false;

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
    DestroyLandscapeScene(&g_Scene);
    LoadTranscript said;
    g_Landscape = LoadLandscapeFile(path.c_str(), &said);
    ASSERT_TRUE(g_Landscape.Usable()) << said.error;
    g_Scene = BuildLandscapeScene(g_Landscape.checked, nullptr);
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
    g_Camera = {{160.0f * column + 80.0f, -height, 160.0f * row + 80.0f}, {90.0f, 0.0f, 0.0f}, -500.0f};
    WireframeOverlay = false;
}

void DrawLoaded() { DrawScene(g_Landscape.Usable() ? &g_Landscape.checked : nullptr, g_Camera, WireframeOverlay); }

// One frame, rows bottom first as GL has them (y grows upwards).
std::vector<uint8_t> Frame() {
    DrawLoaded();
    glFinish();
    std::vector<uint8_t> rgb(size_t(kWindowWidth) * kWindowHeight * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
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
    DestroyLandscapeScene(&g_Scene);
    g_Landscape = LandscapeLoad();
    CameraAbove(0, 0);
    g_Camera.rotation.x = 45.0f;
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
        EXPECT_EQ(g_Landscape.checked.loResRecords, (std::vector<uint64_t>{1052, 1052 + 16 + 128}));
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
    g_Camera.rotation.x = -90.0f;  // looking up at the underside
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
    WireframeOverlay = true;
    const std::vector<uint8_t> with = Frame();
    ExpectNoGlError();
    EXPECT_GT(CountPixels(with, pureRed), 1000);
    // The overlay does not hide the terrain between its lines.
    EXPECT_GT(CountPixels(with, [](Pixel p) { return std::abs(p.r - 162) < 6 && std::abs(p.b - 81) < 6; }), 10000);

    for (uint8_t country : {uint8_t(7), uint8_t(15)}) {
        TestLandscape dark = OneBlock(kMidGreyTexel, 0, 0, 0, country);
        Load(dark, "black.lnd");
        CameraAbove(0, 0);
        WireframeOverlay = true;
        const std::vector<uint8_t> rgb = Frame();
        EXPECT_GT(CountPixels(rgb, [](Pixel p) { return p.r < 10 && p.g < 10 && p.b < 10; }), 1000) << int(country);
        EXPECT_EQ(CountPixels(rgb, pureRed), 0);
    }
}

// A frame at another picture size, as lndtool render draws it; the context
// is back at the window's size afterwards. Rows bottom first.
std::vector<uint8_t> FrameOfSize(int width, int height, double farPlane = kFarPlane) {
    std::string error;
    EXPECT_TRUE(SetOffscreenPictureSize(width, height, &error)) << error;
    ApplyProjection(width, height, farPlane);
    DrawLoaded();
    glFinish();
    std::vector<uint8_t> rgb(size_t(width) * size_t(height) * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    EXPECT_TRUE(SetOffscreenPictureSize(kWindowWidth, kWindowHeight, &error)) << error;
    ApplyProjection(kWindowWidth, kWindowHeight, kFarPlane);
    return rgb;
}

// The bounding box of the pixels that match, in a picture of `width` pixels a row.
struct Box {
    int left = 1 << 30, right = -1, bottom = 1 << 30, top = -1;
    int Width() const { return right - left + 1; }
    int Height() const { return top - bottom + 1; }
};
Box BoxOf(const std::vector<uint8_t>& rgb, int width, bool (*match)(Pixel)) {
    Box box;
    const int height = int(rgb.size() / 3 / size_t(width));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const size_t i = 3 * (size_t(y) * size_t(width) + size_t(x));
            if (!match({rgb[i], rgb[i + 1], rgb[i + 2]})) continue;
            box.left = std::min(box.left, x), box.right = std::max(box.right, x);
            box.bottom = std::min(box.bottom, y), box.top = std::max(box.top, y);
        }
    return box;
}

TEST(Render, OtherPictureSizesKeepTheWindowsProportions) {
    TestLandscape land = OneBlock(kMidGreyTexel, 0, 0);
    Load(land, "proportions.lnd");
    CameraAbove(0, 0);
    auto olive = [](Pixel p) { return std::abs(p.r - 160) < 12 && std::abs(p.b - 80) < 12; };
    const Box window = BoxOf(Frame(), kWindowWidth, olive);
    ASSERT_GT(window.Width(), 100);
    for (const auto& [width, height] : {std::pair{1200, 600}, {400, 300}, {600, 600}}) {
        CameraAbove(0, 0);
        const Box box = BoxOf(FrameOfSize(width, height), width, olive);
        // The same vertical field at any size: the block's height scales
        // with the picture's height, its width with the same factor.
        const double scale = double(height) / kWindowHeight;
        EXPECT_NEAR(box.Height(), window.Height() * scale, 2.0) << width << " x " << height;
        EXPECT_NEAR(box.Width(), window.Width() * scale, 2.0) << width << " x " << height;
    }
}

TEST(Render, OverviewShowsEveryPlacedBlock) {
    // Three blocks in three corners of the map, each on a LoRes texture of its own colour.
    TestLandscape land(3, 16, 1, 3);
    TestLandscape one = OneBlock(kMidGreyTexel, 0, 0, 120);
    std::copy(one.Country(0), one.Country(0) + 16 * kCountrySize, land.Country(0));
    std::copy(one.Material(0), one.Material(0) + kMaterialSize, land.Material(0));
    const uint16_t colours[3] = {0xF800, 0x07E0, 0x001F};
    for (int k = 0; k < 3; ++k) {
        std::copy(one.Block(0), one.Block(0) + kBlockSize, land.Block(k));
        StoreI32(land.Block(k) + kLoResTextureIndexOffset, k);
        land.FillLoRes(uint32_t(k), colours[k]);
    }
    land.SetMap(0, 0, 1);
    land.SetMap(31, 31, 2);
    land.SetMap(0, 31, 3);
    Load(land, "corners.lnd");
    for (const auto& [width, height] : {std::pair{800, 600}, {256, 256}}) {
        double farPlane = 0;
        g_Camera = OverviewCamera(g_Landscape.checked, width, height, &farPlane);
        WireframeOverlay = false;
        const std::vector<uint8_t> rgb = FrameOfSize(width, height, farPlane);
        int seen[3] = {0, 0, 0};
        for (size_t i = 0; i + 2 < rgb.size(); i += 3) {
            seen[0] += rgb[i] > 200 && rgb[i + 1] < 60 && rgb[i + 2] < 60;
            seen[1] += rgb[i] < 60 && rgb[i + 1] > 200 && rgb[i + 2] < 60;
            seen[2] += rgb[i] < 60 && rgb[i + 1] < 60 && rgb[i + 2] > 200 && rgb[i + 1] < 100;
        }
        for (int k = 0; k < 3; ++k) EXPECT_GT(seen[k], 4) << "block " << k << " at " << width << " x " << height;
        ExpectNoGlError();
    }
}

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    std::string error;
    if (!OpenOffscreenContext(&error) || !SetOffscreenPictureSize(kWindowWidth, kWindowHeight, &error) ||
        !InitGraphics(OffscreenGlProcAddress, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const int status = RUN_ALL_TESTS();
    DestroyLandscapeScene(&g_Scene);
    CloseOffscreenContext();
    return status;
}
