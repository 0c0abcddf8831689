// Area layout, whole-file reading and the structural and record faults of the
// shared check. Files under test are held in heap buffers of exactly their
// length, so the sanitizer build catches a read one byte past the end.
#include <gtest/gtest.h>

#include <memory>

#include "landscape/lnd_check.h"
#include "unit_support/test_files.h"

namespace {

// A copy of the bytes in an allocation of exactly their size, checked.
struct ExactCopy {
    std::unique_ptr<uint8_t[]> bytes;
    CheckedLandscape checked;
};
ExactCopy CheckExact(const std::vector<uint8_t>& bytes) {
    ExactCopy copy;
    copy.bytes.reset(new uint8_t[bytes.size()]);
    std::copy(bytes.begin(), bytes.end(), copy.bytes.get());
    copy.checked = CheckLandscape(copy.bytes.get(), bytes.size());
    return copy;
}

std::vector<std::string> Kinds(const CheckedLandscape& c) {
    std::vector<std::string> kinds;
    for (const LandscapeNote& note : LandscapeNotes(c, "f.lnd")) kinds.push_back(note.kind);
    return kinds;
}

}  // namespace

TEST(LandscapeAreas, WorkedExampleAndEmptyCounts) {
    const LandscapeAreas a = ComputeLandscapeAreas(3, 4, 5, 2);
    EXPECT_EQ(a.loResArea, 1052u);
    EXPECT_EQ(a.loResArea + kLoResTextureSize, 66732u);
    EXPECT_EQ(a.blockArea, 132412u);
    EXPECT_EQ(a.countryArea, 139972u);
    EXPECT_EQ(a.materialArea, 152276u);
    EXPECT_EQ(a.detailMap, 807646u);
    EXPECT_EQ(a.end, 873182u);

    const LandscapeAreas empty = ComputeLandscapeAreas(0, 0, 0, 0);
    EXPECT_EQ(empty.blockArea, 1052u);
    EXPECT_EQ(empty.countryArea, 1052u);
    EXPECT_EQ(empty.detailMap, 1052u);
    EXPECT_EQ(empty.end, 66588u);

    // The largest counts a header can hold stay exact in 64 bits.
    const LandscapeAreas huge = ComputeLandscapeAreas(INT32_MAX, INT32_MAX, INT32_MAX, UINT32_MAX);
    EXPECT_EQ(huge.end, 1052u + 65680ull * UINT32_MAX + (2520ull + 3076ull + 131074ull) * INT32_MAX + 65536u);
}

TEST(LandscapeCheck, WellFormedFileGivesOneViewOfEverything) {
    TestLandscape land(3, 4, 5, 2);
    for (int k = 0; k < 3; ++k) StoreI32(land.Block(k) + kLoResTextureIndexOffset, k % 2);
    const ExactCopy copy = CheckExact(land.bytes);
    const CheckedLandscape& c = copy.checked;
    EXPECT_TRUE(c.Usable());
    EXPECT_EQ(c.bytes, copy.bytes.get());
    EXPECT_EQ(c.length, 873182u);
    EXPECT_EQ(c.blockCount, 3);
    EXPECT_EQ(c.MapBlockCount(), 3);
    EXPECT_EQ(c.areas.detailMap, 807646u);
    EXPECT_EQ(c.loResRecords, (std::vector<uint64_t>{1052, 66732}));
    EXPECT_EQ(c.Block(2), copy.bytes.get() + 132412 + 2 * 2520);
    EXPECT_EQ(c.StrideLoResRecord(1), copy.bytes.get() + 66732);
    EXPECT_TRUE(LandscapeNotes(c, "good.lnd").empty());
    EXPECT_EQ(FaultLine(c, "good.lnd"), "");
}

