// test_info_json_text.cpp -- `lndtool info --json` names a file whose path is
// no UTF-8 in a valid document: each stray byte becomes U+FFFD, and no byte
// of a sequence that is not UTF-8 (a lead byte 0xF5 to 0xFF, a surrogate, an
// overlong form) reaches the output, whatever follows it.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "tools/info/info_report.h"

namespace {

TEST(InfoJson, PathBytesThatAreNoUtf8BecomeReplacementCharacters) {
    const std::string r = "\xEF\xBF\xBD";  // U+FFFD
    struct Case {
        std::string path, shown;
    };
    const Case cases[] = {
        {"plain \xC3\xA9.lnd", "plain \xC3\xA9.lnd"},                 // UTF-8 stays
        {"latin\xE9.lnd", "latin" + r + ".lnd"},                      // a Latin-1 byte
        {"\xF5\x80\x80\x80.lnd", r + r + r + r + ".lnd"},             // past U+10FFFF, with continuations
        {"\xFF\xBF.lnd", r + r + ".lnd"},
        {"\xED\xA0\x80.lnd", r + r + r + ".lnd"},                     // a surrogate
        {"\xC0\xAF.lnd", r + r + ".lnd"},                             // an overlong '/'
        {"cut\xE2\x82", "cut" + r},                                   // a sequence cut short
    };
    const std::vector<uint8_t> bytes(10, 0);
    for (const Case& c : cases) {
        const std::string text = FormatInfoJson(BuildInfoReport(c.path.c_str(), bytes.data(), bytes.size()));
        nlohmann::json document;
        ASSERT_NO_THROW(document = nlohmann::json::parse(text)) << text;
        EXPECT_EQ(document["file"].get<std::string>(), c.shown);
        for (unsigned char ch : c.path) {
            if (ch >= 0xF5 || ch == 0xC0 || ch == 0xC1) {
                EXPECT_EQ(text.find(char(ch)), std::string::npos) << text;
            }
        }
    }
}

}  // namespace
