// gtest_proof.cpp -- one GoogleTest test, run by ctest under Wine: a zlib
// round trip through the static zlib.
#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

TEST(StaticZlib, CompressesAndRestoresText)
{
    std::string text;
    for (int i = 0; i < 200; ++i) text += "landscape block " + std::to_string(i % 7) + "\n";

    uLongf packed_size = compressBound(text.size());
    std::vector<Bytef> packed(packed_size);
    ASSERT_EQ(compress(packed.data(), &packed_size, reinterpret_cast<const Bytef*>(text.data()), text.size()),
              Z_OK);
    EXPECT_LT(packed_size, text.size() / 4);

    std::string restored(text.size(), '\0');
    uLongf restored_size = restored.size();
    ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(restored.data()), &restored_size, packed.data(), packed_size),
              Z_OK);
    EXPECT_EQ(restored_size, text.size());
    EXPECT_EQ(restored, text);
}
