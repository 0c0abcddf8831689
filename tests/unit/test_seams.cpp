// test_seams.cpp -- seam faults planted on the edges of placed blocks.
#include <gtest/gtest.h>

#include <string>

#include "landscape/seams.h"
#include "unit_support/test_files.h"

TEST(Seams, EachDisagreeingSampleCountsOncePerField) {
    // Blocks 0..3 around the corner of places (4..5, 7..8); block 4 alone at
    // (10, 10) with empty neighbours.
    const struct {
        const char* what;
        int32_t block;
        int r, c;
        uint8_t altitude, attributes;
        uint64_t altitudes, countries;
        const char* place;  // of the first fault
    } cases[] = {
        {"edge, altitude", 0, 5, 16, 9, 0, 1, 0, "(4, 7) right edge"},
        {"edge, country", 2, 0, 3, 0, 2, 0, 1, "(4, 7) bottom edge"},
        {"four-way corner, one copy off", 3, 0, 0, 5, 0, 1, 0, "(4, 7) bottom-right corner"},
        {"corner, both fields off", 0, 16, 16, 5, 3, 1, 1, "(4, 7) bottom-right corner"},
        {"edge towards an empty place", 4, 5, 16, 7, 3, 0, 0, ""},
        {"split flag is no seam", 0, 5, 16, 0, 0x80, 0, 0, ""},
        {"inside a block is no seam", 0, 5, 5, 9, 2, 0, 0, ""},
    };
    for (const auto& t : cases) {
        TestLandscape land(5, 4, 1, 0);
        land.SetMap(4, 7, 1);
        land.SetMap(4, 8, 2);
        land.SetMap(5, 7, 3);
        land.SetMap(5, 8, 4);
        land.SetMap(10, 10, 5);
        land.SetCell(t.block, t.r, t.c, t.altitude, t.attributes);
        const CheckedLandscape c = CheckLandscape(land.bytes.data(), land.bytes.size());
        ASSERT_TRUE(c.Usable());
        const SeamFaults seams = FindSeamFaults(c);
        EXPECT_EQ(seams.count[0], t.altitudes) << t.what;
        EXPECT_EQ(seams.count[1], t.countries) << t.what;
        EXPECT_EQ(seams.faults.empty() ? "" : SeamPlaceText(seams.faults[0]), std::string(t.place)) << t.what;
        EXPECT_EQ(SeamWarningLine(seams, "a.lnd").empty(), seams.faults.empty()) << t.what;
    }
    TestLandscape land(5, 4, 1, 0);
    land.SetMap(4, 7, 1);
    land.SetMap(4, 8, 2);
    land.SetCell(0, 5, 16, 9, 0);
    land.SetCell(0, 6, 16, 9, 0);
    const CheckedLandscape c = CheckLandscape(land.bytes.data(), land.bytes.size());
    EXPECT_EQ(SeamWarningLine(FindSeamFaults(c), "a.lnd"),
              "WARNING : a.lnd : 2 seam faults (2 altitude, 0 country): neighbouring blocks store different values "
              "for one map sample, at (4, 7) right edge");
}
