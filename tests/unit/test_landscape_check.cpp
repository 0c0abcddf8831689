// Area layout, whole-file reading and the structural and record faults of the
// shared check, on files written to disk by the test.
#include <gtest/gtest.h>

#include "landscape/lnd_check.h"
#include "landscape/lnd_file.h"
#include "unit_support/test_files.h"

namespace {

LandscapeCheck CheckBytes(const std::vector<uint8_t>& bytes) { return CheckLandscape(bytes.data(), bytes.size()); }

// Reads the file back from disk as the viewer does, then checks it.
LandscapeCheck CheckOnDisk(const std::string& name, const std::vector<uint8_t>& bytes, FileRead* read) {
    const std::string path = WriteTestFile(TestTempDir("check") + "/" + name, bytes);
    *read = ReadWholeFile(path.c_str());
    EXPECT_EQ(read->fault, FileReadFault::None);
    return CheckLandscape(read->data, read->length);
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

TEST(LandscapeCheck, WellFormedFileHasNoFault) {
    TestLandscape land(3, 4, 5, 2);
    for (int k = 0; k < 3; ++k) StoreI32(land.Block(k) + kBlockLoResTextureIndex, k % 2);
    FileRead read;
    const LandscapeCheck c = CheckOnDisk("good.lnd", land.bytes, &read);
    EXPECT_EQ(c.fault, LandscapeFault::None);
    EXPECT_EQ(c.blockCount, 3);
    EXPECT_EQ(c.areas.detailMap, 807646u);
    EXPECT_EQ(c.uploadWalkCount, 2u);
    EXPECT_TRUE(RecordWarningLines(c, "good.lnd").empty());
    EXPECT_TRUE(InvariantWarningLines(c, "good.lnd").empty());
    EXPECT_EQ(FaultLine(c, "good.lnd"), "");
    delete[] read.data;
}

TEST(LandscapeCheck, StructuralFaultsNameFileAndFault) {
    {   // Shorter than the header: the reader refuses it without reading.
        const std::string path = WriteTestFile(TestTempDir("short") + "/short.lnd", std::vector<uint8_t>(1051, 0));
        const FileRead r = ReadWholeFile(path.c_str());
        EXPECT_EQ(r.fault, FileReadFault::ShortHeader);
        EXPECT_EQ(r.data, nullptr);
        EXPECT_EQ(FileReadFaultLine(r, "short.lnd"),
                  "ERROR : short.lnd : file too short: the header needs 1052 bytes, found 1051");
        EXPECT_EQ(CheckBytes(std::vector<uint8_t>(1051, 0)).fault, LandscapeFault::ShortHeader);
    }
    {   // Stored BlockCountPlusOne of 0: a block count of -1.
        TestLandscape land(0, 0, 0, 0);
        StoreI32(land.Header(), 0);
        const LandscapeCheck c = CheckBytes(land.bytes);
        EXPECT_EQ(c.fault, LandscapeFault::NegativeBlockCount);
        EXPECT_EQ(c.blockCount, -1);
        EXPECT_EQ(FaultLine(c, "a.lnd"), "ERROR : a.lnd : negative block count (stored BlockCountPlusOne 0)");
    }
    {   // The most negative stored value must not overflow when decremented.
        TestLandscape land(0, 0, 0, 0);
        StoreI32(land.Header(), INT32_MIN);
        EXPECT_EQ(CheckBytes(land.bytes).fault, LandscapeFault::NegativeBlockCount);
    }
    {
        TestLandscape land(1, 1, 1, 0);
        StoreI32(land.Header() + kHeaderCountryCount, -2);
        const LandscapeCheck c = CheckBytes(land.bytes);
        EXPECT_EQ(c.fault, LandscapeFault::NegativeCountryCount);
        EXPECT_NE(FaultLine(c, "a.lnd").find("negative country count -2"), std::string::npos);
    }
    {
        TestLandscape land(1, 1, 1, 0);
        StoreI32(land.Header() + kHeaderMaterialCount, -1);
        EXPECT_EQ(CheckBytes(land.bytes).fault, LandscapeFault::NegativeMaterialCount);
    }
    {   // One byte short of the DetailMap's end.
        TestLandscape land(3, 4, 5, 2);
        land.bytes.pop_back();
        const LandscapeCheck c = CheckBytes(land.bytes);
        EXPECT_EQ(c.fault, LandscapeFault::ShortFile);
        EXPECT_EQ(FaultLine(c, "x.lnd"), "ERROR : x.lnd : file too short: the counts need 873182 bytes, found 873181");
    }
    {   // Counts far beyond any file: caught, not wrapped around.
        TestLandscape land(0, 0, 0, 0);
        StoreU32(land.Header() + kHeaderLoResTextureCount, UINT32_MAX);
        EXPECT_EQ(CheckBytes(land.bytes).fault, LandscapeFault::ShortFile);
    }
    {   // Trailing bytes after the DetailMap are allowed and never read.
        TestLandscape land(1, 1, 1, 1);
        land.bytes.resize(land.bytes.size() + 100, 0xEE);
        EXPECT_EQ(CheckBytes(land.bytes).fault, LandscapeFault::None);
    }
}

TEST(LandscapeCheck, RecordSizeWalkStopsBeforeLeavingTheFile) {
    TestLandscape land(0, 0, 0, 3);
    // Record 0 claims a huge size: the walk would jump past the end.
    StoreI32(land.LoRes(0) + kLoResRecordSize, 1 << 30);
    LandscapeCheck c = CheckBytes(land.bytes);
    EXPECT_EQ(c.fault, LandscapeFault::None);
    EXPECT_EQ(c.uploadWalkCount, 1u);
    EXPECT_EQ(c.recordSizeOther, 1u);
    ASSERT_EQ(RecordWarningLines(c, "w.lnd").size(), 1u);
    EXPECT_EQ(RecordWarningLines(c, "w.lnd")[0],
              "WARNING : w.lnd : LoRes texture 0 has RecordSize 1073741824 which leads outside the file; "
              "1 of 3 LoRes textures uploaded");

    // A negative size would walk back before the file's start.
    StoreI32(land.LoRes(0) + kLoResRecordSize, -70000);
    c = CheckBytes(land.bytes);
    EXPECT_EQ(c.uploadWalkCount, 1u);

    // A size that stays inside moves the walked records but not the areas.
    StoreI32(land.LoRes(0) + kLoResRecordSize, kLoResStoredRecordSize - 16);
    c = CheckBytes(land.bytes);
    EXPECT_EQ(c.uploadWalkCount, 3u);
    EXPECT_EQ(c.areas.blockArea, 1052u + 3 * 65680u);
    EXPECT_EQ(NextLoResRecord(land.bytes.data(), land.bytes.size(), 1052), 1052 + 65680 - 16);
    // The walk reads record 1 16 bytes early: its "size" is not 256 x 256, and
    // its "RecordSize" (the real record's reserved bytes, 0) leads to record 1 again.
    ASSERT_EQ(RecordWarningLines(c, "w.lnd").size(), 1u);
    EXPECT_EQ(c.ddsSizeMismatches, 1u);
    EXPECT_EQ(InvariantWarningLines(c, "w.lnd").size(), 1u);
}

TEST(LandscapeCheck, RecordAndInvariantFaultsAreCountedOncePerKind) {
    TestLandscape land(2, 2, 3, 2);
    StoreU32(land.LoRes(1) + kLoResWidth, 128);                       // DDS size other than 256 x 256
    land.SetCell(0, 0, 0, 10, 0x05);                                  // country 5 of 2
    land.SetCell(1, 16, 16, 10, 0x8F);                                // country 15, far corner counts too
    land.SetEntry(0, 7, 3, 0, 100);                                   // material 3 of 3
    land.SetEntry(1, 9, 0, 9, 256);                                   // material 9, weight above 255
    StoreI32(land.Block(1) + kBlockLoResTextureIndex, 2);             // no texture 2
    const LandscapeCheck c = CheckBytes(land.bytes);
    ASSERT_EQ(c.fault, LandscapeFault::None);
    EXPECT_EQ(c.ddsSizeMismatches, 1u);
    EXPECT_EQ(c.ddsNotDxt3, 1u);
    EXPECT_EQ(c.countryIndexBeyond, 2u);
    EXPECT_EQ(c.materialIndexBeyond, 2u);
    EXPECT_EQ(c.blendWeightAbove255, 1u);
    EXPECT_EQ(c.loResIndexBeyond, 1u);

    const std::vector<std::string> warnings = RecordWarningLines(c, "r.lnd");
    ASSERT_EQ(warnings.size(), 3u);
    EXPECT_EQ(warnings[0], "WARNING : r.lnd : 1 LoRes textures have a DdsHeader size other than 256 x 256; read as 256 x 256");
    EXPECT_NE(warnings[1].find("2 cells have a CountryIndex at or above the country count 2"), std::string::npos);
    EXPECT_NE(warnings[2].find("2 country entries name a material at or above the material count 3"), std::string::npos);
    for (const std::string& line : InvariantWarningLines(c, "r.lnd")) EXPECT_EQ(line.rfind("WARNING : r.lnd : ", 0), 0u);
    EXPECT_EQ(InvariantWarningLines(c, "r.lnd").size(), 3u);
}

TEST(LandscapeFile, ReadsWholeFileAndReportsMissingOne) {
    TestLandscape land(1, 1, 1, 1);
    land.bytes[land.bytes.size() - 1] = 0x5A;
    const std::string path = WriteTestFile(TestTempDir("read") + "/whole.lnd", land.bytes);
    FileRead r = ReadWholeFile(path.c_str());
    ASSERT_EQ(r.fault, FileReadFault::None);
    ASSERT_EQ(r.length, land.bytes.size());
    EXPECT_EQ(std::vector<uint8_t>(r.data, r.data + r.length), land.bytes);
    delete[] r.data;

    const FileRead missing = ReadWholeFile("/nonexistent/dir/none.lnd");
    EXPECT_EQ(missing.fault, FileReadFault::CannotOpen);
    EXPECT_EQ(FileReadFaultLine(missing, "/nonexistent/dir/none.lnd"),
              "ERROR : Unable to Open Specified File /nonexistent/dir/none.lnd");

    // A directory is no file to open, though fopen accepts it.
    const FileRead dir = ReadWholeFile(TestTempDir("dir").c_str());
    EXPECT_EQ(dir.fault, FileReadFault::CannotOpen);
    EXPECT_EQ(dir.data, nullptr);
}
