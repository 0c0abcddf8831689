// lnd_format.h -- the ".lnd" landscape file: record sizes, field offsets, the
// area layout computed from the header counts, and little-endian accessors
// that read (and, for the sample writer, write) records in place.
//
// The file is one buffer; nothing is ever cast to a struct. Every record
// accessor below takes a pointer to the start of its record and assumes the
// caller has already checked that the whole record lies inside the buffer
// (see lnd_check.h, which does that once for a whole file). Offsets are
// 64-bit so that no product of a count and a record size can overflow.
#pragma once

#include <cstdint>
#include <vector>

#include "landscape/byte_order.h"

// ---------------------------------------------------------------------------
// Record sizes, in bytes, and the order of the areas
// ---------------------------------------------------------------------------
// header | LoRes textures | blocks | countries | materials | detail map
inline constexpr uint64_t kHeaderSize = 1052;
inline constexpr uint64_t kLoResTextureSize = 65680;
inline constexpr uint64_t kBlockSize = 2520;
inline constexpr uint64_t kCountrySize = 3076;
inline constexpr uint64_t kMaterialSize = 131074;
inline constexpr uint64_t kDetailMapSize = 65536;

// ---------------------------------------------------------------------------
// LandscapeHeader
// ---------------------------------------------------------------------------
inline constexpr uint64_t kBlockCountPlusOneOffset = 0;  // int32, block count + 1
inline constexpr uint64_t kBlockMapOffset = 4;           // uint8[32][32], row-major
inline constexpr uint64_t kMaterialCountOffset = 1028;   // int32
inline constexpr uint64_t kCountryCountOffset = 1032;    // int32
inline constexpr uint64_t kHeaderReservedOffset = 1036;     // 12 bytes the viewer never reads
inline constexpr uint64_t kHeaderReservedSize = 12;
inline constexpr uint64_t kLoResTextureCountOffset = 1048;  // uint32
inline constexpr int kBlockMapSide = 32;                 // rows and columns of the map
inline constexpr int32_t kMostMapBlocks = 255;           // a map byte names block 1 to 255 at most
inline constexpr int kBlockWorldSize = 160;              // world units per block
inline constexpr int kCellWorldSize = 10;                // world units per cell

// ---------------------------------------------------------------------------
// LoResTexture: a 256 x 256 DXT3 image behind a DDS surface header
// ---------------------------------------------------------------------------
inline constexpr uint64_t kRecordSizeOffset = 16;   // int32: bytes from here to the record's end
inline constexpr uint64_t kDdsHeaderOffset = 20;    // 124-byte DDS surface header
inline constexpr uint64_t kLoResHeightOffset = 28;       // uint32, DDS header offset 8
inline constexpr uint64_t kLoResWidthOffset = 32;        // uint32, DDS header offset 12
inline constexpr uint64_t kImageDataOffset = 144;   // 64 x 64 DXT3 blocks
inline constexpr uint64_t kLoResImageSize = 65536;
inline constexpr int32_t kLoResStoredRecordSize = 65664;  // RecordSize of a well-formed record
inline constexpr int kLoResSide = 256;             // pixels, both ways
inline constexpr uint64_t kDdsHeaderSize = 124;
// What an exported DDS file holds: "DDS " then record bytes 20 to the end.
inline constexpr uint64_t kDdsFileSize = 4 + kLoResTextureSize - kDdsHeaderOffset;

// ---------------------------------------------------------------------------
// Block: 17 x 17 grid points (16 x 16 quads) and its LoRes placement
// ---------------------------------------------------------------------------
inline constexpr uint64_t kCellsOffset = 4;
inline constexpr uint64_t kCellRowStride = 136;   // 17 cells of 8 bytes
inline constexpr uint64_t kCellSize = 8;
inline constexpr int kBlockGridPoints = 17;       // grid points per side
inline constexpr int kBlockQuads = 16;            // quads per side
// The whole map's grid points on one side, as heightmaps hold them:
// neighbouring places share their edge samples.
inline constexpr int kHeightmapSide = kBlockMapSide * kBlockQuads + 1;  // 513
inline constexpr uint64_t kBlockReservedAfterCellsOffset = 2316;  // 180 bytes never read
inline constexpr uint64_t kBlockReservedAfterCellsSize = 180;
inline constexpr uint64_t kLoResTextureIndexOffset = 2496;  // int32
inline constexpr uint64_t kTextureOriginSOffset = 2500;     // float32
inline constexpr uint64_t kTextureOriginTOffset = 2504;     // float32
inline constexpr uint64_t kBlockReservedTailOffset = 2508;  // 12 bytes never read
inline constexpr uint64_t kBlockReservedTailSize = 12;

