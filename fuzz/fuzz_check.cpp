// fuzz_check.cpp -- fuzz target: raw bytes as a path and a whole landscape
// file, through the check and everything `lndtool info` computes from it, in
// text and in JSON, and the DDS files the export would write.
//
// The input: byte 0 is the length n of the path, bytes 1 to n are the path
// (cut at its first NUL, as a C string is), the rest is the file. A path may
// be any bytes, UTF-8 or not, as a file's name may.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_oracle.h"
#include "guarded_buffer.h"
#include "tools/info/info_report.h"
#include "texture/lores_dds.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const size_t pathBytes = size == 0 ? 0 : std::min<size_t>(data[0], size - 1);
    const std::string given(reinterpret_cast<const char*>(data) + (size > 0), pathBytes);
    const std::string path = given.substr(0, std::strlen(given.c_str()));
    static GuardedBuffer file;
    file.Assign(data + std::min<size_t>(size, 1 + pathBytes), size - std::min<size_t>(size, 1 + pathBytes));

    const InfoReport report = BuildInfoReport(path.c_str(), file.data(), file.size());
    const CheckedLandscape& c = report.landscape;
    RequireCheckPromises(c, file.size());
    RequireNotes(c, path);
    for (const LandscapeNote& note : report.notes) RequireDiagnosticLine(note.line, path);
    FUZZ_REQUIRE((InfoExitStatus(report) == 0) == report.notes.empty());
    RequireUsage(report);

    const std::string text = FormatInfoText(report);
    FUZZ_REQUIRE(text.rfind("File                    : " + path + "\n", 0) == 0 && text.back() == '\n');
    const std::string json = FormatInfoJson(report);
    RequireInfoJson(json, report, path);
    // The block count shown is the stored one less one, whatever was stored.
    if (report.countsKnown) {
        const std::string blocks = std::to_string(int64_t(c.counts.blockCountPlusOne) - 1);
        FUZZ_REQUIRE(text.find("\nNumber of Blocks        : " + blocks + "\n") != std::string::npos);
        FUZZ_REQUIRE(json.find("\"counts\": {\"blocks\": " + blocks + ",") != std::string::npos);
    }

    if (!c.Usable()) return 0;
    // Every record the DDS export would write, copied as it writes it, so the
    // sanitizer checks each byte taken from the file.
    static std::vector<uint8_t> dds(kDdsFileSize);
    for (uint32_t i = 0; i < c.counts.loResTextureCount; ++i) {
        LoResDdsFileBytes(c.StrideLoResRecord(i), dds.data());
        FUZZ_REQUIRE(dds[0] == 'D' && dds[3] == ' ');
    }
    return 0;
}
