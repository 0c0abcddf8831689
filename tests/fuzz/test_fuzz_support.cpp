// test_fuzz_support.cpp -- what the fuzz targets stand on: the starting
// landscape is well-formed, edit lists decode as documented, and the guarded
// buffer really faults one byte past either end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "edit_list.h"
#include "guarded_buffer.h"
#include "landscape/lnd_check.h"
#include "small_landscape.h"

namespace {

struct Counts {
    int32_t blocks, countries, materials;
    uint32_t loRes;
};

const std::vector<uint8_t>& Base() {
    static const std::vector<uint8_t> base = MakeSmallLandscape(2, 2, 2, 2);
    return base;
}

std::vector<uint8_t> Edited(const std::vector<uint8_t>& base, const std::vector<EditArea>& areas,
                            const uint8_t* input, size_t size) {
    std::vector<uint8_t> file = {42};  // replaced, whatever it held
    ApplyEditList(base, areas, input, size, &file);
    return file;
}

std::vector<uint8_t> Le32(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; }

// Bytes at which two files of equal length differ.
std::vector<size_t> Differences(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    std::vector<size_t> at;
    for (size_t n = 0; n < a.size() && n < b.size(); ++n)
        if (a[n] != b[n]) at.push_back(n);
    return at;
}

}  // namespace

TEST(SmallLandscape, EveryCountGivesAWellFormedFileWithVariedFields) {
    for (const Counts& n : {Counts{0, 0, 0, 0}, Counts{1, 1, 1, 1}, Counts{2, 2, 2, 2}, Counts{5, 3, 4, 3}}) {
        const std::vector<uint8_t> file = MakeSmallLandscape(n.blocks, n.countries, n.materials, n.loRes);
        EXPECT_EQ(file.size(), ComputeLandscapeAreas(n.blocks, n.countries, n.materials, n.loRes).end);
        const CheckedLandscape c = CheckLandscape(file.data(), file.size());
        ASSERT_TRUE(c.Usable()) << n.blocks;
        EXPECT_TRUE(LandscapeNotes(c, "small.lnd").empty()) << LandscapeNotes(c, "small.lnd")[0].line;
        EXPECT_EQ(c.loResRecords.size(), n.loRes);
        EXPECT_TRUE(file == MakeSmallLandscape(n.blocks, n.countries, n.materials, n.loRes));
        // Every block is on the map.
        int placed = 0;
        for (int b = 0; b < kBlockMapSide; ++b)
            for (int a = 0; a < kBlockMapSide; ++a) placed += BlockMapAt(file.data(), b, a) != 0;
        EXPECT_EQ(placed, n.blocks);
    }
    // The two-block file fuzz_edits starts from uses both countries, both
    // diagonals and both LoRes textures.
    const std::vector<uint8_t>& base = Base();
    const CheckedLandscape c = CheckLandscape(base.data(), base.size());
    bool country[2] = {}, split[2] = {};
    for (int32_t k = 0; k < 2; ++k)
        for (int r = 0; r < kBlockGridPoints; ++r)
            for (int col = 0; col < kBlockGridPoints; ++col) {
                country[CellCountryIndex(c.Block(k), r, col)] = true;
                split[CellSplitFlag(c.Block(k), r, col)] = true;
            }
    EXPECT_TRUE(country[0] && country[1] && split[0] && split[1]);
    EXPECT_EQ(BlockLoResTextureIndex(c.Block(0)), 0);
    EXPECT_EQ(BlockLoResTextureIndex(c.Block(1)), 1);
}

