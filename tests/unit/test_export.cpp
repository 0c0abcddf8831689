// test_export.cpp -- the viewer's DDS export and `lndtool export`, checked on
// real files with independent readers (ImageMagick and Pillow).
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "landscape/landscape_load.h"
#include "texture/dxt3.h"
#include "texture/material_synthesis.h"
#include "tools/commands.h"
#include "image/png_write.h"
#include "unit_support/test_files.h"
#include "texture/lores_dds.h"

namespace fs = std::filesystem;

namespace {

// A landscape whose every byte a reader could mix up differs: random LoRes
// images, cells, country entries, materials and detail map.
TestLandscape RandomLandscape(uint32_t loRes, int32_t blocks, uint32_t seed) {
    TestLandscape land(blocks, 3, 3, loRes);
    std::mt19937 rng(seed);
    for (uint32_t i = 0; i < loRes; ++i) {
        for (uint64_t b = 0; b < kLoResImageSize; ++b) land.LoRes(i)[kImageDataOffset + b] = uint8_t(rng());
        // Line ends inside the DdsHeader's reserved words must survive too.
        land.LoRes(i)[kDdsHeaderOffset + 32] = 0x0A;
        land.LoRes(i)[kDdsHeaderOffset + 33] = 0x0D;
    }
    for (int32_t k = 0; k < blocks; ++k)
        for (int r = 0; r < kBlockGridPoints; ++r)
            for (int c = 0; c < kBlockGridPoints; ++c) land.SetCell(k, r, c, uint8_t(rng()), uint8_t(rng() & 0x82));
    for (int32_t k = 0; k < 3; ++k) {
        for (int h = 0; h < kCountryEntryCount; ++h) land.SetEntry(k, h, rng() % 3, rng() % 3, rng() % 256);
        for (int y = 0; y < kMaterialSide; ++y)
            for (int x = 0; x < kMaterialSide; ++x) land.SetTexel(k, y, x, uint16_t(rng()));
    }
    for (uint64_t n = 0; n < kDetailMapSize; ++n) land.Detail()[n] = uint8_t(rng() % 8);
    return land;
}

// What a DDS file of record i must hold.
std::vector<uint8_t> ExpectedDds(TestLandscape& land, uint32_t i) {
    std::vector<uint8_t> dds(kDdsFileSize);
    std::memcpy(dds.data(), "DDS ", 4);
    std::memcpy(dds.data() + 4, land.LoRes(i) + kDdsHeaderOffset, kDdsFileSize - 4);
    return dds;
}

std::vector<std::string> FolderEntries(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string ReadLog(FILE* log) {
    std::rewind(log);
    std::string text;
    for (int c; (c = std::fgetc(log)) != EOF;) text += char(c);
    return text;
}

// Runs a shell command and returns its standard output; fails the test on a
// nonzero status.
std::string Shell(const std::string& command) {
    FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    char chunk[4096];
    for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) out.append(chunk, n);
    EXPECT_EQ(pclose(pipe), 0) << command;
    return out;
}

// The outside readers; a test that needs one is skipped with a message when
// it is missing, never passed.
bool HaveReaders(std::string* missing) {
    if (std::system("/usr/bin/python3 -c 'import PIL' 2>/dev/null") != 0) *missing = "Pillow (python3-pil)";
    else if (!fs::exists("/usr/bin/convert") || !fs::exists("/usr/bin/identify")) *missing = "ImageMagick";
    return missing->empty();
}
#define REQUIRE_READERS()                                                          \
    do {                                                                           \
        std::string missing;                                                       \
        if (!HaveReaders(&missing)) GTEST_SKIP() << missing << " is not installed"; \
    } while (0)

// An image as Pillow sees it: "mode width height", and its samples (8-bit
// RGBA bytes, or 16-bit values as native uint16) in `samples`.
std::string ReadWithPillow(const std::string& image, const std::string& rawOut) {
    const std::string script =
        "import sys, array\n"
        "from PIL import Image\n"
        "im = Image.open(sys.argv[1]); im.load()\n"
        "print(im.mode, im.size[0], im.size[1])\n"
        "data = im.tobytes() if im.mode == 'RGBA' else array.array('H', im.getdata()).tobytes()\n"
        "open(sys.argv[2], 'wb').write(data)\n";
    return Shell("/usr/bin/python3 -c \"" + script + "\" '" + image + "' '" + rawOut + "'");
}

// ImageMagick's view: its identification line, and the samples written raw.
std::string ReadWithMagick(const std::string& image, const std::string& rawFormat, const std::string& rawOut) {
    Shell("/usr/bin/convert '" + image + "' -endian LSB " + rawFormat + ":'" + rawOut + "'");
    return Shell("/usr/bin/identify -format '%w %h %z' '" + image + "'");
}

// A LoRes image in the colours DDS readers show (channels widened by bit
// replication), or, with `shiftOnly`, as the viewer uploads it.
std::vector<uint8_t> DecodedLoRes(const uint8_t* record, bool shiftOnly = false) {
    std::vector<uint8_t> rgba(size_t(kLoResSide) * kLoResSide * 4);
    (shiftOnly ? DecodeDxt3 : DecodeDxt3Replicated)(record + kImageDataOffset, rgba.data(), kLoResSide, kLoResSide);
    return rgba;
}

// The DDS export of a landscape held in `land`, checked first as loading does.
DdsExportResult ExportDds(const TestLandscape& land, const std::string& prefix, FILE* log) {
    return ExportLoResDdsFiles(CheckLandscape(land.bytes.data(), land.bytes.size()), prefix.c_str(), log);
}

std::vector<uint8_t> AsBytes(const std::vector<uint16_t>& values) {
    std::vector<uint8_t> bytes(values.size() * 2);
    for (size_t n = 0; n < values.size(); ++n) StoreU16(bytes.data() + 2 * n, values[n]);
    return bytes;
}

// The viewer's export of `land` loaded from `path`, or of nothing loaded
// (a file that failed) when `land` is null; what it logs.
std::string ViewerExport(const TestLandscape* land, const std::string& path) {
    LandscapeLoad shown;
    shown.path = path;
    if (land) {
        shown.bytes.reset(new uint8_t[land->bytes.size()]);
        std::copy(land->bytes.begin(), land->bytes.end(), shown.bytes.get());
        shown.checked = CheckLandscape(shown.bytes.get(), land->bytes.size());
    }
    FILE* log = std::tmpfile();
    ExportLoResTexturesNextTo(shown, log);
    std::string text = ReadLog(log);
    std::fclose(log);
    return text;
}

}  // namespace

