// lnd_check.cpp -- validation of a whole landscape file and its diagnostic lines.
#include "landscape/lnd_check.h"

#include <cinttypes>
#include <cstdio>

#include "landscape/formatted_text.h"

namespace {

// The one walk by RecordSize: the next record starts at this one + 16 +
// RecordSize, and only records that lie wholly inside the file are taken.
void WalkLoResRecords(CheckedLandscape& c) {
    const uint32_t count = c.counts.loResTextureCount;
    // The fixed-stride area fits, so the walk never has more records than bytes allow.
    c.loResRecords.reserve(count);
    int64_t record = int64_t(c.areas.loResArea);
    for (uint32_t i = 0; i < count; ++i) {
        c.loResRecords.push_back(uint64_t(record));
        const uint8_t* r = c.bytes + record;
        if (uint64_t(record) != c.areas.loResArea + kLoResTextureSize * uint64_t(i)) ++c.faults.walkOffStride;
        if (LoResHeight(r) != uint32_t(kLoResSide) || LoResWidth(r) != uint32_t(kLoResSide))
            ++c.faults.ddsSizeMismatches;
        if (i + 1 == count) break;
        // In 64 bits: a RecordSize of any 32-bit value cannot overflow the sum.
        const int64_t next = record + int64_t(kRecordSizeOffset) + int64_t(LoResRecordSize(r));
        if (next < 0 || !InBounds(c.length, uint64_t(next), kLoResTextureSize)) {
            c.faults.walkStopIndex = i;
            c.faults.walkStopRecordSize = LoResRecordSize(r);
            break;
        }
        record = next;
    }
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* record = c.StrideLoResRecord(i);
        if (LoResRecordSize(record) != kLoResStoredRecordSize) ++c.faults.recordSizeOther;
        if (!DdsHeaderIsDxt3_256(record + kDdsHeaderOffset)) ++c.faults.ddsNotDxt3;
    }
}

void CheckBlocksAndCountries(CheckedLandscape& c) {
    RecordFaults& f = c.faults;
    for (int32_t k = 0; k < c.blockCount; ++k) {
        const uint8_t* block = c.Block(k);
        for (int r = 0; r < kBlockGridPoints; ++r)
            for (int col = 0; col < kBlockGridPoints; ++col)
                if (CellCountryIndex(block, r, col) >= c.counts.countryCount) ++f.countryIndexBeyond;
        const int32_t lores = BlockLoResTextureIndex(block);
        if (lores < 0 || uint32_t(lores) >= c.counts.loResTextureCount) ++f.loResIndexBeyond;
    }
    const uint32_t materials = uint32_t(c.counts.materialCount);
    for (int32_t k = 0; k < c.counts.countryCount; ++k) {
        const uint8_t* country = c.CountryArea() + kCountrySize * uint64_t(k);
        for (int h = 0; h < kCountryEntryCount; ++h) {
            const uint8_t* e = CountryEntryAt(country, h);
            if (EntryMaterialA(e) >= materials || EntryMaterialB(e) >= materials) ++f.materialIndexBeyond;
            if (EntryBlendWeight(e) > 255) ++f.blendWeightAbove255;
        }
    }
    if (c.blockCount > kMostMapBlocks) f.blocksBeyondMap = c.blockCount - kMostMapBlocks;
    for (int b = 0; b < kBlockMapSide; ++b)
        for (int a = 0; a < kBlockMapSide; ++a)
            if (BlockMapAt(c.bytes, b, a) > c.blockCount) ++f.mapPlacesBeyond;
}

}  // namespace