TEST(EditList, AreasFollowTheLayout) {
    const std::vector<EditArea> areas = EditAreasOf(Base());
    ASSERT_EQ(areas.size(), 13u);
    const LandscapeAreas a = ComputeLandscapeAreas(2, 2, 2, 2);
    EXPECT_EQ(areas[0].start, 0u);
    EXPECT_EQ(areas[0].size, kHeaderSize);
    EXPECT_EQ(areas[3].start, a.loResArea + kLoResTextureSize);  // LoRes 1, its head
    EXPECT_EQ(areas[3].size, kImageDataOffset);
    EXPECT_EQ(areas[4].size, kLoResTextureSize);                 // LoRes 1, whole
    EXPECT_EQ(areas[6].start, a.blockArea + kBlockSize);         // block 1
    EXPECT_EQ(areas[8].start, a.countryArea + kCountrySize);     // country 1
    EXPECT_EQ(areas[10].start, a.materialArea + kMaterialSize);  // material 1
    EXPECT_EQ(areas[11].start, a.detailMap);
    EXPECT_EQ(areas[12].size, Base().size());
}

TEST(EditList, WritesLandInTheirAreaModuloItsSize) {
    const std::vector<uint8_t>& base = Base();
    const std::vector<EditArea> areas = EditAreasOf(base);
    EXPECT_TRUE(Edited(base, areas, nullptr, 0) == base);

    std::vector<uint8_t> input;
    AppendWriteEdit(&input, 0, uint32_t(kLoResTextureCountOffset), Le32(3));
    // Offset 1052 + 5 in the 1052-byte header is byte 5; selector 13 + 5 is area 5 (block 0).
    AppendWriteEdit(&input, 0, uint32_t(kHeaderSize + 5), {0xAB});
    AppendWriteEdit(&input, 13 + 5, 2496, {0x11, 0x22});
    const std::vector<uint8_t> edited = Edited(base, areas, input.data(), input.size());
    ASSERT_EQ(edited.size(), base.size());
    EXPECT_EQ(LoadU32(edited.data() + kLoResTextureCountOffset), 3u);
    EXPECT_EQ(edited[5], 0xAB);
    EXPECT_EQ(edited[areas[5].start + 2496], 0x11);
    EXPECT_EQ(edited[areas[5].start + 2497], 0x22);
    std::vector<size_t> changed = Differences(base, edited);
    EXPECT_LE(changed.size(), 7u);  // at most the 7 bytes written
    for (size_t at : changed)
        EXPECT_TRUE((at >= kLoResTextureCountOffset && at < kLoResTextureCountOffset + 4) || at == 5 ||
                    at == areas[5].start + 2496 || at == areas[5].start + 2497)
            << at;
}

TEST(EditList, WritesStopAtTheEndAndShortEntriesWriteWhatTheyHave) {
    const std::vector<uint8_t>& base = Base();
    const std::vector<EditArea> areas = EditAreasOf(base);
    std::vector<uint8_t> input;
    // Whole-file area, two bytes before the end, four bytes: two are dropped.
    AppendWriteEdit(&input, 12, uint32_t(base.size() - 2), {1, 2, 3, 4});
    std::vector<uint8_t> edited = Edited(base, areas, input.data(), input.size());
    ASSERT_EQ(edited.size(), base.size());
    EXPECT_EQ(edited[base.size() - 2], 1);
    EXPECT_EQ(edited[base.size() - 1], 2);

    // An entry promising 9 bytes with 3 left writes 3; a 4-byte tail is ignored.
    input.clear();
    AppendWriteEdit(&input, 0, 100, {7, 7, 7, 7, 7, 7, 7, 7, 7});
    input.resize(5 + 3);
    edited = Edited(base, areas, input.data(), input.size());
    EXPECT_EQ(Differences(base, edited).size() <= 3, true);
    EXPECT_EQ(edited[100], 7);
    EXPECT_EQ(edited[102], 7);
    EXPECT_EQ(edited[103], base[103]);
    const uint8_t tail[4] = {0, 0, 0, 0};
    EXPECT_TRUE(Edited(base, areas, tail, 4) == base);
}