TEST(DdsExport, WritesMagicAndRecordBytesByFixedStrideEveryTime) {
    const std::string dir = TestTempDir("dds_bytes");
    TestLandscape land = RandomLandscape(3, 1, 11);
    // A RecordSize walk would land elsewhere; the export must not follow it.
    StoreI32(land.LoRes(0) + kRecordSizeOffset, kLoResStoredRecordSize + 1000);
    StoreI32(land.LoRes(1) + kRecordSizeOffset, 16);
    const std::string lnd = WriteTestFile(dir + "/land1.lnd", land.bytes);
    // A longer stale file under a final name must be replaced, not overwritten in part.
    WriteTestFile(lnd + "-0.dds", std::vector<uint8_t>(100000, 0x55));

    for (int run = 0; run < 2; ++run) {
        EXPECT_EQ(ViewerExport(&land, lnd), "Exporting LoResTextures....\n");
        for (uint32_t i = 0; i < 3; ++i) {
            const std::vector<uint8_t> dds = ReadTestFile(lnd + "-" + std::to_string(i) + ".dds");
            ASSERT_EQ(dds.size(), kDdsFileSize);
            EXPECT_TRUE(dds == ExpectedDds(land, i)) << "file " << i << ", run " << run;
            EXPECT_NE(std::find(dds.begin(), dds.end(), 0x0A), dds.end());
            EXPECT_NE(std::find(dds.begin(), dds.end(), 0x0D), dds.end());
        }
        EXPECT_EQ(FolderEntries(dir), (std::vector<std::string>{"land1.lnd", "land1.lnd-0.dds", "land1.lnd-1.dds",
                                                                 "land1.lnd-2.dds"}));
    }
}

