// lnd_check.cpp -- validation of a whole landscape file and its diagnostic lines.
#include "landscape/lnd_check.h"

#include <cinttypes>
#include <cstdarg>
#include <cstdio>

int64_t NextLoResRecord(const uint8_t* file, uint64_t length, uint64_t record) {
    int64_t next = int64_t(record) + int64_t(kLoResRecordSize) + int64_t(LoResRecordSize(file + record));
    if (next < 0 || !InBounds(length, uint64_t(next), kLoResTextureSize)) return -1;
    return next;
}

static void CheckLoResRecords(const uint8_t* file, LandscapeCheck& c) {
    const uint32_t count = c.counts.loResTextureCount;
    // Fixed stride: every record lies inside the file once the areas fit.
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* record = file + c.areas.loResArea + kLoResTextureSize * i;
        if (LoResRecordSize(record) != kLoResStoredRecordSize) ++c.recordSizeOther;
        if (!DdsHeaderIsDxt3_256(record + kLoResDdsHeader)) ++c.ddsNotDxt3;
    }
    // Walk by size, as the upload does.
    uint64_t record = c.areas.loResArea;
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* r = file + record;
        ++c.uploadWalkCount;
        if (LoResHeight(r) != uint32_t(kLoResSide) || LoResWidth(r) != uint32_t(kLoResSide)) ++c.ddsSizeMismatches;
        if (i + 1 == count) break;
        int64_t next = NextLoResRecord(file, c.length, record);
        if (next < 0) {
            c.walkStopIndex = i;
            c.walkStopRecordSize = LoResRecordSize(r);
            break;
        }
        record = uint64_t(next);
    }
}

static void CheckBlocksAndCountries(const uint8_t* file, LandscapeCheck& c) {
    for (int32_t k = 0; k < c.blockCount; ++k) {
        const uint8_t* block = file + c.areas.blockArea + kBlockSize * uint64_t(k);
        for (int r = 0; r < kBlockGridPoints; ++r)
            for (int col = 0; col < kBlockGridPoints; ++col)
                if (CellCountryIndex(block, r, col) >= c.counts.countryCount) ++c.countryIndexBeyond;
        int32_t lores = BlockLoResTextureIndex(block);
        if (lores < 0 || uint32_t(lores) >= c.counts.loResTextureCount) ++c.loResIndexBeyond;
    }
    const uint32_t materials = uint32_t(c.counts.materialCount);
    for (int32_t k = 0; k < c.counts.countryCount; ++k) {
        const uint8_t* country = file + c.areas.countryArea + kCountrySize * uint64_t(k);
        for (int h = 0; h < kCountryEntryCount; ++h) {
            const uint8_t* e = CountryEntryAt(country, h);
            if (EntryMaterialA(e) >= materials || EntryMaterialB(e) >= materials) ++c.materialIndexBeyond;
            if (EntryBlendWeight(e) > 255) ++c.blendWeightAbove255;
        }
    }
}

LandscapeCheck CheckLandscape(const uint8_t* file, uint64_t length) {
    LandscapeCheck c;
    c.length = length;
    if (length < kHeaderSize) {
        c.fault = LandscapeFault::ShortHeader;
        return c;
    }
    c.counts = ReadLandscapeCounts(file);
    c.blockCount = int32_t(int64_t(c.counts.blockCountPlusOne) - 1);
    if (c.counts.blockCountPlusOne < 1) c.fault = LandscapeFault::NegativeBlockCount;
    else if (c.counts.countryCount < 0) c.fault = LandscapeFault::NegativeCountryCount;
    else if (c.counts.materialCount < 0) c.fault = LandscapeFault::NegativeMaterialCount;
    if (c.fault != LandscapeFault::None) return c;

    c.areas = ComputeLandscapeAreas(c.blockCount, c.counts.countryCount, c.counts.materialCount,
                                    c.counts.loResTextureCount);
    if (c.areas.end > length) {
        c.fault = LandscapeFault::ShortFile;
        return c;
    }
    CheckLoResRecords(file, c);
    CheckBlocksAndCountries(file, c);
    return c;
}

