// test_unpack.cpp -- the landscape folder in memory: unpack then pack gives
// back every byte, for generated landscapes and for files whose every byte is
// noise behind usable counts; an edited LoRes picture changes only the
// 4 x 4 blocks it changed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "image/png_read.h"
#include "image/png_write.h"
#include "landscape/lnd_check.h"
#include "tools/make_sample.h"
#include "tools/unpack/landscape_folder.h"
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

}  // namespace
