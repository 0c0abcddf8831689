// fuzz_check.cpp -- fuzz target: raw bytes as a whole landscape file, through
// the check and everything `lndtool info` computes from it, and the DDS files
// the export would write.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_oracle.h"
#include "guarded_buffer.h"
#include "tools/info_report.h"
#include "texture/lores_dds.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static GuardedBuffer file;
    file.Assign(data, size);
    const InfoReport report = BuildInfoReport(kFuzzPath, file.data(), file.size());
    const CheckedLandscape& c = report.landscape;
    RequireCheckPromises(c, size);
    RequireNotes(c);
    for (const LandscapeNote& note : report.notes) RequireDiagnosticLine(note.line);
    FUZZ_REQUIRE((InfoExitStatus(report) == 0) == report.notes.empty());

    const std::string text = FormatInfoText(report);
    FUZZ_REQUIRE(!text.empty() && text.back() == '\n');
    const std::string json = FormatInfoJson(report);
    FUZZ_REQUIRE(json.rfind("{\n", 0) == 0 && json.size() >= 4 && json.compare(json.size() - 2, 2, "}\n") == 0);
    // Escaped as promised: nothing below 0x20 but the layout's own newlines,
    // and, the path being plain ASCII, nothing at or above 0x7F.
    for (unsigned char ch : json) FUZZ_REQUIRE(ch == '\n' || (ch >= 0x20 && ch < 0x7F));
    // The block count shown is the stored one less one, whatever was stored.
    if (report.countsKnown) {
        const std::string blocks = std::to_string(int64_t(c.counts.blockCountPlusOne) - 1);
        FUZZ_REQUIRE(text.find("\nNumber of Blocks        : " + blocks + "\n") != std::string::npos);
        FUZZ_REQUIRE(json.find("\"counts\": {\"blocks\": " + blocks + ",") != std::string::npos);
    }

    if (!c.Usable()) return 0;
    // Every record the DDS export would write, copied as it writes it, so the
    // sanitizer checks each byte taken from the file.
    std::vector<uint8_t> dds(kDdsFileSize);
    for (uint32_t i = 0; i < c.counts.loResTextureCount; ++i) {
        LoResDdsFileBytes(c.StrideLoResRecord(i), dds.data());
        FUZZ_REQUIRE(dds[0] == 'D' && dds[3] == ' ');
    }
    return 0;
}