CheckedLandscape CheckLandscape(const uint8_t* file, uint64_t length) {
    CheckedLandscape c;
    c.bytes = file;
    c.length = length;
    if (length < kHeaderSize) {
        c.fault = LandscapeFault::ShortHeader;
        return c;
    }
    c.counts = ReadLandscapeCounts(file);
    // INT32_MIN less one does not fit: it stays INT32_MIN rather than wrapping
    // round to INT32_MAX, which would read as a file full of blocks.
    c.blockCount = c.counts.blockCountPlusOne == INT32_MIN ? INT32_MIN : c.counts.blockCountPlusOne - 1;
    if (c.counts.blockCountPlusOne < 1) c.fault = LandscapeFault::NegativeBlockCount;
    else if (c.counts.countryCount < 0) c.fault = LandscapeFault::NegativeCountryCount;
    else if (c.counts.materialCount < 0) c.fault = LandscapeFault::NegativeMaterialCount;
    if (c.fault != LandscapeFault::None) return c;

    c.areas = ComputeLandscapeAreas(c.blockCount, c.counts.countryCount, c.counts.materialCount,
                                    c.counts.loResTextureCount);
    if (c.areas.end > length) {
        // A landscape cut short needs a little more than it has; a file whose
        // counts ask for many times its length is no landscape at all.
        c.fault = c.areas.end / kNotALandscapeFactor > length + kNotALandscapeSlack ? LandscapeFault::NotALandscape
                                                                                    : LandscapeFault::ShortFile;
        return c;
    }
    WalkLoResRecords(c);
    CheckBlocksAndCountries(c);
    return c;
}

std::string FaultLine(const CheckedLandscape& c, const char* path) {
    switch (c.fault) {
    case LandscapeFault::None:
        return {};
    case LandscapeFault::ShortHeader:
        return FormatText("ERROR : %s : file too short: the header needs %" PRIu64 " bytes, found %" PRIu64, path,
                          kHeaderSize, c.length);
    case LandscapeFault::NegativeBlockCount:
        return FormatText("ERROR : %s : negative block count (stored BlockCountPlusOne %" PRId32 ")", path,
                          c.counts.blockCountPlusOne);
    case LandscapeFault::NegativeCountryCount:
        return FormatText("ERROR : %s : negative country count %" PRId32, path, c.counts.countryCount);
    case LandscapeFault::NegativeMaterialCount:
        return FormatText("ERROR : %s : negative material count %" PRId32, path, c.counts.materialCount);
    case LandscapeFault::ShortFile:
        return FormatText("ERROR : %s : file too short: the counts need %" PRIu64 " bytes, found %" PRIu64, path,
                          c.areas.end, c.length);
    case LandscapeFault::NotALandscape:
        return FormatText("ERROR : %s : not a landscape file: its header's counts (%" PRId32 " blocks, %" PRId32
                          " countries, %" PRId32 " materials, %" PRIu32 " LoRes textures) need %" PRIu64
                          " bytes, it has %" PRIu64,
                          path, c.blockCount, c.counts.countryCount, c.counts.materialCount,
                          c.counts.loResTextureCount, c.areas.end, c.length);
    }
    return {};
}

