// Whole views: the camera line read back, the frustum of a picture size, the
// overview that frames every placed block, and picture sizes on the command line.
#include <gtest/gtest.h>

#include <cmath>

#include "tools/commands.h"
#include "unit_support/test_files.h"
#include "geometry/camera.h"

namespace {

// Where a world point lands in normalised device coordinates (-1..1 inside
// the picture), with the frame's transforms: zoom, pitch, yaw, roll, position.
struct Projected {
    double x, y, depth;  // depth: distance in front of the eye
};
Projected Project(const CameraView& v, const Frustum& f, double wx, double wy, double wz) {
    double x = wx + v.position.x, y = wy + v.position.y, z = wz + v.position.z;
    auto rotate = [](double& a, double& b, double degrees) {
        const double r = degrees * M_PI / 180.0, c = std::cos(r), s = std::sin(r);
        const double na = c * a - s * b, nb = s * a + c * b;
        a = na, b = nb;
    };
    rotate(x, y, v.rotation.z);  // roll about z
    rotate(z, x, v.rotation.y);  // yaw about y
    rotate(y, z, v.rotation.x);  // pitch about x
    z += v.zoom;
    const double depth = -z;
    const double xn = x * f.nearPlane / depth, yn = y * f.nearPlane / depth;
    return {(2 * xn - (f.right + f.left)) / (f.right - f.left), (2 * yn - (f.top + f.bottom)) / (f.top - f.bottom),
            depth};
}

}  // namespace

TEST(CameraViews, TheViewersLineReadsBackExactly) {
    const std::string line = CameraLine(kStartCamera);
    EXPECT_EQ(line, "pos : 2720.000000 -30.000000 2560.000000 | rot: 45.000000 0.000000 0.000000 | zoom : -500.000000");
    CameraView back = {{0, 0, 0}, {0, 0, 0}, 0};
    ASSERT_TRUE(ParseCameraLine(line, &back));
    EXPECT_EQ(CameraLine(back), line);

    const CameraView odd = {{-1.5f, 2.25f, 1e5f}, {90.0f, 1440.0f, 0.0f}, -8.0f};
    ASSERT_TRUE(ParseCameraLine(CameraLine(odd) + "\n", &back)) << "a line copied with its end";
    EXPECT_EQ(CameraLine(back), CameraLine(odd));
    ASSERT_TRUE(ParseCameraLine("  pos :  1 2 3 |  rot: 4 5 6  | zoom :   -7  ", &back));
    EXPECT_EQ(back.position.z, 3.0f);
    EXPECT_EQ(back.rotation.y, 5.0f);
    EXPECT_EQ(back.zoom, -7.0f);

    for (const char* bad : {"", "pos : 1 2 3", "pos : 1 2 3 | rot: 4 5 6 | zoom : ", "pos : 1 2 3 | rot: 4 5 | zoom : 7",
                            "pos : 1 2 3 | rot: 4 5 6 | zoom : 7 8", "pos : a 2 3 | rot: 4 5 6 | zoom : 7",
                            "pos : nan 2 3 | rot: 4 5 6 | zoom : 7", "rot: 4 5 6 | pos : 1 2 3 | zoom : 7"})
        EXPECT_FALSE(ParseCameraLine(bad, &back)) << bad;
}

TEST(CameraViews, FrustumKeepsTheWindowsLookAtEverySize) {
    const Frustum window = ViewerFrustum(800, 600);
    EXPECT_EQ(window.left, -0.04);
    EXPECT_EQ(window.right, 0.04);
    EXPECT_EQ(window.bottom, -0.04);
    EXPECT_EQ(window.top, 0.04);
    EXPECT_EQ(window.nearPlane, 0.1);
    EXPECT_EQ(window.farPlane, 4096.0);
    // Twice as wide: twice the width of view, the same height; a square
    // picture is three quarters as wide as the window's view.
    EXPECT_DOUBLE_EQ(ViewerFrustum(1600, 600).right, 0.08);
    EXPECT_DOUBLE_EQ(ViewerFrustum(256, 256).right, 0.03);
    EXPECT_DOUBLE_EQ(ViewerFrustum(1200, 600).top, 0.04);
    EXPECT_EQ(ViewerFrustum(8192, 8192, 9000.0).farPlane, 9000.0);
}

