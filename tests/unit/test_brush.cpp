// test_brush.cpp -- dabs of each tool on the map grid, block copies, and
// strokes taken back and made again.
#include <gtest/gtest.h>

#include <vector>

#include "landscape/brush.h"
#include "landscape/map_grid.h"
#include "unit_support/test_files.h"

namespace {

struct Sample {
    int y, x, value;
};

// Places (2,2) and (2,3) hold blocks 0 and 1; block 2 lies at (3,2) and (3,3).
// Every cell at `altitude`, every sample of `set` as given in all its copies.
std::vector<uint8_t> Fixture(int32_t blocks, int altitude, const std::vector<Sample>& set) {
    TestLandscape t(blocks, 8, 1, 0);
    t.SetMap(2, 2, 1);
    t.SetMap(2, 3, 2);
    t.SetMap(3, 2, 3);
    t.SetMap(3, 3, 3);
    for (int32_t k = 0; k < 3; ++k)
        for (int r = 0; r < kBlockGridPoints; ++r)
            for (int c = 0; c < kBlockGridPoints; ++c) t.SetCell(k, r, c, uint8_t(altitude), 0);
    const CheckedLandscape checked = CheckLandscape(t.bytes.data(), t.bytes.size());
    for (const Sample& s : set) {
        SampleCopy copies[kMostSampleCopies];
        const int n = GridSampleCopies(checked, s.y, s.x, copies);
        for (int i = 0; i < n; ++i) t.SetCell(copies[i].block, copies[i].r, copies[i].c, uint8_t(s.value), 0);
    }
    return t.bytes;
}

// World point of grid sample (y, x).
double WorldX(int x) { return -10.0 * x; }
double WorldZ(int y) { return -10.0 * y; }

// Every stored copy of the sample, as "v" or "v/v" (a seam fault shows as two values).
std::string Stored(const CheckedLandscape& c, int y, int x, const SubfieldSpec& field) {
    SampleCopy copies[kMostSampleCopies];
    const int n = GridSampleCopies(c, y, x, copies);
    std::string text;
    for (int i = 0; i < n; ++i)
        text += (i ? "/" : "") + std::to_string(CellFieldValue(c.Block(copies[i].block), copies[i].r, copies[i].c, field));
    return text;
}

}  // namespace

TEST(Brush, OneDabOfEachToolChangesTheSamplesItReachesInEveryCopy) {
    const struct {
        const char* what;
        BrushTool tool;
        int strength;
        float radius;
        int32_t blocks;
        int altitude;
        std::vector<Sample> set;
        Sample start, centre;  // where the stroke starts and the dab falls (values unused)
        std::vector<Sample> expected;  // in every copy
        int32_t blocksAfter;
        int withoutRoom;
    } cases[] = {
        // Falloff (1 - d^2/r^2)^2 of 5 units: 5, 4.39, 2.81, 0.96, 0 at 0, 10, 20, 30, 40.
        {"raise across the edge of places (2,2) and (2,3)", BrushTool::Raise, 5, 40, 3, 100, {}, {40, 48, 0},
         {40, 48, 0}, {{40, 48, 105}, {40, 49, 104}, {40, 50, 103}, {40, 51, 101}, {40, 52, 100}, {40, 47, 104},
          {41, 49, 104}, {48, 48, 100}}, 3, 0},
        {"raise stops at 255", BrushTool::Raise, 5, 40, 3, 253, {}, {40, 48, 0}, {40, 48, 0},
         {{40, 48, 255}, {40, 49, 255}, {40, 51, 254}}, 3, 0},
        {"lower stops at 0", BrushTool::Lower, 5, 40, 3, 3, {}, {40, 48, 0}, {40, 48, 0},
         {{40, 48, 0}, {40, 49, 0}, {40, 50, 0}, {40, 51, 2}}, 3, 0},
        {"flatten to the altitude where the stroke starts", BrushTool::Flatten, 10, 40, 3, 100, {{40, 49, 140}},
         {40, 48, 0}, {40, 48, 0}, {{40, 49, 105}, {40, 48, 100}}, 3, 0},
        {"smooth towards the 3 x 3 mean", BrushTool::Smooth, 10, 40, 3, 100, {{40, 49, 190}}, {40, 49, 0},
         {40, 49, 0}, {{40, 49, 110}, {40, 50, 109}, {40, 48, 109}, {40, 52, 100}}, 3, 0},
        {"paint country 7 within the radius", BrushTool::PaintCountry, 5, 10, 3, 100, {}, {40, 48, 0}, {40, 48, 0},
         {{40, 48, 7}, {40, 49, 0}, {40, 47, 0}}, 3, 0},
        {"block 2 at two places: (3,2) gets a copy", BrushTool::Raise, 5, 40, 3, 100, {}, {56, 48, 0}, {56, 48, 0},
         {{56, 48, 105}, {56, 45, 101}, {56, 51, 101}, {56, 44, 100}}, 4, 0},
        {"no room for a copy: both places stay", BrushTool::Raise, 5, 40, 255, 100, {}, {56, 48, 0}, {56, 48, 0},
         {{56, 48, 100}, {56, 44, 100}, {56, 52, 100}}, 255, 2},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.what);
        const std::vector<uint8_t> original = Fixture(t.blocks, t.altitude, t.set);
        const CheckedLandscape from = CheckLandscape(original.data(), original.size());
        ASSERT_TRUE(from.Usable());
        LandscapeEdit edit;
        StartEdit(from, &edit);
        BrushSettings settings;
        settings.tool = t.tool, settings.strength = t.strength, settings.radius = t.radius, settings.country = 7;
        Stroke stroke;
        BeginStroke(edit.checked, settings, WorldX(t.start.x), WorldZ(t.start.y), &stroke);
        const DabResult dab = ApplyDab(&edit, &stroke, WorldX(t.centre.x), WorldZ(t.centre.y));
        const SubfieldSpec& field = t.tool == BrushTool::PaintCountry ? kCountryField : kAltitudeField;
        for (const Sample& s : t.expected) {
            SampleCopy copies[kMostSampleCopies];
            const int n = GridSampleCopies(edit.checked, s.y, s.x, copies);
            std::string want;
            for (int i = 0; i < n; ++i) want += (i ? "/" : "") + std::to_string(s.value);
            EXPECT_EQ(Stored(edit.checked, s.y, s.x, field), want) << s.y << "," << s.x;
        }
        EXPECT_EQ(edit.checked.blockCount, t.blocksAfter);
        EXPECT_EQ(dab.placesWithoutRoom, t.withoutRoom);
        EXPECT_EQ(dab.copied, t.blocksAfter > from.blockCount);
        if (t.blocksAfter > from.blockCount) {
            EXPECT_EQ(BlockAtPlace(edit.checked, 3, 2), 3);
            EXPECT_EQ(BlockAtPlace(edit.checked, 3, 3), 2);
        }
        // Taken back, the stroke leaves the file as it was, byte for byte.
        const StrokeRecord record = FinishStroke(&stroke);
        UndoStroke(&edit, record);
        EXPECT_TRUE(edit.bytes == original);
    }
}

