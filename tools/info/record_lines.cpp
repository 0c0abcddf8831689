// record_lines.cpp -- the listing of every record, one fact a line.
#include "tools/info/record_lines.h"

#include <algorithm>
#include <cinttypes>

#include "landscape/formatted_text.h"
#include "landscape/lnd_fields.h"
#include "tools/common/json_text.h"
#include "tools/common/sha256.h"

namespace {

std::string Sha(const uint8_t* bytes, uint64_t size) { return Sha256Hex(bytes, size_t(size)); }

// Short reserved fields as hex; "zero" when every byte is 0, so the common
// case reads at a glance.
std::string Reserved(const uint8_t* bytes, uint64_t size) {
    if (std::all_of(bytes, bytes + size, [](uint8_t b) { return b == 0; })) return "zero";
    return HexBytes(bytes, size_t(size));
}

// A block's reserved fields and the reserved bits of its cells, as one
// checksum (or "zero").
std::string BlockReserved(const uint8_t* block) {
    std::string bytes;
    for (const FieldSpec& field : kBlockRecord) {
        const uint8_t* at = block + field.offset;
        if (field.kind == FieldKind::Reserved) bytes.append(at, at + field.size);
        if (field.kind == FieldKind::Cells)
            for (uint64_t i = 0; i < field.size; ++i)
                if (CellReservedMask(i % kCellSize) != 0) bytes += char(at[i] & CellReservedMask(i % kCellSize));
    }
    const uint8_t* data = reinterpret_cast<const uint8_t*>(bytes.data());
    if (std::all_of(bytes.begin(), bytes.end(), [](char b) { return b == 0; })) return "zero";
    return "sha256 " + Sha(data, bytes.size());
}

std::string FloatText(float value) { return Float32Json(value).dump(); }

void HeaderLines(const CheckedLandscape& c, std::string* out) {
    AppendLine(out, "header reserved %s", Reserved(c.bytes + kHeaderReservedOffset, kHeaderReservedSize).c_str());
    for (int row = 0; row < kBlockMapSide; ++row) {
        std::string values;
        for (int column = 0; column < kBlockMapSide; ++column)
            values += FormatText(" %3u", BlockMapAt(c.bytes, row, column));
        AppendLine(out, "map %2d:%s", row, values.c_str());
    }
}

void LoResLines(const CheckedLandscape& c, std::string* out) {
    for (uint32_t i = 0; i < c.counts.loResTextureCount; ++i) {
        const uint8_t* r = c.StrideLoResRecord(i);
        AppendLine(out, "lores %" PRIu32 " reserved %s", i, Reserved(r, kRecordSizeOffset).c_str());
        AppendLine(out, "lores %" PRIu32 " record_size %" PRId32, i, LoResRecordSize(r));
        AppendLine(out, "lores %" PRIu32 " dds_size %" PRIu32 " x %" PRIu32 "%s", i, LoResWidth(r), LoResHeight(r),
                   DdsHeaderIsDxt3_256(r + kDdsHeaderOffset) ? " DXT3" : " (not a 256 x 256 DXT3 header)");
        AppendLine(out, "lores %" PRIu32 " dds_header sha256 %s", i, Sha(r + kDdsHeaderOffset, kDdsHeaderSize).c_str());
        AppendLine(out, "lores %" PRIu32 " image sha256 %s", i, Sha(r + kImageDataOffset, kLoResImageSize).c_str());
    }
}

// Each cell's country (hex digit) and the diagonal its split flag cuts the
// quad along, as drawn with row 0 at the top: '/' set, '\' clear.
void BlockLines(const CheckedLandscape& c, std::string* out) {
    for (int32_t k = 0; k < c.blockCount; ++k) {
        const uint8_t* b = c.Block(k);
        AppendLine(out, "block %" PRId32 " lores_index %" PRId32, k, BlockLoResTextureIndex(b));
        AppendLine(out, "block %" PRId32 " texture_origin %s %s", k, FloatText(BlockTextureOriginS(b)).c_str(),
                   FloatText(BlockTextureOriginT(b)).c_str());
        AppendLine(out, "block %" PRId32 " reserved %s", k, BlockReserved(b).c_str());
        for (int r = 0; r < kBlockGridPoints; ++r) {
            std::string values;
            for (int col = 0; col < kBlockGridPoints; ++col) values += FormatText(" %3u", CellAltitude(b, r, col));
            AppendLine(out, "block %" PRId32 " altitude %2d:%s", k, r, values.c_str());
        }
        for (int r = 0; r < kBlockGridPoints; ++r) {
            std::string values;
            for (int col = 0; col < kBlockGridPoints; ++col)
                values += FormatText(" %x%c", CellCountryIndex(b, r, col), CellSplitFlag(b, r, col) ? '/' : '\\');
            AppendLine(out, "block %" PRId32 " country %2d:%s", k, r, values.c_str());
        }
    }
}

// Entries as runs of equal entries over the altitudes.
void CountryLines(const CheckedLandscape& c, std::string* out) {
    for (int32_t k = 0; k < c.counts.countryCount; ++k) {
        const uint8_t* country = c.CountryArea() + kCountrySize * uint64_t(k);
        AppendLine(out, "country %" PRId32 " reserved %s", k, Reserved(country, kEntriesOffset).c_str());
        for (int h = 0; h < kCountryEntryCount;) {
            const uint8_t* e = CountryEntryAt(country, h);
            int last = h;
            while (last + 1 < kCountryEntryCount &&
                   std::equal(e, e + kCountryEntrySize, CountryEntryAt(country, last + 1)))
                ++last;
            const std::string altitudes = h == last ? std::to_string(h) : FormatText("%d-%d", h, last);
            AppendLine(out, "country %" PRId32 " entries %s: %" PRIu32 " %" PRIu32 " %" PRIu32, k, altitudes.c_str(),
                       EntryMaterialA(e), EntryMaterialB(e), EntryBlendWeight(e));
            h = last + 1;
        }
    }
}

}  // namespace

