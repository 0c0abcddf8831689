// lnd_check.h -- one validation of a whole landscape file, shared by the
// viewer and lndtool. It yields the one value every later stage consumes:
// the bytes, their length, the counts, the area starts and the LoRes records
// as the RecordSize walk finds them, plus the faults found on the way.
// Pure: reads the buffer only and prints nothing.
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
    NotALandscape,          // ... by far: the counts describe no file of this length
};

// Counts that need more than 64 times the file's length and a MiB are not a
// landscape cut short: the file is something else.
inline constexpr uint64_t kNotALandscapeFactor = 64;
inline constexpr uint64_t kNotALandscapeSlack = uint64_t(1) << 20;

// Record faults, counted once the areas are known to fit.
struct RecordFaults {
    // Faults the viewer survives and warns about, once per kind.
    uint32_t walkStopIndex = 0;         // record whose RecordSize leads outside the file (walk stopped early)
    int32_t walkStopRecordSize = 0;
    uint32_t walkOffStride = 0;         // walked records that lie elsewhere than the fixed stride puts them
    uint32_t ddsSizeMismatches = 0;     // walked records whose DdsHeader is not 256 x 256
    uint64_t countryIndexBeyond = 0;    // cells whose CountryIndex >= CountryCount
    uint64_t materialIndexBeyond = 0;   // country entries naming a material >= MaterialCount
    int32_t blocksBeyondMap = 0;        // blocks past the 255th, which no map byte can name

    // Invariants of a well-formed file that the viewer does not need.
    uint32_t recordSizeOther = 0;       // records (by fixed stride) with RecordSize != 65664
    uint32_t ddsNotDxt3 = 0;            // records whose DdsHeader is not a 256 x 256 DXT3 header
    uint64_t blendWeightAbove255 = 0;   // country entries
    uint32_t loResIndexBeyond = 0;      // blocks whose LoResTextureIndex names no texture
    uint32_t mapPlacesBeyond = 0;       // map bytes naming a block past the block count
};

// A landscape file as checked. When `fault` is None every area lies inside
// the buffer, every walked LoRes record lies wholly inside it, and the
// accessors below may be used; otherwise only the fields the fault leaves
// known are set (counts unless ShortHeader, areas when ShortFile or
// NotALandscape).
struct CheckedLandscape {
    LandscapeFault fault = LandscapeFault::None;
    const uint8_t* bytes = nullptr;   // the file as stored; not owned
    uint64_t length = 0;
    LandscapeCounts counts = {};      // as stored
    int32_t blockCount = 0;           // stored BlockCountPlusOne - 1 (INT32_MIN for a stored INT32_MIN)
    LandscapeAreas areas = {};
    // File offsets of the LoRes records the upload visits, stepping by
    // 16 + RecordSize from offset 1052; the walk stops before a record that
    // would not lie wholly inside the file, so there may be fewer than
    // LoResTextureCount.
    std::vector<uint64_t> loResRecords;
    RecordFaults faults;

    bool Usable() const { return fault == LandscapeFault::None; }
    // Blocks that get textures and lists: the map names block 255 at most.
    int32_t MapBlockCount() const { return blockCount < kMostMapBlocks ? blockCount : kMostMapBlocks; }
    const uint8_t* Block(int32_t k) const { return bytes + areas.blockArea + kBlockSize * uint64_t(k); }
    const uint8_t* WalkedLoResRecord(uint32_t i) const { return bytes + loResRecords[i]; }
    // Record i by the fixed stride (1052 + 65680 i), as the DDS export takes it.
    const uint8_t* StrideLoResRecord(uint32_t i) const {
        return bytes + areas.loResArea + kLoResTextureSize * uint64_t(i);
    }
    const uint8_t* CountryArea() const { return bytes + areas.countryArea; }
    const uint8_t* MaterialArea() const { return bytes + areas.materialArea; }
    const uint8_t* DetailMap() const { return bytes + areas.detailMap; }
};

// The LoRes record a block's first texture unit samples: its
// LoResTextureIndex when that names a record the RecordSize walk found (and
// so one the frame uploaded), else kNoLoResTexture. Such a block shows no
// LoRes image: the unit passes the primary colour on, blue after the axis
// gizmo, in the frame, in lndtool render and in the glTF bake alike.
inline constexpr int64_t kNoLoResTexture = -1;
inline int64_t ShownLoResTexture(const CheckedLandscape& landscape, const uint8_t* block) {
    const int32_t index = BlockLoResTextureIndex(block);
    return index >= 0 && uint64_t(index) < landscape.loResRecords.size() ? index : kNoLoResTexture;
}

// Checks `length` bytes of a file as stored on disk (BlockCountPlusOne not yet
// decremented). Never reads outside [file, file + length).
CheckedLandscape CheckLandscape(const uint8_t* file, uint64_t length);

// What the check found, one note per kind of fault, for people and programs.
enum class NoteSeverity { Error, Warning };
struct LandscapeNote {
    const char* kind;          // a stable name: "short_file", "country_index_beyond", ...
    NoteSeverity severity;     // Error: the file is dropped; Warning: it is shown all the same
    bool changesPicture;       // a record fault the viewer survives by showing something else
    uint64_t count;            // how many records, cells or entries are affected
    std::string line;          // "ERROR : <path> : ..." or "WARNING : <path> : ...", no newline
};
// Every note, the structural fault (if any) first, then the record faults,
// then the broken invariants, each kind once.
std::vector<LandscapeNote> LandscapeNotes(const CheckedLandscape& landscape, const char* path);

// Diagnostic lines, without the trailing newline, each starting with
// "ERROR : " or "WARNING : " and naming the file.
// The structural fault line (empty when the landscape is usable).
std::string FaultLine(const CheckedLandscape& landscape, const char* path);
// One line per kind of record fault that changes what the viewer shows.
std::vector<std::string> RecordWarningLines(const CheckedLandscape& landscape, const char* path);
// One line per kind of broken invariant the viewer does not need (for lndtool).
std::vector<std::string> InvariantWarningLines(const CheckedLandscape& landscape, const char* path);