// Where a cell lies in its block's LoRes texture: one cell spans 1/68 of
// the texture, in the single-precision value nearest 1/68, and cell (r, c)
// starts 0.75 cell in. A coordinate is the product formed in float, then the
// texture origin added, as the landscapes were laid out against exactly
// these numbers. `cell` may be fractional (the bake samples texel centres).
inline constexpr float kLoResCellSpan = 0.014705882f;
inline constexpr float kLoResCellOffset = 0.75f;
inline float LoResCoordinate(float cell, float origin) { return (cell + kLoResCellOffset) * kLoResCellSpan + origin; }

// Cell fields
inline constexpr uint64_t kAltitudeOffset = 0;      // uint8
inline constexpr uint64_t kAttributesOffset = 2;    // uint8: country in bits 0-3, split in bit 7
inline constexpr uint8_t kCountryIndexMask = 0x0F;
inline constexpr uint8_t kSplitFlagBit = 0x80;

// ---------------------------------------------------------------------------
// Country: 256 entries chosen by altitude; Material: 256 x 256 uint16 texels
// ---------------------------------------------------------------------------
inline constexpr uint64_t kEntriesOffset = 4;
inline constexpr uint64_t kCountryEntrySize = 12;
inline constexpr int kCountryEntryCount = 256;
inline constexpr uint64_t kMaterialAOffset = 0;    // uint32
inline constexpr uint64_t kMaterialBOffset = 4;    // uint32
inline constexpr uint64_t kBlendWeightOffset = 8;  // uint32, 0..255
inline constexpr uint64_t kTexelsOffset = 2;
inline constexpr int kMaterialSide = 256;
inline constexpr int kPaletteCountries = 16;      // a 4-bit CountryIndex reaches 16 countries

// True when [offset, offset + size) lies inside a buffer of `length` bytes.
inline bool InBounds(uint64_t length, uint64_t offset, uint64_t size) {
    return offset <= length && size <= length - offset;
}

// ---------------------------------------------------------------------------
// Header counts and area layout
// ---------------------------------------------------------------------------
struct LandscapeCounts {
    int32_t blockCountPlusOne;   // as stored: the block count plus one
    int32_t materialCount;
    int32_t countryCount;
    uint32_t loResTextureCount;

    // The block count the header claims, as a reader of the file sees it: in
    // 64 bits, so a stored INT32_MIN does not wrap.
    int64_t StoredBlockCount() const { return int64_t(blockCountPlusOne) - 1; }
};

// header: the first kHeaderSize bytes of the file.
inline LandscapeCounts ReadLandscapeCounts(const uint8_t* header) {
    return {LoadI32(header + kBlockCountPlusOneOffset), LoadI32(header + kMaterialCountOffset),
            LoadI32(header + kCountryCountOffset), LoadU32(header + kLoResTextureCountOffset)};
}

// File offsets of every area. The LoRes area is located by the fixed stride,
// whatever the RecordSize fields hold; `end` is one past the DetailMap, the
// least length a file with these counts needs.
struct LandscapeAreas {
    uint64_t loResArea;
    uint64_t blockArea;
    uint64_t countryArea;
    uint64_t materialArea;
    uint64_t detailMap;
    uint64_t end;
};