std::string FormatRecordLines(const CheckedLandscape& c) {
    std::string out;
    const bool countsKnown = c.fault != LandscapeFault::ShortHeader;
    AppendLine(&out, "length %" PRIu64, c.length);
    if (countsKnown) {
        AppendLine(&out, "blocks %" PRId64, c.counts.StoredBlockCount());
        AppendLine(&out, "countries %" PRId32, c.counts.countryCount);
        AppendLine(&out, "materials %" PRId32, c.counts.materialCount);
        AppendLine(&out, "lores_textures %" PRIu32, c.counts.loResTextureCount);
    }
    const std::vector<LandscapeNote> notes = LandscapeNotes(c, "");
    if (notes.empty()) AppendLine(&out, "faults none");
    for (const LandscapeNote& note : notes)
        AppendLine(&out, "fault %s %s %" PRIu64, note.kind, note.severity == NoteSeverity::Error ? "error" : "warning",
                   note.count);
    if (!c.Usable()) {
        AppendLine(&out, "file sha256 %s", Sha(c.bytes, c.length).c_str());
        return out;
    }
    HeaderLines(c, &out);
    LoResLines(c, &out);
    BlockLines(c, &out);
    CountryLines(c, &out);
    for (int32_t m = 0; m < c.counts.materialCount; ++m) {
        const uint8_t* material = c.MaterialArea() + kMaterialSize * uint64_t(m);
        AppendLine(&out, "material %" PRId32 " reserved %s", m, Reserved(material, kTexelsOffset).c_str());
        AppendLine(&out, "material %" PRId32 " texels sha256 %s", m,
                   Sha(material + kTexelsOffset, kMaterialSize - kTexelsOffset).c_str());
    }
    AppendLine(&out, "detail_map sha256 %s", Sha(c.DetailMap(), kDetailMapSize).c_str());
    const uint64_t trailing = c.length - c.areas.end;
    if (trailing == 0)
        AppendLine(&out, "trailing none");
    else
        AppendLine(&out, "trailing %" PRIu64 " bytes sha256 %s", trailing,
                   Sha(c.bytes + c.areas.end, trailing).c_str());
    return out;
}