TEST(DdsExport, NothingToWriteGivesOnlyItsLine) {
    const std::string dir = TestTempDir("dds_none");
    TestLandscape land(1, 1, 1, 0);
    const std::string lnd = WriteTestFile(dir + "/empty.lnd", land.bytes);
    EXPECT_EQ(ViewerExport(&land, lnd), "Exporting LoResTextures....\n");
    EXPECT_EQ(FolderEntries(dir), std::vector<std::string>{"empty.lnd"});

    // Without a landscape (the path is still what the user asked for): one
    // warning naming it, nothing read, nothing written.
    const std::string text = ViewerExport(nullptr, lnd);
    EXPECT_EQ(text.rfind("WARNING : " + lnd + " : ", 0), 0u) << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
    EXPECT_EQ(FolderEntries(dir), std::vector<std::string>{"empty.lnd"});
}

TEST(DdsExport, EachFailureIsOneLineAndTheRestIsStillWritten) {
    const std::string dir = TestTempDir("dds_fail");
    TestLandscape land = RandomLandscape(3, 0, 12);

    // A regular file used as a folder: no name under it can be created.
    const std::string notFolder = WriteTestFile(dir + "/plain", {1, 2, 3});
    FILE* log = std::tmpfile();
    DdsExportResult result = ExportDds(land, notFolder + "/land", log);
    EXPECT_EQ(result.failed, 3u);
    EXPECT_EQ(result.written, 0u);
    const std::string text = ReadLog(log);
    std::fclose(log);
    for (int i = 0; i < 3; ++i) {
        const std::string line = "ERROR : " + notFolder + "/land-" + std::to_string(i) + ".dds : Not a directory\n";
        EXPECT_NE(text.find(line), std::string::npos) << text;
    }
    EXPECT_EQ(result.firstError, "ERROR : " + notFolder + "/land-0.dds : Not a directory");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3) << text;

    // A folder squatting on the second name is refused, not written into.
    fs::create_directory(dir + "/land-1.dds");
    log = std::tmpfile();
    result = ExportDds(land, dir + "/land", log);
    EXPECT_EQ(result.failed, 1u);
    EXPECT_EQ(result.written, 2u);
    const std::string folderText = ReadLog(log);
    std::fclose(log);
    EXPECT_EQ(folderText, "ERROR : " + dir + "/land-1.dds : Is a directory\n");
    EXPECT_TRUE(ReadTestFile(dir + "/land-0.dds") == ExpectedDds(land, 0));
    EXPECT_TRUE(ReadTestFile(dir + "/land-2.dds") == ExpectedDds(land, 2));
    EXPECT_EQ(FolderEntries(dir), (std::vector<std::string>{"land-0.dds", "land-1.dds", "land-2.dds", "plain"}));
    EXPECT_TRUE(fs::is_empty(dir + "/land-1.dds"));

    // A landscape the check drops (one byte short of its counts) exports
    // nothing: its stored count is never trusted.
    TestLandscape cut = RandomLandscape(3, 0, 12);
    cut.bytes.pop_back();
    log = std::tmpfile();
    result = ExportDds(cut, dir + "/cut", log);
    EXPECT_EQ(result.written + result.failed, 0u);
    EXPECT_EQ(ReadLog(log), "");
    std::fclose(log);
    EXPECT_FALSE(fs::exists(dir + "/cut-0.dds"));
}

TEST(DdsExport, ShortWriteLeavesThePreviousFileWhole) {
    const std::string dir = TestTempDir("dds_short");
    TestLandscape old = RandomLandscape(2, 0, 13), changed = RandomLandscape(2, 0, 14);
    const std::string prefix = dir + "/land";
    ASSERT_EQ(ExportDds(old, prefix, stderr).failed, 0u);

    // A file size limit makes the writes fail part way, as a full disk would.
    rlimit saved;
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 4096;
    void (*savedHandler)(int) = signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    FILE* log = std::tmpfile();
    const uint32_t failures = ExportDds(changed, prefix, log).failed;
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, savedHandler);
    const std::string text = ReadLog(log);
    std::fclose(log);

    EXPECT_EQ(failures, 2u);
    EXPECT_EQ(text.rfind("ERROR : " + prefix + "-0.dds : File too large\n", 0), 0u) << text;
    EXPECT_TRUE(ReadTestFile(prefix + "-0.dds") == ExpectedDds(old, 0));
    EXPECT_TRUE(ReadTestFile(prefix + "-1.dds") == ExpectedDds(old, 1));
    EXPECT_EQ(FolderEntries(dir), (std::vector<std::string>{"land-0.dds", "land-1.dds"}));
}