TEST(CameraViews, OverviewFramesEveryPlacedBlockFromStraightAbove) {
    TestLandscape land(3, 1, 1, 1);
    for (int k = 0; k < 3; ++k)
        for (int r = 0; r < 17; ++r)
            for (int c = 0; c < 17; ++c) land.SetCell(k, r, c, uint8_t(k == 2 ? 200 : 10), 0);
    land.SetMap(2, 5, 1);
    land.SetMap(9, 5, 2);
    land.SetMap(4, 20, 3);
    land.SetMap(30, 30, 9);  // names no block: not framed
    const CheckedLandscape checked = CheckLandscape(land.bytes.data(), land.bytes.size());
    ASSERT_TRUE(checked.Usable());

    for (const auto& [width, height] : {std::pair{800, 600}, {256, 256}, {300, 900}, {4000, 100}}) {
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
        double farPlane = 0;
        const CameraView v = OverviewCamera(checked, width, height, &farPlane);
        EXPECT_EQ(v.rotation.x, 90.0f);
        EXPECT_EQ(v.rotation.y, 180.0f);
        EXPECT_EQ(v.rotation.z, 0.0f);
        const Frustum f = ViewerFrustum(width, height, farPlane);
        // Rows 2..9, columns 5..20: x from -3360 to -800, z from -1600 to -320.
        double widest = 0;
        for (double x : {-3360.0, -800.0}) {
            for (double z : {-1600.0, -320.0}) {
                for (double y : {0.0, 201.0}) {
                    const Projected p = Project(v, f, x, y, z);
                    EXPECT_LE(std::abs(p.x), 1.0) << x << " " << y << " " << z;
                    EXPECT_LE(std::abs(p.y), 1.0) << x << " " << y << " " << z;
                    EXPECT_GT(p.depth, f.nearPlane);
                    EXPECT_LT(p.depth, f.farPlane);
                    widest = std::max({widest, std::abs(p.x), std::abs(p.y)});
                }
            }
        }
        // Framed closely: the highest corners reach the picture's edge within the margin.
        EXPECT_GT(widest, 0.9);
        // The centre of the placed blocks lies at the centre of the picture,
        // row 0 above row 9 and column 5 left of column 20, as info prints them.
        const Projected centre = Project(v, f, -2080.0, 201.0, -960.0);
        EXPECT_NEAR(centre.x, 0.0, 1e-6);
        EXPECT_NEAR(centre.y, 0.0, 1e-6);
        EXPECT_GT(Project(v, f, -900.0, 0.0, -400.0).y, Project(v, f, -900.0, 0.0, -1500.0).y);
        EXPECT_LT(Project(v, f, -900.0, 0.0, -400.0).x, Project(v, f, -3200.0, 0.0, -400.0).x);
    }
    // The map is 2560 units across its placed blocks: far more than the
    // 4096-unit far plane allows at this width, so the overview moves it out.
    double farPlane = 0;
    OverviewCamera(checked, 100, 4000, &farPlane);
    EXPECT_GT(farPlane, 4096.0);
}

TEST(CameraViews, OverviewOfAnEmptyMapShowsTheWholeMap) {
    TestLandscape land(1, 1, 1, 1);
    const CheckedLandscape checked = CheckLandscape(land.bytes.data(), land.bytes.size());
    double farPlane = 0;
    const CameraView v = OverviewCamera(checked, 800, 600, &farPlane);
    const Frustum f = ViewerFrustum(800, 600, farPlane);
    for (double x : {0.0, -5120.0})
        for (double z : {0.0, -5120.0}) {
            const Projected p = Project(v, f, x, 0.0, z);
            EXPECT_LE(std::abs(p.x), 1.0);
            EXPECT_LE(std::abs(p.y), 1.0);
            EXPECT_LT(p.depth, farPlane);
        }
}