std::vector<LandscapeNote> LandscapeNotes(const CheckedLandscape& c, const char* path) {
    std::vector<LandscapeNote> notes;
    if (!c.Usable()) {
        static const char* const kKinds[] = {"none", "short_header", "negative_block_count", "negative_country_count",
                                             "negative_material_count", "short_file", "not_a_landscape"};
        notes.push_back({kKinds[int(c.fault)], NoteSeverity::Error, false, 1, FaultLine(c, path)});
        return notes;
    }
    auto warn = [&](const char* kind, bool changesPicture, uint64_t count, std::string line) {
        notes.push_back({kind, NoteSeverity::Warning, changesPicture, count, std::move(line)});
    };
    const RecordFaults& f = c.faults;
    const uint32_t count = c.counts.loResTextureCount;
    const uint32_t walked = uint32_t(c.loResRecords.size());
    if (walked < count)
        warn("record_size_leaves_file", true, count - walked,
             FormatText("WARNING : %s : LoRes texture %" PRIu32 " has RecordSize %" PRId32
                        " which leads outside the file; %" PRIu32 " of %" PRIu32 " LoRes textures uploaded",
                        path, f.walkStopIndex, f.walkStopRecordSize, walked, count));
    if (f.walkOffStride)
        warn("record_size_off_stride", true, f.walkOffStride,
             FormatText("WARNING : %s : %" PRIu32 " LoRes textures lie elsewhere when walked by RecordSize"
                        " than by the fixed stride; the terrain shows the walked records, the DDS files"
                        " hold the fixed-stride ones",
                        path, f.walkOffStride));
    if (f.ddsSizeMismatches)
        warn("dds_size_not_256", true, f.ddsSizeMismatches,
             FormatText("WARNING : %s : %" PRIu32 " LoRes textures have a DdsHeader size other than 256 x 256;"
                        " read as 256 x 256",
                        path, f.ddsSizeMismatches));
    if (f.countryIndexBeyond)
        warn("country_index_beyond", true, f.countryIndexBeyond,
             FormatText("WARNING : %s : %" PRIu64 " cells have a CountryIndex at or above the country count %" PRId32
                        "; %s",
                        path, f.countryIndexBeyond, c.counts.countryCount,
                        c.counts.countryCount == 0 ? "there is no country, so their material is mid-grey"
                                               : "the last country is used"));
    if (f.materialIndexBeyond)
        warn("material_index_beyond", true, f.materialIndexBeyond,
             FormatText("WARNING : %s : %" PRIu64
                        " country entries name a material at or above the material count %" PRId32 "; %s",
                        path, f.materialIndexBeyond, c.counts.materialCount,
                        c.counts.materialCount == 0 ? "there is no material, so they give mid-grey"
                                                    : "the last material is used"));
    if (f.blocksBeyondMap)
        warn("blocks_beyond_map", true, uint64_t(f.blocksBeyondMap),
             FormatText("WARNING : %s : %" PRId32 " blocks, but a map byte names block %" PRId32
                        " at most; the %" PRId32 " blocks past it are skipped",
                        path, c.blockCount, kMostMapBlocks, f.blocksBeyondMap));
    if (f.recordSizeOther)
        warn("record_size_not_65664", false, f.recordSizeOther,
             FormatText("WARNING : %s : %" PRIu32 " LoRes textures have a RecordSize other than %" PRId32, path,
                        f.recordSizeOther, kLoResStoredRecordSize));
    if (f.ddsNotDxt3)
        warn("dds_header_not_dxt3_256", false, f.ddsNotDxt3,
             FormatText("WARNING : %s : %" PRIu32 " LoRes textures have a DdsHeader that does not describe a 256 x 256"
                        " DXT3 image",
                        path, f.ddsNotDxt3));
    if (f.blendWeightAbove255)
        warn("blend_weight_above_255", false, f.blendWeightAbove255,
             FormatText("WARNING : %s : %" PRIu64 " country entries have a BlendWeight above 255", path,
                        f.blendWeightAbove255));
    if (f.loResIndexBeyond)
        warn("lores_index_beyond", true, f.loResIndexBeyond,
             FormatText("WARNING : %s : %" PRIu32
                        " blocks have a LoResTextureIndex that names no LoRes texture (count %" PRIu32 ")",
                        path, f.loResIndexBeyond, c.counts.loResTextureCount));
    if (f.mapPlacesBeyond)
        warn("map_place_beyond_block_count", false, f.mapPlacesBeyond,
             FormatText("WARNING : %s : %" PRIu32 " BlockMap places name a block beyond the block count", path,
                        f.mapPlacesBeyond));
    return notes;
}

std::vector<std::string> RecordWarningLines(const CheckedLandscape& c, const char* path) {
    std::vector<std::string> lines;
    for (LandscapeNote& note : LandscapeNotes(c, path))
        if (note.severity == NoteSeverity::Warning && note.changesPicture) lines.push_back(std::move(note.line));
    return lines;
}

std::vector<std::string> InvariantWarningLines(const CheckedLandscape& c, const char* path) {
    std::vector<std::string> lines;
    for (LandscapeNote& note : LandscapeNotes(c, path))
        if (note.severity == NoteSeverity::Warning && !note.changesPicture) lines.push_back(std::move(note.line));
    return lines;
}
