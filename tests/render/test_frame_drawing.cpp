// The lists as triangles, one primitive a block, against the lists as a
// strip per quad (kept apart, so that the driver draws them as GL defines
// strips), on a fixed set of views of the default sample
// and of a landscape of steep random altitudes: the pictures must be the
// same. Were a different drawing order to change which of two surfaces at
// exactly the same depth wins, a few pixels could differ, but under 0.05% of
// a view and never in the sky, the gizmo or the overlay's colours. Runs in
// the offscreen context of test_render.cpp's main.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "geometry/country_palette.h"
#include "landscape/landscape_load.h"
#include "testing/strip_lists.h"
#include "scene/frame.h"
#include "scene/landscape_scene.h"
#include "geometry/view.h"
#include "tools/sample/sample_landscape.h"
#include "unit_support/test_files.h"

namespace {

constexpr int kWidth = 800, kHeight = 600;

struct View {
    const char* name;
    CameraView camera;
    bool overlay;
};

const View kViews[] = {
    {"start", kStartCamera, false},
    {"start, overlay", kStartCamera, true},
    {"far above", {{2560, 0, 2560}, {90, 0, 0}, -4096}, false},
    {"far above, overlay", {{2560, 0, 2560}, {90, 0, 0}, -4096}, true},
    {"from below the terrain", {{2400, 40, 2400}, {-35, 30, 0}, -900}, false},
    {"from below, overlay", {{2400, 40, 2400}, {-35, 30, 0}, -900}, true},
    {"grazing", {{2560, -90, 2300}, {4, 200, 0}, -1500}, false},
    {"grazing, overlay", {{2560, -90, 2300}, {4, 200, 0}, -1500}, true},
    {"close and steep", {{2700, -150, 2500}, {25, 75, 0}, -60}, true},
    {"turned, tilted", {{2200, -60, 2700}, {60, 310, 0}, -2200}, true},
};

enum class Lists { Triangles, JoinableStrips, SeparateStrips };

// Every view drawn with the landscape's lists as the program builds them,
// or compiled again as strips.
std::vector<std::vector<uint8_t>> DrawViews(const std::vector<uint8_t>& bytes, Lists lists) {
    const std::string path = WriteTestFile(TestTempDir("drawing") + "/land.lnd", bytes);
    LoadTranscript said;
    const LandscapeLoad landscape = LoadLandscapeFile(path.c_str(), &said);
    EXPECT_TRUE(landscape.Usable()) << said.error;
    LandscapeScene scene = BuildLandscapeScene(landscape.checked, nullptr);
    if (lists != Lists::Triangles)
        CompileStripLists(scene, landscape.checked,
                          lists == Lists::SeparateStrips ? StripLists::Separate : StripLists::Joinable);
    std::vector<std::vector<uint8_t>> frames;
    for (const View& view : kViews) {
        DrawScene(&landscape.checked, view.camera, view.overlay);
        glFinish();
        std::vector<uint8_t> rgb(size_t(kWidth) * kHeight * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        frames.push_back(std::move(rgb));
    }
    DestroyLandscapeScene(&scene);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    return frames;
}

bool IsSky(const uint8_t* p) { return p[0] == 0 && (p[1] == 127 || p[1] == 128) && p[2] == 255; }

// A colour of the country palette, which the overlay and the gizmo draw with.
bool IsPaletteColour(const uint8_t* p) {
    for (const Vector3& c : CountryPalette) {
        const int r = int(c.x * 255.0f + 0.5f), g = int(c.y * 255.0f + 0.5f), b = int(c.z * 255.0f + 0.5f);
        if (std::abs(p[0] - r) <= 1 && std::abs(p[1] - g) <= 1 && std::abs(p[2] - b) <= 1) return true;
    }
    return false;
}

void CompareDrawings(const char* landscape, const std::vector<uint8_t>& bytes) {
    const std::vector<std::vector<uint8_t>> reference = DrawViews(bytes, Lists::SeparateStrips);
    const std::vector<std::vector<uint8_t>> drawn = DrawViews(bytes, Lists::Triangles);
    for (size_t v = 0; v < std::size(kViews); ++v) {
        SCOPED_TRACE(std::string(landscape) + ", " + kViews[v].name);
        int differing = 0, forbidden = 0;
        for (size_t i = 0; i < reference[v].size(); i += 3) {
            const uint8_t* a = &reference[v][i];
            const uint8_t* b = &drawn[v][i];
            if (a[0] == b[0] && a[1] == b[1] && a[2] == b[2]) continue;
            ++differing;
            if (IsSky(a) || IsSky(b) || IsPaletteColour(a) || IsPaletteColour(b)) ++forbidden;
        }
        // The figures go to the test log: the count is part of what this test reports.
        std::printf("[ views    ] %-6s %-24s %d differing pixels\n", landscape, kViews[v].name, differing);
        EXPECT_LT(differing, kWidth * kHeight * 5 / 10000);
        EXPECT_EQ(forbidden, 0);
    }
    // Mesa joins the strips of a list as it compiles them and then draws some
    // front faces as back faces: strips compiled one after another differ.
    const std::vector<std::vector<uint8_t>> joined = DrawViews(bytes, Lists::JoinableStrips);
    int joinedDiffering = 0;
    for (size_t i = 0; i < joined[2].size(); ++i) joinedDiffering += joined[2][i] != drawn[2][i];
    std::printf("[ views    ] %-6s far above, strips as compiled: %d differing bytes\n", landscape, joinedDiffering);
    // The views must show something, or the comparison would prove nothing.
    size_t sky = 0;
    for (size_t i = 0; i < drawn[0].size(); i += 3) sky += IsSky(&drawn[0][i]);
    EXPECT_LT(sky, drawn[0].size() / 3 / 2) << "the start view is mostly sky";
}

}  // namespace

TEST(FrameDrawing, TheSampleLooksTheSameDrawnFromTriangles) {
    CompareDrawings("sample", MakeSampleLandscape(1, 255));
}

TEST(FrameDrawing, SteepRandomAltitudesLookTheSameDrawnFromTriangles) {
    // Every cell at a random height: triangles of every slope, facing every
    // way, on a partly transparent LoRes texture, so blending order shows.
    TestLandscape land(40, 4, 2, 1);
    std::mt19937 rng(9);
    for (int k = 0; k < 40; ++k) {
        for (int r = 0; r < 17; ++r)
            for (int c = 0; c < 17; ++c) land.SetCell(k, r, c, uint8_t(rng()), uint8_t(rng() & 0x83));
        StoreF32(land.Block(k) + kTextureOriginSOffset, float(rng() % 4) * 0.25f);
        land.SetMap(12 + k / 8, 13 + k % 8, uint8_t(k + 1));
    }
    for (int country = 0; country < 4; ++country)
        for (int h = 0; h < 256; ++h) land.SetEntry(country, h, uint32_t(h & 1), 1, uint32_t(h));
    land.FillMaterial(0, 20000);
    land.FillMaterial(1, 45000);
    land.FillLoRes(0, 0x7BEF, 6);
    CompareDrawings("steep", land.bytes);
}
