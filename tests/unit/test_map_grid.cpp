// test_map_grid.cpp -- which placed cells store each sample of the map grid.
#include <gtest/gtest.h>

#include <string>

#include "landscape/map_grid.h"
#include "unit_support/test_files.h"

// Place (row, column), cell (r, c) and block of every copy, as one string.
static std::string Copies(const CheckedLandscape& landscape, int y, int x) {
    SampleCopy copies[kMostSampleCopies];
    const int n = GridSampleCopies(landscape, y, x, copies);
    std::string text;
    for (int i = 0; i < n; ++i) {
        const SampleCopy& s = copies[i];
        text += "(" + std::to_string(s.row) + "," + std::to_string(s.column) + ") " + std::to_string(s.r) + "," +
                std::to_string(s.c) + " b" + std::to_string(s.block) + ";";
    }
    return text;
}

TEST(MapGrid, SamplesAreStoredByEveryPlacedNeighbour) {
    // Four blocks around the corner of places (4..5, 7..8); place (5, 8) empty;
    // a map byte past the block count names nothing.
    TestLandscape t(3, 1, 1, 0);
    t.SetMap(4, 7, 1);
    t.SetMap(4, 8, 2);
    t.SetMap(5, 7, 3);
    t.SetMap(5, 8, 9);
    t.SetMap(0, 0, 1);
    t.SetMap(31, 31, 2);
    const CheckedLandscape landscape = CheckLandscape(t.bytes.data(), t.bytes.size());
    ASSERT_TRUE(landscape.Usable());
    const struct {
        int y, x;
        const char* copies;
    } cases[] = {
        {80, 128, "(4,7) 16,16 b0;(4,8) 16,0 b1;(5,7) 0,16 b2;"},  // corner, one place empty
        {70, 128, "(4,7) 6,16 b0;(4,8) 6,0 b1;"},                  // vertical edge
        {80, 120, "(4,7) 16,8 b0;(5,7) 0,8 b2;"},                  // horizontal edge
        {72, 120, "(4,7) 8,8 b0;"},                                // inside
        {90, 140, ""},                                             // inside an empty place
        {0, 0, "(0,0) 0,0 b0;"},                                   // the grid's corners
        {512, 512, "(31,31) 16,16 b1;"},
        {16, 16, "(0,0) 16,16 b0;"},                               // towards three empty places
    };
    for (const auto& c : cases) EXPECT_EQ(Copies(landscape, c.y, c.x), c.copies) << c.y << "," << c.x;
    EXPECT_EQ(BlockAtPlace(landscape, 5, 8), -1);
    EXPECT_EQ(BlockAtPlace(landscape, 1, 1), -1);
    EXPECT_EQ(BlockAtPlace(landscape, 4, 8), 1);
}
