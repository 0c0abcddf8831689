// test_landscape_diff.cpp -- two landscapes built record by record, one edit
// apart: the diff's text lines and the quads and places a changes picture
// marks, one row of the table per kind of edit.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "tools/diff/change_marks.h"
#include "tools/diff/landscape_diff.h"
#include "unit_support/test_files.h"

namespace {

struct DiffCase {
    const char* name;
    int32_t blocksA, blocksB;
    std::function<void(TestLandscape&)> edit;  // applied to the second file
    std::string text;                          // the report
    uint64_t outlinedQuads;
    uint32_t tintedPlaces;
};

// Two blocks, each placed twice; one LoRes texture under both at origin 0.
TestLandscape Base(int32_t blocks) {
    TestLandscape land(blocks, 2, 1, 1);
    land.FillLoRes(0, 0x07E0);
    for (int32_t k = 0; k < blocks && k < 2; ++k) land.SetMap(3, k, uint8_t(k + 1)), land.SetMap(9, k, uint8_t(k + 1));
    return land;
}

TEST(LandscapeDiff, EachKindOfEditIsReportedAndMarked) {
    const DiffCase cases[] = {
        {"identical", 2, 2, [](TestLandscape&) {}, "", 0, 0},
        // The four quads around the cell, at both places of block 1.
        {"one cell", 2, 2, [](TestLandscape& l) { l.SetCell(1, 6, 7, 30, 0); },
         "block 1: cell 6,7: altitude 0 -> 30\n", 8, 0},
        {"country and split", 2, 2, [](TestLandscape& l) { l.SetCell(0, 0, 0, 0, 0x83); },
         "block 0: cell 0,0: country 0 -> 3, split 0 -> 1\n", 2, 0},
        {"many cells", 2, 2,
         [](TestLandscape& l) {
             for (int c = 0; c < 17; ++c) l.SetCell(0, 16, c, uint8_t(c == 9 ? 90 : 1), 0);
         },
         "block 0: 17 cells changed, the largest altitude change at cell 16,9: 0 -> 90\n", 32, 0},
        // Pixel (10, 10): the alpha of its DXT3 block's pixel (2, 2); under
        // quads (1..2, 1..2) of every block at origin 0.
        {"one LoRes pixel", 2, 2, [](TestLandscape& l) { l.LoRes(0)[kImageDataOffset + 16 * (64 * 2 + 2) + 5] ^= 0x0F; },
         "lores 0: 1 pixels changed in 1 DXT3 blocks\n", 16, 0},
        {"LoRes placement", 2, 2, [](TestLandscape& l) { StoreF32(l.Block(0) + kTextureOriginSOffset, 0.25f); },
         "block 0: texture origin 0 0 -> 0.25 0\n", 512, 0},
        {"one country entry", 2, 2, [](TestLandscape& l) { l.SetEntry(1, 40, 0, 0, 7); },
         "country 1: 1 entries changed, altitudes 40\n", 0, 0},
        {"map byte", 2, 2, [](TestLandscape& l) { l.SetMap(3, 0, 2); }, "header: map 3,0: 1 -> 2\n", 0, 1},
        {"material and detail", 2, 2,
         [](TestLandscape& l) { l.SetTexel(0, 5, 5, 300), l.Detail()[7] = 9; },
         "material 0: 1 texels changed, the largest by 300\ndetail map: 1 bytes changed, the largest by 9\n", 0, 0},
        {"reserved", 2, 2, [](TestLandscape& l) { l.Block(1)[2400] = 1, l.Header()[1040] = 1; },
         "reserved bytes changed: header 1, blocks 1\n", 0, 0},
        {"trailing", 2, 2, [](TestLandscape& l) { l.bytes.push_back(5); }, "trailing bytes: 0 -> 1\n", 0, 0},
        // A block added (placed nowhere) and one removed.
        {"added block", 2, 3, [](TestLandscape&) {}, "header: blocks 2 -> 3\nblock 2: only in B\n", 0, 0},
        {"removed blocks", 3, 1, [](TestLandscape&) {},
         "header: blocks 3 -> 1\nheader: map 3,1: 2 -> 0\nheader: map 9,1: 2 -> 0\nblocks 1-2: only in A\n", 0, 2},
    };
    for (const DiffCase& test : cases) {
        SCOPED_TRACE(test.name);
        const TestLandscape a = Base(test.blocksA);
        TestLandscape b = Base(test.blocksB);
        test.edit(b);
        const CheckedLandscape ca = CheckLandscape(a.bytes.data(), a.bytes.size());
        const CheckedLandscape cb = CheckLandscape(b.bytes.data(), b.bytes.size());
        const LandscapeDiff diff = DiffLandscapes(ca, cb);
        EXPECT_EQ(diff.identical, test.text.empty());
        EXPECT_EQ(FormatDiffText(diff, "A", "B"), test.text);
        const ChangeMarks marks = MarkChanges(ca, cb);
        EXPECT_EQ(marks.outlinedQuads, test.outlinedQuads);
        EXPECT_EQ(marks.tintedPlaces, test.tintedPlaces);
    }
}

}  // namespace
