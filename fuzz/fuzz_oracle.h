// fuzz_oracle.h -- what the fuzz targets require of every result besides not
// crashing: a violated property aborts, which both libFuzzer and the replay
// driver report as a failure with the input that caused it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "landscape/lnd_check.h"

#define FUZZ_REQUIRE(condition)                                                                          \
    do {                                                                                                 \
        if (!(condition)) {                                                                              \
            std::fprintf(stderr, "ERROR : fuzz : %s:%d : property broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                                \
        }                                                                                                \
    } while (0)

// The path every target names its file by.
inline constexpr const char* kFuzzPath = "fuzz.lnd";

// A diagnostic line is one line, starts with its prefix and names the file.
inline void RequireDiagnosticLine(const std::string& line) {
    const bool error = line.rfind(std::string("ERROR : ") + kFuzzPath + " : ", 0) == 0;
    const bool warning = line.rfind(std::string("WARNING : ") + kFuzzPath + " : ", 0) == 0;
    FUZZ_REQUIRE(error || warning);
    FUZZ_REQUIRE(line.find('\n') == std::string::npos && line.find('\r') == std::string::npos);
}

// What the check promises about a usable landscape: every area and every
// walked LoRes record lies inside the bytes, and the walk takes no more
// records than the header counts.
inline void RequireCheckPromises(const CheckedLandscape& c, uint64_t length) {
    FUZZ_REQUIRE(c.length == length);
    // A file that stores a negative block count never reads as one with blocks.
    if (c.fault == LandscapeFault::NegativeBlockCount) FUZZ_REQUIRE(c.blockCount < 0 && c.MapBlockCount() < 0);
    if (!c.Usable()) {
        FUZZ_REQUIRE(c.loResRecords.empty());
        return;
    }
    FUZZ_REQUIRE(c.blockCount >= 0 && c.counts.countryCount >= 0 && c.counts.materialCount >= 0);
    FUZZ_REQUIRE(c.areas.end <= length);
    FUZZ_REQUIRE(c.loResRecords.size() <= c.counts.loResTextureCount);
    FUZZ_REQUIRE(c.counts.loResTextureCount == 0 || c.loResRecords.size() >= 1);
    for (uint64_t record : c.loResRecords) FUZZ_REQUIRE(InBounds(length, record, kLoResTextureSize));
    FUZZ_REQUIRE(c.MapBlockCount() >= 0 && c.MapBlockCount() <= kMostMapBlocks);
}

// Every note, and the line lists made from them.
inline void RequireNotes(const CheckedLandscape& c) {
    const std::vector<LandscapeNote> notes = LandscapeNotes(c, kFuzzPath);
    for (const LandscapeNote& note : notes) {
        RequireDiagnosticLine(note.line);
        FUZZ_REQUIRE(note.count > 0);
        FUZZ_REQUIRE((note.severity == NoteSeverity::Error) == !c.Usable());
    }
    const std::string fault = FaultLine(c, kFuzzPath);
    FUZZ_REQUIRE(fault.empty() == c.Usable());
    if (!fault.empty()) RequireDiagnosticLine(fault);
    for (const std::string& line : RecordWarningLines(c, kFuzzPath)) RequireDiagnosticLine(line);
    for (const std::string& line : InvariantWarningLines(c, kFuzzPath)) RequireDiagnosticLine(line);
}