// Counts must be non-negative (the check rejects negative ones first).
inline LandscapeAreas ComputeLandscapeAreas(int32_t blockCount, int32_t countryCount, int32_t materialCount,
                                            uint32_t loResTextureCount) {
    LandscapeAreas a;
    a.loResArea = kHeaderSize;
    a.blockArea = a.loResArea + kLoResTextureSize * uint64_t(loResTextureCount);
    a.countryArea = a.blockArea + kBlockSize * uint64_t(blockCount);
    a.materialArea = a.countryArea + kCountrySize * uint64_t(countryCount);
    a.detailMap = a.materialArea + kMaterialSize * uint64_t(materialCount);
    a.end = a.detailMap + kDetailMapSize;
    return a;
}

inline uint8_t BlockMapAt(const uint8_t* header, int row, int column) {
    return header[kBlockMapOffset + uint64_t(kBlockMapSide * row + column)];
}

// ---------------------------------------------------------------------------
// Record views. `record` points at the start of a record known to be inside
// the buffer; indices are within the record's own grid.
// ---------------------------------------------------------------------------
inline const uint8_t* CellAt(const uint8_t* block, int row, int column) {
    return block + kCellsOffset + kCellRowStride * uint64_t(row) + kCellSize * uint64_t(column);
}
inline uint8_t CellAltitude(const uint8_t* block, int row, int column) {
    return CellAt(block, row, column)[kAltitudeOffset];
}
inline uint8_t CellCountryIndex(const uint8_t* block, int row, int column) {
    return CellAt(block, row, column)[kAttributesOffset] & kCountryIndexMask;
}
inline bool CellSplitFlag(const uint8_t* block, int row, int column) {
    return (CellAt(block, row, column)[kAttributesOffset] & kSplitFlagBit) != 0;
}
inline int32_t BlockLoResTextureIndex(const uint8_t* block) { return LoadI32(block + kLoResTextureIndexOffset); }
inline float BlockTextureOriginS(const uint8_t* block) { return LoadF32(block + kTextureOriginSOffset); }
inline float BlockTextureOriginT(const uint8_t* block) { return LoadF32(block + kTextureOriginTOffset); }

inline const uint8_t* CountryEntryAt(const uint8_t* country, int altitude) {
    return country + kEntriesOffset + kCountryEntrySize * uint64_t(altitude);
}
inline uint32_t EntryMaterialA(const uint8_t* entry) { return LoadU32(entry + kMaterialAOffset); }
inline uint32_t EntryMaterialB(const uint8_t* entry) { return LoadU32(entry + kMaterialBOffset); }
inline uint32_t EntryBlendWeight(const uint8_t* entry) { return LoadU32(entry + kBlendWeightOffset); }

// The materials a country's entries let show, appended in entry order with
// their repeats: MaterialA unless the weight is 0, MaterialB unless it is
// 255 (a weight of 255 takes MaterialA alone, 0 MaterialB alone).
void AppendCountryMaterials(const uint8_t* country, std::vector<uint32_t>* materials);

inline uint16_t MaterialTexel(const uint8_t* material, int row, int column) {
    return LoadU16(material + kTexelsOffset + 2 * uint64_t(kMaterialSide * row + column));
}

// The detail map is stored transposed: column x, row y is byte 256 x + y.
inline uint8_t DetailAt(const uint8_t* detailMap, int column, int row) {
    return detailMap[uint64_t(256 * column + row)];
}

inline int32_t LoResRecordSize(const uint8_t* record) { return LoadI32(record + kRecordSizeOffset); }
inline uint32_t LoResHeight(const uint8_t* record) { return LoadU32(record + kLoResHeightOffset); }
inline uint32_t LoResWidth(const uint8_t* record) { return LoadU32(record + kLoResWidthOffset); }

// ---------------------------------------------------------------------------
// DDS surface header of a 256 x 256 DXT3 image
// ---------------------------------------------------------------------------
// Writes the complete 124-byte header (as it follows the "DDS " magic).
void WriteDxt3DdsHeader(uint8_t* header_124_bytes, uint32_t width_px, uint32_t height_px);
// True when the 124 bytes describe a 256 x 256 DXT3 surface: size 124, the
// caps/height/width/pixel-format flags, pixel format size 32 with FourCC DXT3.
bool DdsHeaderIsDxt3_256(const uint8_t* header_124_bytes);
