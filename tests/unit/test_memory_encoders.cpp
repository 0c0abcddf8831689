// test_memory_encoders.cpp -- the in-memory forms of the PNG and DDS writers
// give exactly the bytes the file writers put on disk.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/png_write.h"
#include "unit_support/test_files.h"
#include "texture/lores_dds.h"

TEST(MemoryEncoders, PngBytesAreTheFileWritersBytes) {
    const std::string dir = TestTempDir("png_memory");
    // 7 x 5: odd sizes, samples whose bytes all differ.
    std::vector<uint8_t> rgba(7 * 5 * 4);
    std::vector<uint16_t> gray(7 * 5);
    for (size_t n = 0; n < rgba.size(); ++n) rgba[n] = uint8_t(n * 29 + 5);
    for (size_t n = 0; n < gray.size(); ++n) gray[n] = uint16_t(n * 2311 + 7);
    std::string error;
    ASSERT_TRUE(WritePngRgba8((dir + "/c.png").c_str(), rgba.data(), 7, 5, &error)) << error;
    ASSERT_TRUE(WritePngGray16((dir + "/g.png").c_str(), gray.data(), 7, 5, &error)) << error;

    std::vector<uint8_t> png = {1, 2, 3};  // replaced, not appended to
    ASSERT_TRUE(EncodePngRgba8(rgba.data(), 7, 5, &png, &error)) << error;
    EXPECT_TRUE(png == ReadTestFile(dir + "/c.png"));
    ASSERT_TRUE(EncodePngGray16(gray.data(), 7, 5, &png, &error)) << error;
    EXPECT_TRUE(png == ReadTestFile(dir + "/g.png"));
    // A different image gives different bytes (the encoder really reads the buffer).
    gray[17] ^= 0x0100;
    std::vector<uint8_t> changed;
    ASSERT_TRUE(EncodePngGray16(gray.data(), 7, 5, &changed, &error)) << error;
    EXPECT_FALSE(changed == png);
}

TEST(MemoryEncoders, PngOfNoPixelsIsRefusedWithOneLine) {
    std::vector<uint8_t> png = {9};
    std::string error;
    const uint8_t pixel[4] = {};
    EXPECT_FALSE(EncodePngRgba8(pixel, 0, 1, &png, &error));
    EXPECT_EQ(error, "ERROR : memory : cannot write a PNG of 0 x 1 pixels");
    EXPECT_TRUE(png.empty());
    const uint16_t sample = 0;
    EXPECT_FALSE(EncodePngGray16(&sample, 1, -3, &png, &error));
    EXPECT_EQ(error, "ERROR : memory : cannot write a PNG of 1 x -3 pixels");
}

TEST(MemoryEncoders, DdsBytesAreTheFileWritersBytes) {
    const std::string dir = TestTempDir("dds_memory");
    std::vector<uint8_t> record(kLoResTextureSize);
    for (size_t n = 0; n < record.size(); ++n) record[n] = uint8_t(n * 13 + n / 251);
    std::string error;
    ASSERT_TRUE(WriteLoResDds(record.data(), (dir + "/t.dds").c_str(), &error)) << error;
    std::vector<uint8_t> dds(kDdsFileSize);
    LoResDdsFileBytes(record.data(), dds.data());
    EXPECT_TRUE(dds == ReadTestFile(dir + "/t.dds"));
    EXPECT_EQ(std::string(dds.begin(), dds.begin() + 4), "DDS ");
    EXPECT_TRUE(std::equal(dds.begin() + 4, dds.end(), record.begin() + kDdsHeaderOffset));
}