TEST(DdsExport, ReadersSeeTheReplicatedDecoding) {
    REQUIRE_READERS();
    const std::string dir = TestTempDir("dds_readers");
    TestLandscape land = RandomLandscape(1, 0, 15);
    ASSERT_EQ(ExportDds(land, dir + "/land", stderr).failed, 0u);
    const std::string dds = dir + "/land-0.dds";
    const std::vector<uint8_t> expected = DecodedLoRes(land.LoRes(0));
    // The two decodings differ on random blocks, so agreeing with one is a real test.
    ASSERT_FALSE(expected == DecodedLoRes(land.LoRes(0), true));

    EXPECT_EQ(ReadWithPillow(dds, dir + "/pil.raw"), "RGBA 256 256\n");
    EXPECT_EQ(ReadWithMagick(dds, "rgba", dir + "/magick.raw").substr(0, 8), "256 256 ");
    for (const char* raw : {"/pil.raw", "/magick.raw"}) {
        const std::vector<uint8_t> got = ReadTestFile(dir + raw);
        ASSERT_EQ(got.size(), expected.size()) << raw;
        size_t differing = 0;
        for (size_t n = 0; n < got.size(); ++n) differing += got[n] != expected[n];
        EXPECT_EQ(differing, 0u) << raw;
    }
}

TEST(PngWrite, RowsAndSamplesReachReadersExactly) {
    REQUIRE_READERS();
    const std::string dir = TestTempDir("png_write");
    // 5 x 3, not square, with samples whose two bytes differ.
    std::vector<uint8_t> rgba(5 * 3 * 4);
    std::vector<uint16_t> gray(5 * 3);
    for (size_t n = 0; n < rgba.size(); ++n) rgba[n] = uint8_t(n * 17 + 3);
    for (size_t n = 0; n < gray.size(); ++n) gray[n] = uint16_t(n * 4099 + 1);
    std::string error;
    ASSERT_TRUE(WritePngRgba8((dir + "/c.png").c_str(), rgba.data(), 5, 3, &error)) << error;
    ASSERT_TRUE(WritePngGray16((dir + "/g.png").c_str(), gray.data(), 5, 3, &error)) << error;

    EXPECT_EQ(ReadWithPillow(dir + "/c.png", dir + "/c.raw"), "RGBA 5 3\n");
    EXPECT_TRUE(ReadTestFile(dir + "/c.raw") == rgba);
    const std::string grayMode = ReadWithPillow(dir + "/g.png", dir + "/g.raw");
    EXPECT_TRUE(grayMode == "I 5 3\n" || grayMode == "I;16 5 3\n") << grayMode;
    EXPECT_TRUE(ReadTestFile(dir + "/g.raw") == AsBytes(gray));
    EXPECT_EQ(ReadWithMagick(dir + "/g.png", "gray", dir + "/gm.raw"), "5 3 16");
    EXPECT_TRUE(ReadTestFile(dir + "/gm.raw") == AsBytes(gray));

    const std::string blocked = WriteTestFile(dir + "/plain", {1});
    EXPECT_FALSE(WritePngGray16((blocked + "/g.png").c_str(), gray.data(), 5, 3, &error));
    EXPECT_EQ(error.rfind("ERROR : " + blocked + "/g.png : ", 0), 0u) << error;
}

