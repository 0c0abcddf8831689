// lnd_fields.cpp -- the field tables of the landscape records.
#include "landscape/lnd_fields.h"

#include <cstring>

namespace {

constexpr uint64_t kCellBytes = kCellRowStride * kBlockGridPoints;
constexpr uint64_t kEntryBytes = kCountryEntrySize * kCountryEntryCount;
constexpr uint64_t kTexelBytes = kMaterialSize - kTexelsOffset;

constexpr FieldSpec kHeaderFields[] = {
    {"block_map", kBlockMapOffset, uint64_t(kBlockMapSide) * kBlockMapSide, FieldKind::BlockMap},
    {"reserved_1036", kHeaderReservedOffset, kHeaderReservedSize, FieldKind::Reserved},
    {"block_count_plus_one", kBlockCountPlusOneOffset, 4, FieldKind::Count},
    {"material_count", kMaterialCountOffset, 4, FieldKind::Count},
    {"country_count", kCountryCountOffset, 4, FieldKind::Count},
    {"lores_texture_count", kLoResTextureCountOffset, 4, FieldKind::Count},
};

constexpr FieldSpec kLoResFields[] = {
    {"record_size", kRecordSizeOffset, 4, FieldKind::Int32},
    {"reserved_0", 0, kRecordSizeOffset, FieldKind::Reserved},
    {"dds_header", kDdsHeaderOffset, kDdsHeaderSize, FieldKind::DdsHeader},
    {"image", kImageDataOffset, kLoResImageSize, FieldKind::Image},
};

constexpr FieldSpec kBlockFields[] = {
    {"lores_index", kLoResTextureIndexOffset, 4, FieldKind::Int32},
    {"texture_origin_s", kTextureOriginSOffset, 4, FieldKind::Float32},
    {"texture_origin_t", kTextureOriginTOffset, 4, FieldKind::Float32},
    {"reserved_0", 0, kCellsOffset, FieldKind::Reserved},
    {"reserved_2316", kBlockReservedAfterCellsOffset, kBlockReservedAfterCellsSize, FieldKind::Reserved},
    {"reserved_2508", kBlockReservedTailOffset, kBlockReservedTailSize, FieldKind::Reserved},
    {"cell_reserved", kCellsOffset, kCellBytes, FieldKind::Cells},
};

constexpr FieldSpec kCountryFields[] = {
    {"reserved_0", 0, kEntriesOffset, FieldKind::Reserved},
    {"entries", kEntriesOffset, kEntryBytes, FieldKind::Entries},
};

constexpr FieldSpec kMaterialFields[] = {
    {"reserved_0", 0, kTexelsOffset, FieldKind::Reserved},
    {"texels", kTexelsOffset, kTexelBytes, FieldKind::Texels},
};

template <size_t N>
constexpr RecordSpec Spec(const char* name, uint64_t size, const FieldSpec (&fields)[N]) {
    return {name, size, fields, N};
}

}  // namespace

const RecordSpec kHeaderRecord = Spec("header", kHeaderSize, kHeaderFields);
const RecordSpec kLoResRecord = Spec("lores", kLoResTextureSize, kLoResFields);
const RecordSpec kBlockRecord = Spec("block", kBlockSize, kBlockFields);
const RecordSpec kCountryRecord = Spec("country", kCountrySize, kCountryFields);
const RecordSpec kMaterialRecord = Spec("material", kMaterialSize, kMaterialFields);
const RecordSpec* const kRecordSpecs[5] = {&kHeaderRecord, &kLoResRecord, &kBlockRecord, &kCountryRecord,
                                           &kMaterialRecord};

const FieldSpec* FindField(const RecordSpec& spec, const char* key) {
    for (const FieldSpec& field : spec)
        if (std::strcmp(field.key, key) == 0) return &field;
    return nullptr;
}