TEST(LandscapeCheck, StructuralFaultsNameFileAndFault) {
    {
        const ExactCopy copy = CheckExact(std::vector<uint8_t>(1051, 0));
        EXPECT_EQ(copy.checked.fault, LandscapeFault::ShortHeader);
        EXPECT_EQ(FaultLine(copy.checked, "short.lnd"),
                  "ERROR : short.lnd : file too short: the header needs 1052 bytes, found 1051");
        EXPECT_EQ(Kinds(copy.checked), std::vector<std::string>{"short_header"});
        EXPECT_EQ(CheckExact({}).checked.fault, LandscapeFault::ShortHeader);
    }
    {   // Stored BlockCountPlusOne of 0: a block count of -1.
        TestLandscape land(0, 0, 0, 0);
        StoreI32(land.Header(), 0);
        const ExactCopy copy = CheckExact(land.bytes);
        EXPECT_EQ(copy.checked.fault, LandscapeFault::NegativeBlockCount);
        EXPECT_EQ(copy.checked.blockCount, -1);
        EXPECT_EQ(FaultLine(copy.checked, "a.lnd"),
                  "ERROR : a.lnd : negative block count (stored BlockCountPlusOne 0)");
    }
    {   // The most negative stored value must not overflow when decremented.
        TestLandscape land(0, 0, 0, 0);
        StoreI32(land.Header(), INT32_MIN);
        EXPECT_EQ(CheckExact(land.bytes).checked.fault, LandscapeFault::NegativeBlockCount);
    }
    {
        TestLandscape land(1, 1, 1, 0);
        StoreI32(land.Header() + kCountryCountOffset, -2);
        const ExactCopy copy = CheckExact(land.bytes);
        EXPECT_EQ(copy.checked.fault, LandscapeFault::NegativeCountryCount);
        EXPECT_EQ(FaultLine(copy.checked, "a.lnd"), "ERROR : a.lnd : negative country count -2");
    }
    {
        TestLandscape land(1, 1, 1, 0);
        StoreI32(land.Header() + kMaterialCountOffset, -1);
        EXPECT_EQ(CheckExact(land.bytes).checked.fault, LandscapeFault::NegativeMaterialCount);
    }
    {   // One byte short of the DetailMap's end.
        TestLandscape land(3, 4, 5, 2);
        land.bytes.pop_back();
        const ExactCopy copy = CheckExact(land.bytes);
        EXPECT_EQ(copy.checked.fault, LandscapeFault::ShortFile);
        EXPECT_FALSE(copy.checked.Usable());
        EXPECT_TRUE(copy.checked.loResRecords.empty());
        EXPECT_EQ(FaultLine(copy.checked, "x.lnd"),
                  "ERROR : x.lnd : file too short: the counts need 873182 bytes, found 873181");
    }
    {   // Counts far beyond any file: caught, not wrapped around, and no
        // landscape cut short either.
        TestLandscape land(0, 0, 0, 0);
        StoreU32(land.Header() + kLoResTextureCountOffset, UINT32_MAX);
        EXPECT_EQ(CheckExact(land.bytes).checked.fault, LandscapeFault::NotALandscape);
    }
    {   // Trailing bytes after the DetailMap are allowed and never read.
        TestLandscape land(1, 1, 1, 1);
        land.bytes.resize(land.bytes.size() + 100, 0xEE);
        EXPECT_TRUE(CheckExact(land.bytes).checked.Usable());
    }
}

TEST(LandscapeCheck, WalkTakesARecordEndingAtTheEndOfTheFileButNotOneByteFurther) {
    TestLandscape land(0, 0, 0, 2);
    const uint64_t length = land.bytes.size();
    // Record 0's RecordSize sends record 1 to the very end of the file.
    const int32_t toEnd = int32_t(length - kLoResTextureSize - 1052 - kRecordSizeOffset);
    StoreI32(land.LoRes(0) + kRecordSizeOffset, toEnd);
    {
        const ExactCopy copy = CheckExact(land.bytes);
        ASSERT_TRUE(copy.checked.Usable());
        EXPECT_EQ(copy.checked.loResRecords, (std::vector<uint64_t>{1052, length - kLoResTextureSize}));
        EXPECT_EQ(copy.checked.faults.walkOffStride, 1u);
        EXPECT_EQ(Kinds(copy.checked),
                  (std::vector<std::string>{"record_size_off_stride", "dds_size_not_256", "record_size_not_65664"}));
    }
    StoreI32(land.LoRes(0) + kRecordSizeOffset, toEnd + 1);
    {
        const ExactCopy copy = CheckExact(land.bytes);
        ASSERT_TRUE(copy.checked.Usable());
        EXPECT_EQ(copy.checked.loResRecords, std::vector<uint64_t>{1052});
        const std::vector<std::string> lines = RecordWarningLines(copy.checked, "w.lnd");
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0], "WARNING : w.lnd : LoRes texture 0 has RecordSize " + std::to_string(toEnd + 1) +
                                " which leads outside the file; 1 of 2 LoRes textures uploaded");
    }
}

TEST(LandscapeCheck, WalkNeverLeavesTheFileWhateverTheSizes) {
    TestLandscape land(0, 0, 0, 3);
    for (const int32_t size : {INT32_MAX, INT32_MIN, -70000, -1068, -16, 0}) {
        StoreI32(land.LoRes(0) + kRecordSizeOffset, size);
        const ExactCopy copy = CheckExact(land.bytes);
        ASSERT_TRUE(copy.checked.Usable()) << size;
        for (uint64_t offset : copy.checked.loResRecords)
            EXPECT_TRUE(InBounds(copy.checked.length, offset, kLoResTextureSize)) << size;
    }
    // -16 leads back to the record itself, -1068 to the start of the file:
    // both inside, so the walk takes them.
    StoreI32(land.LoRes(0) + kRecordSizeOffset, -1068);
    EXPECT_EQ(CheckExact(land.bytes).checked.loResRecords[1], 0u);

    // A size that stays inside moves the walked records but not the areas.
    StoreI32(land.LoRes(0) + kRecordSizeOffset, kLoResStoredRecordSize - 16);
    const ExactCopy copy = CheckExact(land.bytes);
    EXPECT_EQ(copy.checked.areas.blockArea, 1052u + 3 * 65680u);
    EXPECT_EQ(copy.checked.loResRecords[1], 1052u + 65680u - 16u);
}

