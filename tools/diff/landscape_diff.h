// landscape_diff.h -- what differs between two landscapes, area by area in
// the file's order, and its text and JSON reports. Pure: both files are
// checked bytes in memory, compared once; no output, no file access.
//
// Records are paired by index: LoRes record i of one file with record i of
// the other (by the fixed stride), block k with block k, and so on. Records
// past the other file's count are "only in" that file. Every byte of a file
// belongs to one area, so two files whose bytes differ always give a report
// with something in it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "landscape/lnd_check.h"

// A block lists its changed cells one by one up to this many; past it, their
// count and the largest altitude change.
inline constexpr uint32_t kMostListedCells = 16;

// The two sides of a compared value: [0] the first file's, [1] the second's.
template <typename T>
using Sides = T[2];

struct MapChange {
    int row, column;
    Sides<uint8_t> value;
};

struct LoResChange {
    uint32_t index = 0;
    Sides<int32_t> recordSize = {};
    uint32_t ddsHeaderBytes = 0;  // bytes of the DdsHeader that differ
    uint32_t dxt3Blocks = 0;      // 16-byte image blocks that differ
    uint32_t pixels = 0;          // decoded pixels (RGBA) that differ
};

struct CellChange {
    int row, column;
    Sides<uint8_t> altitude, country;
    Sides<bool> split;
};

struct BlockChange {
    int32_t index = 0;
    uint32_t cellsChanged = 0;           // cells whose altitude, country or split flag differs
    std::vector<CellChange> cells;       // each of them, when there are at most kMostListedCells
    CellChange largest = {};             // the first cell with the largest altitude change (cellsChanged > 0)
    Sides<int32_t> loResIndex = {};
    Sides<float> originS = {}, originT = {};       // compared by their bits, so a NaN equals itself
    bool placementChanged = false;       // LoRes index or an origin differs
};

// Entries are chosen by altitude: the altitudes whose entry differs, as
// ranges [first, last].
struct CountryChange {
    int32_t index = 0;
    uint32_t entriesChanged = 0;
    std::vector<std::pair<int, int>> altitudes;
};

struct ValuesChange {
    int32_t index = 0;            // the material's; 0 for the detail map
    uint32_t changed = 0;         // texels or bytes that differ
    uint32_t largest = 0;         // the largest difference of one value
};

// Records [first, last] present in one file only (first > last: none).
struct OnlyIn {
    int64_t first = 0, last = -1;
    bool Any() const { return first <= last; }
};

struct AreaRecords {
    Sides<OnlyIn> only;  // [0] only in the first file, [1] only in the second
};

// Reserved bytes (those the viewer never reads) that differ, per record kind,
// in the records both files have.
struct ReservedChanges {
    uint64_t header = 0, loRes = 0, blocks = 0, countries = 0, materials = 0;
    uint64_t Total() const { return header + loRes + blocks + countries + materials; }
};

struct LandscapeDiff {
    bool identical = true;              // byte for byte
    Sides<LandscapeCounts> counts;      // as stored
    Sides<uint64_t> length;
    std::vector<MapChange> map;
    AreaRecords loResRecords, blockRecords, countryRecords, materialRecords;
    std::vector<LoResChange> loRes;
    std::vector<BlockChange> blocks;
    std::vector<CountryChange> countries;
    std::vector<ValuesChange> materials;
    ValuesChange detail;                // changed == 0: the same detail map
    ReservedChanges reserved;
    Sides<uint64_t> trailing;           // bytes past the detail map
    uint64_t trailingChanged = 0;       // of those both files have, plus those only one has
};

// Both landscapes must be usable (CheckedLandscape::Usable) and as stored
// on disk (BlockCountPlusOne not decremented).
LandscapeDiff DiffLandscapes(const CheckedLandscape& a, const CheckedLandscape& b);

// Pixels of a LoRes image that decode to other RGBA in the second record
// than in the first (both LoRes records as stored); when changed_out is not
// null, it gets 256 x 256 flags, rows top first, 1 where a pixel differs.
uint32_t LoResPixelChanges(const uint8_t* recordA, const uint8_t* recordB, uint8_t* changed_out);

// The report, one line per fact, in the file's order: header, LoRes
// records, blocks, countries, materials, detail map, reserved bytes,
// trailing bytes. nameA and nameB name the files in "only in" lines. Empty
// for identical files.
std::string FormatDiffText(const LandscapeDiff& diff, const std::string& nameA, const std::string& nameB);
// The same as one JSON document (ending in a newline); see lndtool(1).
std::string FormatDiffJson(const LandscapeDiff& diff, const std::string& nameA, const std::string& nameB);