TEST(EditList, ResizeTruncatesOrExtendsWithZerosUpToTheLimit) {
    const std::vector<uint8_t>& base = Base();
    const std::vector<EditArea> areas = EditAreasOf(base);
    EXPECT_EQ(MaxEditedLength(base), base.size() + kMaterialSize);

    std::vector<uint8_t> input;
    AppendResizeEdit(&input, 1051);
    AppendWriteEdit(&input, 12, 2000, {9});  // past the new end: dropped
    std::vector<uint8_t> edited = Edited(base, areas, input.data(), input.size());
    ASSERT_EQ(edited.size(), 1051u);
    EXPECT_TRUE(std::equal(edited.begin(), edited.end(), base.begin()));
    EXPECT_EQ(CheckLandscape(edited.data(), edited.size()).fault, LandscapeFault::ShortHeader);

    input.clear();
    AppendResizeEdit(&input, uint32_t(base.size() + 10));
    edited = Edited(base, areas, input.data(), input.size());
    ASSERT_EQ(edited.size(), base.size() + 10);
    EXPECT_TRUE(std::equal(base.begin(), base.end(), edited.begin()));
    EXPECT_EQ(std::count(edited.begin() + ptrdiff_t(base.size()), edited.end(), 0), 10);

    // Lengths wrap at the limit plus one: limit + 1 + 7 gives 7.
    input.clear();
    AppendResizeEdit(&input, uint32_t(MaxEditedLength(base) + 1 + 7));
    EXPECT_EQ(Edited(base, areas, input.data(), input.size()).size(), 7u);
}

TEST(GuardedBuffer, HoldsTheBytesAndFaultsPastEitherEnd) {
    const std::vector<uint8_t> bytes = {1, 2, 3, 4, 5, 6, 7};
    for (size_t length : {size_t(7), size_t(0)}) {
        const GuardedBuffer buffer(bytes.data(), length);
        EXPECT_EQ(buffer.size(), length);
        EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + ptrdiff_t(length), buffer.data()));
    }
    const GuardedBuffer buffer(bytes.data(), bytes.size());
    // The byte after the last one, and one a page further, are not there.
    const volatile uint8_t* end = buffer.data() + bytes.size();
    EXPECT_DEATH(std::printf("%d\n", end[0]), "");
    EXPECT_DEATH(std::printf("%d\n", end[3000]), "");
    // Nor is the page before the first one; the slack in front of the bytes
    // is caught where the sanitizer watches it (the 8-byte granule that holds
    // the first byte stays readable: the sanitizer cannot poison its front).
    const volatile uint8_t* start = buffer.data();
    EXPECT_DEATH(std::printf("%d\n", start[-5000]), "");
    if (GuardedBuffer::SlackIsPoisoned()) {
        EXPECT_DEATH(std::printf("%d\n", start[-8]), "AddressSanitizer");
    }
    // And the bytes themselves are read-only.
    EXPECT_DEATH(const_cast<volatile uint8_t*>(start)[0] = 9, "");
}

TEST(GuardedBuffer, RefilledBytesStillEndAtTheGuard) {
    std::vector<uint8_t> bytes(10000);
    for (size_t n = 0; n < bytes.size(); ++n) bytes[n] = uint8_t(n * 7);
    GuardedBuffer buffer;
    // Longer, shorter, empty and longer than any before: each time the bytes
    // are exactly the new ones and the next byte is not there.
    for (size_t length : {size_t(100), size_t(9000), size_t(3), size_t(0), size_t(10000)}) {
        buffer.Assign(bytes.data() + 5, std::min(length, bytes.size() - 5));
        const size_t held = std::min(length, bytes.size() - 5);
        ASSERT_EQ(buffer.size(), held);
        EXPECT_TRUE(std::equal(bytes.begin() + 5, bytes.begin() + 5 + ptrdiff_t(held), buffer.data())) << length;
        const volatile uint8_t* end = buffer.data() + held;
        EXPECT_DEATH(std::printf("%d\n", end[0]), "") << length;
    }
}