TEST(LandscapeCheck, RecordAndInvariantFaultsAreCountedOncePerKind) {
    TestLandscape land(2, 2, 3, 2);
    StoreU32(land.LoRes(1) + kLoResWidthOffset, 128);            // DDS size other than 256 x 256
    land.SetCell(0, 0, 0, 10, 0x05);                             // country 5 of 2
    land.SetCell(1, 16, 16, 10, 0x8F);                           // country 15, far corner counts too
    land.SetEntry(0, 7, 3, 0, 100);                              // material 3 of 3
    land.SetEntry(1, 9, 0, 9, 256);                              // material 9, weight above 255
    StoreI32(land.Block(1) + kLoResTextureIndexOffset, 2);       // no texture 2
    land.SetMap(4, 4, 3);                                        // no block 3
    const ExactCopy copy = CheckExact(land.bytes);
    const CheckedLandscape& c = copy.checked;
    ASSERT_TRUE(c.Usable());
    EXPECT_EQ(c.faults.ddsSizeMismatches, 1u);
    EXPECT_EQ(c.faults.ddsNotDxt3, 1u);
    EXPECT_EQ(c.faults.countryIndexBeyond, 2u);
    EXPECT_EQ(c.faults.materialIndexBeyond, 2u);
    EXPECT_EQ(c.faults.blendWeightAbove255, 1u);
    EXPECT_EQ(c.faults.loResIndexBeyond, 1u);
    EXPECT_EQ(c.faults.mapPlacesBeyond, 1u);

    const std::vector<std::string> warnings = RecordWarningLines(c, "r.lnd");
    // A block without a LoRes texture changes the picture (it shows blue), so the viewer warns too.
    ASSERT_EQ(warnings.size(), 4u);
    EXPECT_EQ(warnings[0], "WARNING : r.lnd : 1 LoRes textures have a DdsHeader size other than 256 x 256; read as 256 x 256");
    EXPECT_EQ(warnings[1], "WARNING : r.lnd : 2 cells have a CountryIndex at or above the country count 2; "
                           "the last country is used");
    EXPECT_EQ(warnings[2], "WARNING : r.lnd : 2 country entries name a material at or above the material count 3; "
                           "the last material is used");
    EXPECT_EQ(warnings[3], "WARNING : r.lnd : 1 blocks have a LoResTextureIndex that names no LoRes texture (count 2)");
    EXPECT_EQ(InvariantWarningLines(c, "r.lnd"),
              (std::vector<std::string>{
                  "WARNING : r.lnd : 1 LoRes textures have a DdsHeader that does not describe a 256 x 256 DXT3 image",
                  "WARNING : r.lnd : 1 country entries have a BlendWeight above 255",
                  "WARNING : r.lnd : 1 BlockMap places name a block beyond the block count"}));
    for (const LandscapeNote& note : LandscapeNotes(c, "r.lnd")) EXPECT_GT(note.count, 0u) << note.kind;
}

TEST(LandscapeCheck, WithoutCountriesOrMaterialsTheWarningSaysMidGrey) {
    TestLandscape noCountry(1, 0, 2, 1);
    EXPECT_EQ(RecordWarningLines(CheckExact(noCountry.bytes).checked, "n.lnd"),
              std::vector<std::string>{"WARNING : n.lnd : 289 cells have a CountryIndex at or above the country count 0; "
                                       "there is no country, so their material is mid-grey"});
    TestLandscape noMaterial(1, 1, 0, 1);
    EXPECT_EQ(RecordWarningLines(CheckExact(noMaterial.bytes).checked, "n.lnd"),
              std::vector<std::string>{"WARNING : n.lnd : 256 country entries name a material at or above the material "
                                       "count 0; there is no material, so they give mid-grey"});
}

TEST(LandscapeCheck, BlocksPastTheMapsReachAreSkippedWithOneWarning) {
    TestLandscape land(300, 1, 1, 1);
    const ExactCopy copy = CheckExact(land.bytes);
    EXPECT_EQ(copy.checked.blockCount, 300);
    EXPECT_EQ(copy.checked.MapBlockCount(), 255);
    EXPECT_EQ(RecordWarningLines(copy.checked, "b.lnd"),
              std::vector<std::string>{"WARNING : b.lnd : 300 blocks, but a map byte names block 255 at most; "
                                       "the 45 blocks past it are skipped"});
    TestLandscape exactly(255, 1, 1, 1);
    EXPECT_TRUE(LandscapeNotes(CheckExact(exactly.bytes).checked, "b.lnd").empty());
}