static std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
static std::string Format(const char* fmt, ...) {
    char line[2048];
    va_list args;
    va_start(args, fmt);
    vsnprintf(line, sizeof line, fmt, args);
    va_end(args);
    return line;
}

std::string FaultLine(const LandscapeCheck& c, const char* path) {
    switch (c.fault) {
    case LandscapeFault::None:
        return {};
    case LandscapeFault::ShortHeader:
        return Format("ERROR : %s : file too short: the header needs %" PRIu64 " bytes, found %" PRIu64, path,
                      kHeaderSize, c.length);
    case LandscapeFault::NegativeBlockCount:
        return Format("ERROR : %s : negative block count (stored BlockCountPlusOne %" PRId32 ")", path,
                      c.counts.blockCountPlusOne);
    case LandscapeFault::NegativeCountryCount:
        return Format("ERROR : %s : negative country count %" PRId32, path, c.counts.countryCount);
    case LandscapeFault::NegativeMaterialCount:
        return Format("ERROR : %s : negative material count %" PRId32, path, c.counts.materialCount);
    case LandscapeFault::ShortFile:
        return Format("ERROR : %s : file too short: the counts need %" PRIu64 " bytes, found %" PRIu64, path,
                      c.areas.end, c.length);
    }
    return {};
}

std::vector<std::string> RecordWarningLines(const LandscapeCheck& c, const char* path) {
    std::vector<std::string> lines;
    if (c.fault != LandscapeFault::None) return lines;
    const uint32_t count = c.counts.loResTextureCount;
    if (c.uploadWalkCount < count)
        lines.push_back(Format("WARNING : %s : LoRes texture %" PRIu32 " has RecordSize %" PRId32
                               " which leads outside the file; %" PRIu32 " of %" PRIu32 " LoRes textures uploaded",
                               path, c.walkStopIndex, c.walkStopRecordSize, c.uploadWalkCount, count));
    if (c.ddsSizeMismatches)
        lines.push_back(Format("WARNING : %s : %" PRIu32 " LoRes textures have a DdsHeader size other than 256 x 256;"
                               " read as 256 x 256",
                               path, c.ddsSizeMismatches));
    if (c.countryIndexBeyond)
        lines.push_back(Format("WARNING : %s : %" PRIu64 " cells have a CountryIndex at or above the country count %" PRId32
                               "; the last country is used",
                               path, c.countryIndexBeyond, c.counts.countryCount));
    if (c.materialIndexBeyond)
        lines.push_back(Format("WARNING : %s : %" PRIu64 " country entries name a material at or above the material count %" PRId32
                               "; the last material is used",
                               path, c.materialIndexBeyond, c.counts.materialCount));
    return lines;
}

std::vector<std::string> InvariantWarningLines(const LandscapeCheck& c, const char* path) {
    std::vector<std::string> lines;
    if (c.fault != LandscapeFault::None) return lines;
    if (c.recordSizeOther)
        lines.push_back(Format("WARNING : %s : %" PRIu32 " LoRes textures have a RecordSize other than %" PRId32, path,
                               c.recordSizeOther, kLoResStoredRecordSize));
    if (c.ddsNotDxt3)
        lines.push_back(Format("WARNING : %s : %" PRIu32 " LoRes textures have a DdsHeader that does not describe a 256 x 256 DXT3 image",
                               path, c.ddsNotDxt3));
    if (c.blendWeightAbove255)
        lines.push_back(Format("WARNING : %s : %" PRIu64 " country entries have a BlendWeight above 255", path,
                               c.blendWeightAbove255));
    if (c.loResIndexBeyond)
        lines.push_back(Format("WARNING : %s : %" PRIu32 " blocks have a LoResTextureIndex that names no LoRes texture (count %" PRIu32 ")",
                               path, c.loResIndexBeyond, c.counts.loResTextureCount));
    return lines;
}
