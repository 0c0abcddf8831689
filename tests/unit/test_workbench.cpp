// What the viewer's window works out without GL: the next landscape of a
// folder, when a changing file has settled, picture names, panels that never
// cover one another, and what the pointer is over.
#include <gtest/gtest.h>

#include <filesystem>

#include "geometry/terrain_pick.h"
#include "unit_support/test_files.h"
#include "platform/landscape_files.h"
#include "viewer/panels.h"

TEST(Workbench, PageKeysStepThroughTheFolderInNameOrderAndWrap) {
    const std::vector<std::string> names = {"c.lnd", "a.lnd", "b.lnd", "B.lnd"};
    struct Case {
        const char* current;
        int step;
        const char* expected;
    };
    for (const Case& c : {Case{"a.lnd", 1, "b.lnd"}, Case{"b.lnd", 1, "c.lnd"}, Case{"c.lnd", 1, "B.lnd"},
                          Case{"B.lnd", -1, "c.lnd"}, Case{"a.lnd", -1, "B.lnd"}, Case{"a.lnd", 2, "c.lnd"},
                          Case{"aa.lnd", 1, "b.lnd"}, Case{"aa.lnd", -1, "a.lnd"}, Case{"zz.lnd", 1, "B.lnd"}})
        EXPECT_EQ(NeighbourName(names, c.current, c.step), c.expected) << c.current << " " << c.step;
    EXPECT_EQ(NeighbourName({"only.lnd"}, "only.lnd", 1), "only.lnd");
    EXPECT_EQ(NeighbourName({}, "a.lnd", 1), "");

    const std::string dir = TestTempDir("folder");
    for (const char* name : {"b.lnd", "a.LND", "notes.txt", "c.lnd.bak"}) WriteTestFile(dir + "/" + name, {1});
    std::filesystem::create_directory(dir + "/folder.lnd");
    const std::filesystem::path folder(dir);
    EXPECT_EQ(std::filesystem::path(NeighbourLandscape(dir + "/b.lnd", 1)), folder / "a.LND");
    EXPECT_EQ(std::filesystem::path(NeighbourLandscape(dir + "/a.LND", 1)), folder / "b.lnd");
}

TEST(Workbench, AChangedFileIsReloadedOnceItHasSettled) {
    // Looks twice a second: a change, then a look that sees no further change.
    const FileStamp a = {true, 10, 1}, b = {true, 20, 2}, gone = {};
    FileWatch watch;
    watch.seen = a;
    struct Look {
        FileStamp now;
        bool reload;
    };
    const Look looks[] = {{a, false}, {b, false}, {b, true}, {b, false},         // written once
                          {a, false}, {b, false}, {a, false}, {a, true},         // still being written
                          {gone, false}, {gone, true}, {a, false}, {a, true}};   // deleted, then back
    for (size_t n = 0; n < std::size(looks); ++n) EXPECT_EQ(FileWatchSettled(&watch, looks[n].now), looks[n].reload) << n;

    const std::string dir = TestTempDir("stamps");
    EXPECT_FALSE(StampOf(dir + "/none.lnd").exists);
    WriteTestFile(dir + "/land.lnd", {1, 2, 3});
    EXPECT_EQ(StampOf(dir + "/land.lnd").size, 3u);
    EXPECT_FALSE(StampOf(dir).exists);  // a folder is no landscape
    // Another file renamed over it, of the same size and write time: its
    // inode tells them apart.
    WriteTestFile(dir + "/other.lnd", {4, 5, 6});
    std::filesystem::last_write_time(dir + "/other.lnd", std::filesystem::last_write_time(dir + "/land.lnd"));
    const FileStamp before = StampOf(dir + "/land.lnd");
    std::filesystem::rename(dir + "/other.lnd", dir + "/land.lnd");
    const FileStamp after = StampOf(dir + "/land.lnd");
    EXPECT_EQ(std::make_pair(after.size, after.modified), std::make_pair(before.size, before.modified));
    EXPECT_NE(after.inode, before.inode);
    EXPECT_FALSE(after == before);
}

TEST(Workbench, PicturesTakeTheNextFreeNumber) {
    const std::string dir = TestTempDir("pictures");
    const std::filesystem::path folder(dir);
    EXPECT_EQ(std::filesystem::path(NextPictureName(dir, "land")), folder / "land-1.png");
    WriteTestFile(dir + "/land-1.png", {1});
    WriteTestFile(dir + "/land-3.png", {1});
    EXPECT_EQ(std::filesystem::path(NextPictureName(dir, "land")), folder / "land-2.png");
}