TEST(CameraViews, PictureSizesOnTheCommandLine) {
    int w = 0, h = 0;
    ASSERT_TRUE(ParsePictureSize("800x600", &w, &h));
    EXPECT_EQ(w, 800);
    EXPECT_EQ(h, 600);
    ASSERT_TRUE(ParsePictureSize("1x8192", &w, &h));
    EXPECT_EQ(h, 8192);
    ASSERT_TRUE(ParsePictureSize("000064x64", &w, &h));
    EXPECT_EQ(w, 64);
    for (const char* bad : {"", "800", "800x", "x600", "0x600", "800x0", "8193x10", "-5x5", "800x600x2", "800 x 600",
                            "800x600 ", "99999999999x1", " 64x64", "+64x+64", "64x 64", "64X64", "6e1x64"})
        EXPECT_FALSE(ParsePictureSize(bad, &w, &h)) << bad;
}

TEST(CameraViews, FramingShowsEveryPlacedBlockWholeWithinTheViewersLimits) {
    // Placed areas from one block to one too wide for any view the zoom
    // allows, lowlands at 0 and peaks at 255: every corner of each must lie
    // inside the window's frustum, the far plane included.
    struct Case {
        int rows, columns;
        bool fits;
    };
    // 18 x 19 places is the default sample's extent; 20 places (3200 units)
    // are wider than the window shows inside the far plane.
    for (const Case& c : {Case{1, 1, true}, Case{8, 12, true}, Case{18, 19, true}, Case{3, 20, false},
                          Case{32, 32, false}}) {
        SCOPED_TRACE(std::to_string(c.rows) + " x " + std::to_string(c.columns));
        TestLandscape land(2, 1, 1, 1);
        for (int r = 0; r < 17; ++r)
            for (int col = 0; col < 17; ++col) land.SetCell(1, r, col, 255, 0);
        for (int b = 0; b < c.rows; ++b)
            for (int a = 0; a < c.columns; ++a) land.SetMap(b, a, (b == c.rows / 2 && a == c.columns / 2) ? 2 : 1);
        const CheckedLandscape checked = CheckLandscape(land.bytes.data(), land.bytes.size());
        const Framing framing = FramingCamera(checked, 800, 600);
        EXPECT_EQ(framing.fits, c.fits);
        const CameraView& v = framing.view;
        EXPECT_GE(v.zoom, kZoomFarthest);
        EXPECT_LE(v.zoom, kZoomClosest);
        EXPECT_GE(v.rotation.x, kPitchMin);
        EXPECT_LE(v.rotation.x, kPitchMax);
        const Frustum f = ViewerFrustum(800, 600);
        for (double x : {0.0, -160.0 * c.columns})
            for (double z : {0.0, -160.0 * c.rows})
                for (double y : {0.0, 256.0}) {
                    const Projected p = Project(v, f, x, y, z);
                    if (c.fits) {
                        EXPECT_LE(std::abs(p.x), 1.0) << x << " " << y << " " << z;
                        EXPECT_LE(std::abs(p.y), 1.0) << x << " " << y << " " << z;
                    }
                    EXPECT_LT(p.depth, f.farPlane) << x << " " << y << " " << z;
                }
        // Row 0 at the top, column 0 at the left, as `lndtool info` prints the map.
        const Projected first = Project(v, f, -80.0, 0.0, -80.0);
        const Projected last = Project(v, f, -160.0 * c.columns + 80, 0.0, -160.0 * c.rows + 80);
        if (c.rows > 1) {
            EXPECT_GT(first.y, last.y);
        }
        if (c.columns > 1) {
            EXPECT_LT(first.x, last.x);
        }
    }
}