TEST(Brush, HistoryUndoesAndRedoesWholeStrokesAndKnowsTheSavedState) {
    const std::vector<uint8_t> original = Fixture(3, 100, {});
    LandscapeEdit edit;
    StartEdit(CheckLandscape(original.data(), original.size()), &edit);
    EditHistory history;
    const struct {
        BrushTool tool;
        int y, x;
    } strokes[] = {{BrushTool::Raise, 40, 48}, {BrushTool::PaintCountry, 40, 40}, {BrushTool::Raise, 56, 48},
                   {BrushTool::Flatten, 56, 52}, {BrushTool::Smooth, 41, 50}};
    std::vector<std::vector<uint8_t>> after;
    for (const auto& s : strokes) {
        BrushSettings settings;
        settings.tool = s.tool, settings.country = 3;
        Stroke stroke;
        BeginStroke(edit.checked, settings, WorldX(s.x), WorldZ(s.y), &stroke);
        // A drag of three dabs, the first two over the same spot.
        for (int d : {0, 0, 2}) ApplyDab(&edit, &stroke, WorldX(s.x + d), WorldZ(s.y));
        KeepStroke(&history, FinishStroke(&stroke));
        after.push_back(edit.bytes);
        if (after.size() == 2) NoteSaved(&history);
    }
    EXPECT_EQ(history.done.size(), 5u);
    EXPECT_EQ(edit.checked.blockCount, 4);
    EXPECT_TRUE(history.Unsaved());
    std::vector<int32_t> blocks;
    for (int n = 4; n >= 0; --n) {
        ASSERT_TRUE(UndoLast(&history, &edit, &blocks));
        EXPECT_TRUE(edit.bytes == (n ? after[size_t(n - 1)] : original)) << n;
        EXPECT_EQ(history.Unsaved(), n != 2) << n;
    }
    EXPECT_FALSE(UndoLast(&history, &edit, &blocks));
    EXPECT_EQ(edit.checked.blockCount, 3);
    for (size_t n = 0; n < 5; ++n) {
        ASSERT_TRUE(RedoNext(&history, &edit, &blocks));
        EXPECT_TRUE(edit.bytes == after[n]) << n;
    }
    EXPECT_FALSE(RedoNext(&history, &edit, &blocks));
    // A stroke made after undoing past the saved state: that state is gone.
    for (int n = 0; n < 4; ++n) UndoLast(&history, &edit, &blocks);
    Stroke stroke;
    BeginStroke(edit.checked, BrushSettings(), WorldX(48), WorldZ(40), &stroke);
    ApplyDab(&edit, &stroke, WorldX(48), WorldZ(40));
    KeepStroke(&history, FinishStroke(&stroke));
    EXPECT_FALSE(RedoNext(&history, &edit, &blocks));
    UndoLast(&history, &edit, &blocks);
    EXPECT_TRUE(history.Unsaved());
    // The oldest strokes go past kKeptStrokes, at least 200 stay.
    for (int n = 0; n < 300; ++n) KeepStroke(&history, StrokeRecord{{}, {{0, 0, 0, 1, 2}}});
    EXPECT_EQ(history.done.size(), kKeptStrokes);
    EXPECT_GE(kKeptStrokes, 200u);
}
