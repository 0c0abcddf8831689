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
#include "texture/material_synthesis.h"
#include "tools/info/info_report.h"

#define FUZZ_REQUIRE(condition)                                                                          \
    do {                                                                                                 \
        if (!(condition)) {                                                                              \
            std::fprintf(stderr, "ERROR : fuzz : %s:%d : property broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                                \
        }                                                                                                \
    } while (0)

// The path every target names its file by.
inline constexpr const char* kFuzzPath = "fuzz.lnd";

// A diagnostic line starts with its prefix and names the file; past the path
// (which a file's name may break) it is one line.
inline void RequireDiagnosticLine(const std::string& line, const std::string& path = kFuzzPath) {
    size_t rest = std::string::npos;
    for (const char* prefix : {"ERROR : ", "WARNING : "})
        if (line.rfind(prefix + path + " : ", 0) == 0) rest = std::string(prefix).size() + path.size() + 3;
    FUZZ_REQUIRE(rest != std::string::npos);
    FUZZ_REQUIRE(line.find_first_of("\r\n", rest) == std::string::npos);
}

// The text with every byte that is no part of a well-formed UTF-8 sequence
// replaced by U+FFFD, one for each maximal ill-formed part: a byte that can
// start no sequence, or a start with the continuation bytes that fit it
// before the one that does not.
std::string WithReplacementCharacters(const std::string& text);

// `lndtool info --json`'s document for `report`, whose file was named `path`:
// one object over several lines, control characters escaped, and
// well-formed UTF-8 that a strict reader takes, whatever bytes the path
// holds, with each stray byte of it as U+FFFD, in the file's name and in every
// fault line. Built without coverage feedback (fuzz_oracle.cpp): the reader
// is the oracle, not what is fuzzed.
void RequireInfoJson(const std::string& json, const InfoReport& report, const std::string& path);

// The countries and materials `info` lists as used, gathered again cell by
// cell and entry by entry into ordered sets.
void RequireUsage(const InfoReport& report);

// A block's material texture as SynthesizeBlockMaterial made it equals the
// unit tests' plain transcription of its formula (fuzz_oracle.cpp, built
// without coverage feedback and without fused multiply-adds).
void RequireReferenceMaterial(const uint8_t* block, const MaterialSources& sources, const BlendWeightTable split,
                              const BlendWeightTable unsplit, const std::vector<uint16_t>& texels);

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
inline void RequireNotes(const CheckedLandscape& c, const std::string& path = kFuzzPath) {
    const std::vector<LandscapeNote> notes = LandscapeNotes(c, path.c_str());
    for (const LandscapeNote& note : notes) {
        RequireDiagnosticLine(note.line, path);
        FUZZ_REQUIRE(note.count > 0);
        FUZZ_REQUIRE((note.severity == NoteSeverity::Error) == !c.Usable());
    }
    const std::string fault = FaultLine(c, path.c_str());
    FUZZ_REQUIRE(fault.empty() == c.Usable());
    if (!fault.empty()) RequireDiagnosticLine(fault, path);
    for (const std::string& line : RecordWarningLines(c, path.c_str())) RequireDiagnosticLine(line, path);
    for (const std::string& line : InvariantWarningLines(c, path.c_str())) RequireDiagnosticLine(line, path);
}
