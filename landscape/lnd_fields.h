// lnd_fields.h -- every field of every record of a landscape file, in one
// table a record kind: where the field lies in its record, its size, what
// kind of value it holds, and its key in an unpacked folder's
// landscape.json. unpack, pack, diff and the record listing walk these
// tables, so a field is added or mended here and nowhere else.
//
// A record's fields tile it exactly: no byte is in two fields or in none.
// They are listed in the order landscape.json gives them, named fields
// first, reserved bytes after.
#pragma once

#include <cstddef>
#include <cstdint>

#include "landscape/lnd_format.h"

enum class FieldKind {
    Count,      // header: a record count (BlockCountPlusOne holds the block count plus one); the JSON lists' lengths
    Int32,      // one value, a JSON number
    Uint32,
    Float32,    // a JSON number that reads back to the same bits, or "0x" and the 8 hex digits of its bits
    Reserved,   // bytes the viewer never reads: hex in the JSON, left out when all zeros
    BlockMap,   // header: 32 rows of 32 block numbers, a JSON list of rows
    Cells,      // block: 17 x 17 cells; the pictures hold the cell fields, the JSON the cell's reserved bits
    Entries,    // country: 256 entries, a JSON list of [materialA, materialB, blendWeight]
    DdsHeader,  // LoRes: the DDS surface header, in the record's .dds file
    Image,      // LoRes: 256 x 256 DXT3, in the .dds file and its decoding, the .png
    Texels,     // material: 256 x 256 16-bit texels, in its .png
};

struct FieldSpec {
    const char* key;  // its JSON key (for Cells, the key of the cells' reserved bits), or its name
    uint64_t offset;  // from the start of the record
    uint64_t size;    // in bytes
    FieldKind kind;
};

struct RecordSpec {
    const char* name;  // as the diff and the record listing name records: "header", "lores", "block", ...
    uint64_t size;
    const FieldSpec* fields;
    size_t fieldCount;

    const FieldSpec* begin() const { return fields; }
    const FieldSpec* end() const { return fields + fieldCount; }
};

extern const RecordSpec kHeaderRecord;
extern const RecordSpec kLoResRecord;
extern const RecordSpec kBlockRecord;
extern const RecordSpec kCountryRecord;
extern const RecordSpec kMaterialRecord;
// Every record kind, in the file's order of the areas.
extern const RecordSpec* const kRecordSpecs[5];

// A field in landscape.json: every kind but the counts (the lists' lengths)
// and what the record's files hold.
inline bool FieldInJson(FieldKind kind) {
    return kind != FieldKind::Count && kind != FieldKind::DdsHeader && kind != FieldKind::Image &&
           kind != FieldKind::Texels;
}

// The fields of one 8-byte cell and of one 12-byte country entry, as bit
// masks over their bytes. A cell bit no field holds is reserved.
struct SubfieldSpec {
    const char* key;
    uint64_t offset;
    uint64_t size;   // 1 or 4 bytes
    uint8_t mask;    // of a 1-byte field, the bits it holds
};
inline constexpr SubfieldSpec kCellFields[] = {
    {"altitude", kAltitudeOffset, 1, 0xFF},
    {"country", kAttributesOffset, 1, kCountryIndexMask},
    {"split", kAttributesOffset, 1, kSplitFlagBit},
};
inline constexpr const SubfieldSpec& kAltitudeField = kCellFields[0];
inline constexpr const SubfieldSpec& kCountryField = kCellFields[1];
inline constexpr const SubfieldSpec& kSplitField = kCellFields[2];
inline constexpr SubfieldSpec kEntryFields[] = {
    {"material_a", kMaterialAOffset, 4, 0xFF},
    {"material_b", kMaterialBOffset, 4, 0xFF},
    {"blend_weight", kBlendWeightOffset, 4, 0xFF},
};

// The bits of cell byte i (0..7) that no cell field holds.
inline uint8_t CellReservedMask(uint64_t i) {
    uint8_t held = 0;
    for (const SubfieldSpec& f : kCellFields)
        if (f.offset == i) held = uint8_t(held | f.mask);
    return uint8_t(~held);
}

// The field of `spec` with this key, or null.
const FieldSpec* FindField(const RecordSpec& spec, const char* key);
