// test_unpack.cpp -- the landscape folder in memory: unpack then pack gives
// back every byte, for generated landscapes and for files whose every byte is
// noise behind usable counts; an edited LoRes picture changes only the
// 4 x 4 blocks it changed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "image/png_read.h"
#include "image/png_write.h"
#include "landscape/lnd_check.h"
#include "tools/sample/sample_landscape.h"
#include "tools/heights/block_heights.h"
#include "tools/common/json_text.h"
#include "tools/folder/landscape_folder.h"
#include "unit_support/test_files.h"

namespace {

// A file of noise behind usable counts: every reserved byte, RecordSize,
// DDS header, index, weight and origin takes what the noise gives, so each
// of the check's warnings shows up; a few origins are set to the floats
// that are hardest to carry through text.
std::vector<uint8_t> NoisyLandscape(uint32_t seed, int32_t blocks, int32_t countries, int32_t materials,
                                    uint32_t loRes, size_t trailing) {
    const LandscapeAreas areas = ComputeLandscapeAreas(blocks, countries, materials, loRes);
    std::vector<uint8_t> file(areas.end + trailing);
    uint32_t x = seed * 2654435761u + 1;
    for (uint8_t& byte : file) {
        x ^= x << 13, x ^= x >> 17, x ^= x << 5;
        byte = uint8_t(x >> 24);
    }
    StoreI32(file.data() + kBlockCountPlusOneOffset, blocks + 1);
    StoreI32(file.data() + kMaterialCountOffset, materials);
    StoreI32(file.data() + kCountryCountOffset, countries);
    StoreU32(file.data() + kLoResTextureCountOffset, loRes);
    const float specials[] = {std::numeric_limits<float>::quiet_NaN(), -std::numeric_limits<float>::infinity(),
                              -0.0f, std::numeric_limits<float>::denorm_min(), std::numeric_limits<float>::max(),
                              0.1f, 16777217.0f, 1e-38f};
    for (int32_t k = 0; k < blocks && k < 8; ++k) {
        uint8_t* block = file.data() + areas.blockArea + kBlockSize * uint64_t(k);
        StoreF32(block + kTextureOriginSOffset, specials[k]);
        StoreU32(block + kTextureOriginTOffset, 0x7F800001u + uint32_t(k));  // NaNs with payloads
    }
    return file;
}

void ExpectRoundTrip(const std::vector<uint8_t>& file, const std::string& name,
                     PngCompression pictures = PngCompression::Smallest) {
    FolderFiles folder;
    std::string error;
    ASSERT_TRUE(UnpackLandscape(file.data(), file.size(), name.c_str(), &folder, &error, pictures)) << error;
    std::vector<uint8_t> packed;
    std::vector<std::string> errors;
    PackLandscape(folder, "folder", &packed, &errors);
    ASSERT_TRUE(errors.empty()) << name << ": " << errors[0];
    ASSERT_EQ(packed.size(), file.size()) << name;
    EXPECT_TRUE(packed == file) << name << " came back with other bytes";
}

TEST(Unpack, PackGivesBackEveryByte) {
    for (uint32_t seed = 1; seed <= 8; ++seed)
        ExpectRoundTrip(MakeSampleLandscape(seed, int(seed * 9)), "sample seed " + std::to_string(seed));
    ExpectRoundTrip(TestLandscape(0, 0, 0, 0).bytes, "all counts 0");
    ExpectRoundTrip(MakeSampleLandscape(3, 27), "sample seed 3, pictures stored", PngCompression::Stored);
    struct Noise {
        int32_t blocks, countries, materials;
        uint32_t loRes;
        size_t trailing;
    };
    // 257 blocks: the blocks past the map's reach come back too.
    for (const Noise& n : {Noise{3, 2, 2, 2, 0}, Noise{1, 0, 0, 0, 7}, Noise{0, 1, 1, 1, 1}, Noise{257, 1, 0, 3, 0}}) {
        const std::vector<uint8_t> file = NoisyLandscape(uint32_t(n.blocks + n.trailing), n.blocks, n.countries,
                                                         n.materials, n.loRes, n.trailing);
        const CheckedLandscape c = CheckLandscape(file.data(), file.size());
        ASSERT_TRUE(c.Usable());
        EXPECT_FALSE(LandscapeNotes(c, "noise").empty());
        ExpectRoundTrip(file, "noise with " + std::to_string(n.blocks) + " blocks");
    }
}

TEST(Unpack, RefusesWhatTheCheckRefusesWithItsLine) {
    TestLandscape land(1, 1, 1, 1);
    land.bytes.pop_back();
    FolderFiles folder = {{"stale", {}}};
    std::string error;
    EXPECT_FALSE(UnpackLandscape(land.bytes.data(), land.bytes.size(), "x.lnd", &folder, &error));
    const CheckedLandscape c = CheckLandscape(land.bytes.data(), land.bytes.size());
    EXPECT_EQ(error, FaultLine(c, "x.lnd"));
    EXPECT_TRUE(folder.empty());
}

// Changed pixels in three 4 x 4 blocks of a LoRes picture: only those
// blocks' 16 bytes change in the packed file, each of them does, and the
// rest of the file stays.
TEST(Unpack, AnEditedLoResPictureChangesOnlyItsChangedBlocks) {
    const std::vector<uint8_t> file = MakeSampleLandscape(3, 20);
    FolderFiles folder;
    std::string error;
    ASSERT_TRUE(UnpackLandscape(file.data(), file.size(), "s.lnd", &folder, &error));
    DecodedPng picture;
    ASSERT_TRUE(DecodePng(folder["lores/0.png"].data(), folder["lores/0.png"].size(), 256, 256,
                          unsigned(PngLayout::Rgba8), &picture, &error));
    struct Pixel {
        int x, y;
    };
    // A lone pixel, and two pixels in one block next to a third block.
    for (const Pixel& p : {Pixel{0, 0}, Pixel{130, 61}, Pixel{129, 62}, Pixel{132, 62}}) {
        uint8_t* rgba = picture.bytes.data() + 4 * (256 * p.y + p.x);
        rgba[0] ^= 0xFF, rgba[3] = 0x40;
    }
    ASSERT_TRUE(EncodePngRgba8(picture.bytes.data(), 256, 256, &folder["lores/0.png"], &error));
    std::vector<uint8_t> packed;
    std::vector<std::string> errors;
    PackLandscape(folder, "s", &packed, &errors);
    ASSERT_TRUE(errors.empty()) << errors[0];
    ASSERT_EQ(packed.size(), file.size());
    const uint64_t image = kHeaderSize + kImageDataOffset;
    const std::vector<uint64_t> edited = {image + 16 * 0, image + 16 * (64 * 15 + 32), image + 16 * (64 * 15 + 33)};
    std::vector<uint64_t> changedBlocks;
    for (uint64_t at = 0; at < file.size(); ++at)
        if (packed[at] != file[at]) {
            const uint64_t block = image + (at - image) / 16 * 16;
            ASSERT_TRUE(at >= image && std::find(edited.begin(), edited.end(), block) != edited.end()) << "byte " << at;
            if (changedBlocks.empty() || changedBlocks.back() != block) changedBlocks.push_back(block);
        }
    EXPECT_EQ(changedBlocks, edited);
}

FolderFiles UnpackedFolder(const TestLandscape& land) {
    FolderFiles folder;
    std::string error;
    EXPECT_TRUE(UnpackLandscape(land.bytes.data(), land.bytes.size(), "t.lnd", &folder, &error)) << error;
    return folder;
}

std::vector<std::string> PackErrors(const FolderFiles& folder) {
    std::vector<uint8_t> packed;
    std::vector<std::string> errors;
    PackLandscape(folder, "f", &packed, &errors);
    EXPECT_EQ(packed.empty(), !errors.empty());
    return errors;
}

// The JSON text with its first `from` made `to`: each fault is one line with
// the key or value's path and its place in the text (lines 41 and 44 are
// the LoRes record and the block).
TEST(Unpack, DuplicateKeysAndOutOfRangeNumbersNameTheirPlace) {
    const FolderFiles base = UnpackedFolder(TestLandscape(1, 1, 1, 1));
    const std::string text(base.at("landscape.json").begin(), base.at("landscape.json").end());
    struct Row {
        const char *from, *to, *line;
    };
    const Row rows[] = {
        {"{\"record_size\": ", "{\"record_size\": 1, \"record_size\": ",
         "the key \"record_size\" is given twice in lores[0]; give each key once (lores[0].record_size, line 41, "
         "column 24)"},
        {"\"version\": 1,", "\"version\": 1,\n\"version\": 1,",
         "the key \"version\" is given twice in the document; give each key once (version, line 4, column 1)"},
        {"\"record_size\": 65664", "\"record_size\": 1e400",
         "the number 1e400 is out of range: a number here holds about 1.8e308 at most (line 41, column 21)"},
        {"\"lores_index\": 0", "\"lores_index\": 2147483648",
         "must be a whole number from -2147483648 to 2147483647, found 2147483648 (blocks[0].lores_index, line 44, "
         "column 21)"},
        {"\"lores_index\": 0", "\"lores_index\":\n  -9e99",
         "must be a whole number from -2147483648 to 2147483647, found -9e+99 (blocks[0].lores_index, line 45, "
         "column 3)"},
        {"\"texture_origin_s\": 0.0", "\"texture_origin_s\": 1e39",
         "must be a number that fits a float32, or \"0x\" and 8 hex digits of its bits, found 1e+39 "
         "(blocks[0].texture_origin_s, line 44, column 44)"},
    };
    for (const Row& row : rows) {
        FolderFiles folder = base;
        std::string edited = text;
        const size_t at = edited.find(row.from);
        ASSERT_NE(at, std::string::npos) << row.from;
        edited.replace(at, std::strlen(row.from), row.to);
        folder["landscape.json"].assign(edited.begin(), edited.end());
        EXPECT_EQ(PackErrors(folder), std::vector<std::string>{std::string("ERROR : f/landscape.json : ") + row.line})
            << row.to;
    }
}

// Past 100 listed faults one line counts the rest, whichever their kind:
// files missing, or values of the JSON (whose pictures then wait).
TEST(Unpack, FaultsPastTheCapAreCountedInOneLine) {
    struct Row {
        int32_t blocks;
        bool badValues;
        const char* last;
    };
    for (const Row& row : {Row{60, false, "ERROR : f : 80 more faults; the first 100 are listed"},
                           Row{120, true,
                               "ERROR : f : 140 more faults; the first 100 are listed, and the pictures are checked "
                               "once landscape.json has fewer"}}) {
        FolderFiles folder = UnpackedFolder(TestLandscape(row.blocks, 1, 1, 1));
        if (row.badValues) {
            nlohmann::ordered_json document = nlohmann::ordered_json::parse(folder["landscape.json"]);
            for (auto& block : document["blocks"]) block["lores_index"] = "x", block["texture_origin_t"] = false;
            const std::string text = DumpJson(document);
            folder["landscape.json"].assign(text.begin(), text.end());
        } else {
            for (int32_t k = 0; k < row.blocks; ++k)
                for (const char* what : {"altitude", "country", "split"}) folder.erase(BlockPngName(size_t(k), what));
        }
        const std::vector<std::string> errors = PackErrors(folder);
        ASSERT_EQ(errors.size(), 101u);
        EXPECT_EQ(errors.back(), row.last);
    }
}

}  // namespace

TEST(SetHeights, SixteenBitHeightsAreRoundedToTheNearestAltitude) {
    // v / 257 rounded: 200 and 1000 would truncate to 0 and 3.
    const uint16_t samples[] = {0, 128, 129, 200, 385, 386, 1000, 65406, 65408, 65535};
    const uint8_t expected[] = {0, 0, 1, 1, 1, 2, 4, 254, 255, 255};
    std::vector<uint8_t> raw(size_t(2) * 513 * 513, 0);
    for (size_t i = 0; i < std::size(samples); ++i) StoreU16(raw.data() + 2 * i, samples[i]);
    std::vector<uint8_t> heights;
    std::string fault;
    ASSERT_TRUE(HeightsFromR16(raw.data(), raw.size(), &heights, &fault)) << fault;
    for (size_t i = 0; i < std::size(samples); ++i) EXPECT_EQ(heights[i], expected[i]) << samples[i];
}
