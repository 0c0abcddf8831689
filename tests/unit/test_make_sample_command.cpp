// test_make_sample_command.cpp -- lndtool make-sample writes the sample whole
// or not at all and says so in one line.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "landscape/lnd_format.h"
#include "tools/commands.h"
#include "tools/sample/sample_landscape.h"
#include "unit_support/test_files.h"

// The command writes the sample whole over an older file and says what it
// wrote in one line; when it cannot write, it says why in one line, exits 2
// and leaves no temporary behind.
TEST(MakeSampleCommand, WritesWholeOrNothing) {
    const std::string dir = TestTempDir("make_sample_command");
    const std::string path = WriteTestFile(dir + "/island.lnd", {1, 2, 3});
    testing::internal::CaptureStdout();
    ASSERT_EQ(RunMakeSample({path, 5, 4}), 0);
    const std::string out = testing::internal::GetCapturedStdout();
    const std::vector<uint8_t> expected = MakeSampleLandscape(5, 4);
    EXPECT_EQ(ReadTestFile(path), expected);
    const LandscapeCounts counts = ReadLandscapeCounts(expected.data());
    for (const std::string& part : {path, std::to_string(counts.blockCountPlusOne - 1) + " blocks",
                                    std::to_string(counts.loResTextureCount) + " LoRes textures",
                                    std::to_string(expected.size()) + " bytes"})
        EXPECT_NE(out.find(part), std::string::npos) << out;
    EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1) << out;

    // A missing folder; a folder where the file should go (the rename fails).
    std::filesystem::create_directory(dir + "/taken.lnd");
    for (const std::string& bad : {dir + "/missing/island.lnd", dir + "/taken.lnd"}) {
        testing::internal::CaptureStderr();
        EXPECT_EQ(RunMakeSample({bad, 1, 1}), 2);
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(err.rfind("ERROR : " + bad + " : ", 0), 0u) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    }
    EXPECT_TRUE(std::filesystem::is_directory(dir + "/taken.lnd"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()), 2)
        << "only island.lnd and taken.lnd";
}