TEST(LndtoolExport, WritesWhatTheViewerShowsAndExports) {
    REQUIRE_READERS();
    const std::string dir = TestTempDir("tool_export");
    TestLandscape land = RandomLandscape(3, 2, 16);
    // Record 0's size skips record 1: the PNGs follow the upload walk (in the
    // colours DDS readers show), the DDS files the fixed stride.
    StoreI32(land.LoRes(0) + kRecordSizeOffset, kLoResStoredRecordSize + int32_t(kLoResTextureSize));
    StoreI32(land.LoRes(2) + kRecordSizeOffset, -int32_t(kLoResTextureSize) - 16);
    const std::string lnd = WriteTestFile(dir + "/land2.lnd", land.bytes);
    const std::string out = dir + "/out";

    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int status = RunExport({lnd, out});
    const std::string stdoutText = testing::internal::GetCapturedStdout();
    const std::string stderrText = testing::internal::GetCapturedStderr();
    ASSERT_EQ(status, 0);
    // The walk departs from the stride: one warning says what that means.
    EXPECT_EQ(stderrText, "WARNING : " + lnd + " : 2 LoRes textures lie elsewhere when walked by RecordSize than by"
                          " the fixed stride; the terrain shows the walked records, the DDS files hold the"
                          " fixed-stride ones\n");
    EXPECT_EQ(stdoutText, "8 files written to " + out + "\n");
    EXPECT_EQ(FolderEntries(out),
              (std::vector<std::string>{"block-0-material.png", "block-1-material.png", "land2.lnd-0.dds",
                                        "land2.lnd-1.dds", "land2.lnd-2.dds", "lores-0.png", "lores-1.png",
                                        "lores-2.png"}));
    for (uint32_t i = 0; i < 3; ++i)
        EXPECT_TRUE(ReadTestFile(out + "/land2.lnd-" + std::to_string(i) + ".dds") == ExpectedDds(land, i));

    const std::string raw = dir + "/raw";
    const uint8_t* walked[3] = {land.LoRes(0), land.LoRes(2), land.LoRes(1)};
    for (int i = 0; i < 3; ++i) {
        const std::string png = out + "/lores-" + std::to_string(i) + ".png";
        const std::vector<uint8_t> expected = DecodedLoRes(walked[i]);
        EXPECT_EQ(ReadWithPillow(png, raw), "RGBA 256 256\n");
        EXPECT_TRUE(ReadTestFile(raw) == expected) << png;
        EXPECT_EQ(ReadWithMagick(png, "rgba", raw), "256 256 8");
        EXPECT_TRUE(ReadTestFile(raw) == expected) << png;
    }

    BlendWeightTable split, unsplit;
    FillStartBlendWeights(split, unsplit);
    const MaterialSources sources = {land.Country(0), 3, land.Material(0), 3, land.Detail()};
    for (int32_t k = 0; k < 2; ++k) {
        std::vector<uint16_t> texels(kMaterialTextureTexels);
        SynthesizeBlockMaterial(land.Block(k), sources, split, unsplit, texels.data());
        const std::string png = out + "/block-" + std::to_string(k) + "-material.png";
        const std::string mode = ReadWithPillow(png, raw);
        EXPECT_TRUE(mode == "I 256 256\n" || mode == "I;16 256 256\n") << mode;
        EXPECT_TRUE(ReadTestFile(raw) == AsBytes(texels)) << png;
        EXPECT_EQ(ReadWithMagick(png, "gray", raw), "256 256 16");
        EXPECT_TRUE(ReadTestFile(raw) == AsBytes(texels)) << png;
    }
}

TEST(LndtoolExport, FaultsGiveStatusTwo) {
    const std::string dir = TestTempDir("tool_faults");
    TestLandscape land = RandomLandscape(2, 1, 17);
    const std::string lnd = WriteTestFile(dir + "/land.lnd", land.bytes);
    std::vector<uint8_t> cut(land.bytes.begin(), land.bytes.end() - 1);
    const std::string shortLnd = WriteTestFile(dir + "/short.lnd", cut);
    const std::string plain = WriteTestFile(dir + "/plain", {1});
    // One DDS name taken by a folder: that file fails, and the export, one
    // set of files, writes none of the others.
    fs::create_directories(dir + "/out/land.lnd-1.dds");

    struct Case {
        ExportOptions options;
        std::string errorStart;
    } cases[] = {
        {{dir + "/missing.lnd", dir + "/o1"}, "ERROR : "},
        {{shortLnd, dir + "/o2"}, "ERROR : " + shortLnd + " : "},
        {{lnd, plain + "/o3"}, "ERROR : " + plain + "/o3 : "},
        {{lnd, dir + "/out"}, "ERROR : " + dir + "/out/land.lnd-1.dds : "},
    };
    for (const Case& c : cases) {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        EXPECT_EQ(RunExport(c.options), 2) << c.options.file << " " << c.options.outDir;
        testing::internal::GetCapturedStdout();
        const std::string errors = testing::internal::GetCapturedStderr();
        EXPECT_EQ(errors.rfind(c.errorStart, 0), 0u) << errors;
        EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 1) << errors;
    }
    EXPECT_FALSE(fs::exists(dir + "/o1"));
    EXPECT_FALSE(fs::exists(dir + "/o2"));
    EXPECT_EQ(FolderEntries(dir + "/out"), (std::vector<std::string>{"land.lnd-1.dds"}));
    EXPECT_TRUE(fs::is_directory(dir + "/out/land.lnd-1.dds"));
}
