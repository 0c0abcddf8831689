// test_stored_block_count.cpp -- the block count is stored plus one; every
// stored value, down to INT32_MIN, is reported as it is, and a negative one
// never reads as a landscape with blocks.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "landscape/lnd_check.h"
#include "tools/info/info_report.h"

namespace {

std::vector<uint8_t> HeaderOnly(int32_t blockCountPlusOne) {
    std::vector<uint8_t> file(kHeaderSize, 0);
    StoreI32(file.data() + kBlockCountPlusOneOffset, blockCountPlusOne);
    return file;
}

}  // namespace

TEST(StoredBlockCount, NegativeCountsStayNegativeDownToInt32Min) {
    const struct {
        int32_t stored;
        int32_t blockCount;
        const char* shown;
    } cases[] = {
        {0, -1, "-1"},
        {-5, -6, "-6"},
        {INT32_MIN + 1, INT32_MIN, "-2147483648"},
        // One less than INT32_MIN does not fit the check's int32: it stays at
        // INT32_MIN there, and the report shows the exact value.
        {INT32_MIN, INT32_MIN, "-2147483649"},
    };
    for (const auto& k : cases) {
        const std::vector<uint8_t> file = HeaderOnly(k.stored);
        const CheckedLandscape c = CheckLandscape(file.data(), file.size());
        EXPECT_EQ(c.fault, LandscapeFault::NegativeBlockCount) << k.stored;
        EXPECT_EQ(c.blockCount, k.blockCount) << k.stored;
        EXPECT_LT(c.MapBlockCount(), 0) << k.stored;

        const InfoReport report = BuildInfoReport("n.lnd", file.data(), file.size());
        const std::string text = FormatInfoText(report);
        EXPECT_NE(text.find(std::string("\nNumber of Blocks        : ") + k.shown + "\n"), std::string::npos) << text;
        const std::string json = FormatInfoJson(report);
        EXPECT_NE(json.find(std::string("\"counts\": {\"blocks\": ") + k.shown + ","), std::string::npos) << json;
        EXPECT_EQ(FaultLine(c, "n.lnd"),
                  "ERROR : n.lnd : negative block count (stored BlockCountPlusOne " + std::to_string(k.stored) + ")");
    }
}

TEST(StoredBlockCount, LargestStoredCountIsShownAsIs) {
    const std::vector<uint8_t> file = HeaderOnly(INT32_MAX);
    const InfoReport report = BuildInfoReport("n.lnd", file.data(), file.size());
    EXPECT_EQ(report.landscape.fault, LandscapeFault::NotALandscape);
    EXPECT_EQ(report.landscape.blockCount, INT32_MAX - 1);
    EXPECT_NE(FormatInfoText(report).find(": not a landscape file: its header's counts (2147483646 blocks, "),
              std::string::npos);
}