TEST(Workbench, PanelsNeverCoverOneAnotherAndWhatDoesNotFitIsCut) {
    const std::vector<PanelLine> help(18, PanelLine{"W / S            fly forward / backward"});
    const std::vector<PanelLine> status(3, PanelLine{std::string(90, 's')});
    for (const auto& [width, height] : {std::pair{800, 600}, {480, 360}, {200, 150}}) {
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
        const std::vector<PanelBox> boxes =
            LayoutPanels({{PanelCorner::BottomLeft, status, width},
                          {PanelCorner::TopLeft, {{"ERROR : land.lnd : file too short"}, {""}, {"Press Escape"}}, width},
                          {PanelCorner::TopRight, {{"16 DDS files written next to land.lnd"}}, width / 2},
                          {PanelCorner::TopLeft, help, width}},
                         width, height);
        ASSERT_FALSE(boxes.empty());
        for (size_t i = 0; i < boxes.size(); ++i) {
            const PanelBox& a = boxes[i];
            EXPECT_GE(a.left, kPanelMargin);
            EXPECT_GE(a.top, kPanelMargin);
            EXPECT_LE(a.left + a.width, width - kPanelMargin);
            EXPECT_LE(a.top + a.height, height - kPanelMargin);
            for (size_t j = i + 1; j < boxes.size(); ++j) {
                const PanelBox& b = boxes[j];
                const bool apart = a.left + a.width <= b.left || b.left + b.width <= a.left ||
                                   a.top + a.height <= b.top || b.top + b.height <= a.top;
                EXPECT_TRUE(apart) << i << " and " << j;
            }
            for (const PanelLine& line : a.lines) EXPECT_LE(int(line.text.size()) * kGlyphWidth, a.width);
        }
    }
    // At 480 x 360 the help does not fit under the others: it ends in "...".
    const std::vector<PanelBox> small = LayoutPanels(
        {{PanelCorner::BottomLeft, status, 480}, {PanelCorner::TopLeft, help, 480}}, 480, 360);
    ASSERT_EQ(small.size(), 2u);
    EXPECT_EQ(small[1].lines.back().text, "...");
    EXPECT_EQ(small[0].lines[0].text.substr(small[0].lines[0].text.size() - 3), "...");
}

TEST(Workbench, ThePointerFindsTheCellItIsOver) {
    // One block at map place (2, 5): flat at 40, but quad (3, 7)'s far corner
    // (4, 8) at 140, split so that (3, 7)-(4, 8) is not its diagonal.
    TestLandscape land(1, 1, 1, 1);
    for (int r = 0; r < 17; ++r)
        for (int c = 0; c < 17; ++c) land.SetCell(0, r, c, 40, 0);
    land.SetCell(0, 4, 8, 140, 0);
    land.SetCell(0, 3, 7, 40, 0x80);
    land.SetEntry(0, 40, 3, 5, 128);
    land.SetMap(2, 5, 1);
    const CheckedLandscape checked = CheckLandscape(land.bytes.data(), land.bytes.size());
    // Straight down from high above the place's centre: the window's centre
    // pixel shows grid point (8, 8).
    auto above = [](double x, double z) { return CameraView{{float(-x), -1000.0f, float(-z)}, {90.0f, 0.0f, 0.0f}, -8.0f}; };
    TerrainPick pick = PickTerrain(checked, above(-880, -400), 800, 600, 399.5, 299.5);
    ASSERT_TRUE(pick.hit);
    EXPECT_EQ(PickLine(pick), "place 2,5 | block 0 | cell 8,8 | altitude 40 | country 0: materials 3 5, weight 128");
    EXPECT_NEAR(pick.y, 40.0, 1e-3);

    // Over the split quad at (u, v) = (0.7, 0.6) of it: the split diagonal
    // (4, 7)-(3, 8) puts the point in the triangle that rises to the raised
    // corner, at 40 + 100 (u + v - 1) = 70; the other diagonal would give 100.
    pick = PickTerrain(checked, above(-877, -356), 800, 600, 399.5, 299.5);
    ASSERT_TRUE(pick.hit);
    EXPECT_NEAR(pick.y, 70.0, 0.01);
    EXPECT_EQ(PickLine(pick), "place 2,5 | block 0 | cell 4,8 | altitude 140 | country 0: materials 0 0, weight 0");

    // Beside the block, and above it looking away: sky.
    EXPECT_FALSE(PickTerrain(checked, above(-700, -400), 800, 600, 399.5, 299.5).hit);
    EXPECT_EQ(PickLine(PickTerrain(checked, {{880, -100, 400}, {0, 0, 0}, -8}, 800, 600, 400, 10)), "sky");
}
