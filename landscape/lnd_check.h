// lnd_check.h -- one validation of a whole landscape file, shared by the
// viewer and lndtool: the structural faults that make a file unreadable, the
// record faults the viewer survives, and the invariants of a well-formed file.
// Pure: reads the buffer only, allocates nothing, prints nothing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "landscape/lnd_format.h"

enum class LandscapeFault {
    None,
    ShortHeader,            // shorter than the 1052-byte header
    NegativeBlockCount,     // stored BlockCountPlusOne below 1
    NegativeCountryCount,
    NegativeMaterialCount,
    ShortFile,              // the areas reach past the end of the file
};

struct LandscapeCheck {
    LandscapeFault fault = LandscapeFault::None;
    uint64_t length = 0;            // bytes in the file
    LandscapeCounts counts = {};    // as stored (valid unless ShortHeader)
    int32_t blockCount = 0;         // stored BlockCountPlusOne - 1
    LandscapeAreas areas = {};      // valid when fault is None or ShortFile

    // The rest is only filled when fault is None.

    // Record faults the viewer survives (it warns once per kind).
    uint32_t uploadWalkCount = 0;      // LoRes records the size walk reaches inside the file
    uint32_t walkStopIndex = 0;        // record whose RecordSize would leave the file (when the walk stops early)
    int32_t walkStopRecordSize = 0;
    uint32_t ddsSizeMismatches = 0;    // walked records whose DdsHeader is not 256 x 256
    uint64_t countryIndexBeyond = 0;   // cells whose CountryIndex >= CountryCount
    uint64_t materialIndexBeyond = 0;  // country entries naming a material >= MaterialCount

    // Invariants of a well-formed file that the viewer does not need.
    uint32_t recordSizeOther = 0;      // LoRes records (by fixed stride) with RecordSize != 65664
    uint32_t ddsNotDxt3 = 0;           // LoRes records whose DdsHeader is not a 256 x 256 DXT3 header
    uint64_t blendWeightAbove255 = 0;  // country entries
    uint32_t loResIndexBeyond = 0;     // blocks whose LoResTextureIndex names no texture
};

// Checks `length` bytes of a file as stored on disk (BlockCountPlusOne not yet
// decremented). Never reads outside [file, file + length).
LandscapeCheck CheckLandscape(const uint8_t* file, uint64_t length);

// The LoRes upload walks records by their size: the next record starts at
// this one + 16 + RecordSize. Returns the next record's offset, or -1 when
// that record would not lie wholly inside the file.
int64_t NextLoResRecord(const uint8_t* file, uint64_t length, uint64_t record);

// Diagnostic lines, without the trailing newline, each starting with
// "ERROR : " or "WARNING : " and naming the file.
// The structural fault line (empty when fault is None).
std::string FaultLine(const LandscapeCheck& check, const char* path);
// One line per kind of record fault the viewer survives.
std::vector<std::string> RecordWarningLines(const LandscapeCheck& check, const char* path);
// One line per kind of broken invariant the viewer does not need (for lndtool).
std::vector<std::string> InvariantWarningLines(const LandscapeCheck& check, const char* path);
