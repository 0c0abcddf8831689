// landscape_diff.cpp -- two landscapes compared area by area, and the report
// of what differs as text lines and as one JSON document.
#include "tools/diff/landscape_diff.h"

#include <algorithm>
#include <charconv>
#include <cinttypes>
#include <cstdlib>
#include <cstring>

#include "landscape/formatted_text.h"
#include "landscape/lnd_fields.h"
#include "texture/dxt3.h"
#include "tools/common/json_text.h"

using nlohmann::ordered_json;

namespace {

bool SameBytes(const uint8_t* a, const uint8_t* b, uint64_t size) { return std::memcmp(a, b, size) == 0; }

uint64_t DifferingBytes(const uint8_t* a, const uint8_t* b, uint64_t size) {
    uint64_t n = 0;
    for (uint64_t i = 0; i < size; ++i) n += a[i] != b[i];
    return n;
}

// Bytes of a record's reserved fields that differ; of its cells, the bytes
// whose reserved bits differ.
uint64_t ReservedChanges(const RecordSpec& spec, const uint8_t* a, const uint8_t* b) {
    uint64_t n = 0;
    for (const FieldSpec& field : spec) {
        const uint8_t *fa = a + field.offset, *fb = b + field.offset;
        if (field.kind == FieldKind::Reserved) n += DifferingBytes(fa, fb, field.size);
        if (field.kind == FieldKind::Cells)
            for (uint64_t i = 0; i < field.size; ++i) n += ((fa[i] ^ fb[i]) & CellReservedMask(i % kCellSize)) != 0;
    }
    return n;
}

AreaRecords PairRecords(int64_t countA, int64_t countB) {
    AreaRecords r;
    if (countA > countB) r.only[0] = {countB, countA - 1};
    if (countB > countA) r.only[1] = {countA, countB - 1};
    return r;
}

uint32_t FloatBits(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    return bits;
}

void DiffHeader(const CheckedLandscape& a, const CheckedLandscape& b, LandscapeDiff* d) {
    for (int row = 0; row < kBlockMapSide; ++row)
        for (int column = 0; column < kBlockMapSide; ++column) {
            const uint8_t va = BlockMapAt(a.bytes, row, column), vb = BlockMapAt(b.bytes, row, column);
            if (va != vb) d->map.push_back({row, column, {va, vb}});
        }
    d->reserved.header = ReservedChanges(kHeaderRecord, a.bytes, b.bytes);
}

void DiffLoRes(const CheckedLandscape& a, const CheckedLandscape& b, LandscapeDiff* d) {
    const uint32_t both = std::min(a.counts.loResTextureCount, b.counts.loResTextureCount);
    d->loResRecords = PairRecords(a.counts.loResTextureCount, b.counts.loResTextureCount);
    for (uint32_t i = 0; i < both; ++i) {
        const uint8_t* ra = a.StrideLoResRecord(i);
        const uint8_t* rb = b.StrideLoResRecord(i);
        if (SameBytes(ra, rb, kLoResTextureSize)) continue;
        d->reserved.loRes += ReservedChanges(kLoResRecord, ra, rb);
        LoResChange change;
        change.index = i;
        change.recordSize[0] = LoResRecordSize(ra), change.recordSize[1] = LoResRecordSize(rb);
        change.ddsHeaderBytes =
            uint32_t(DifferingBytes(ra + kDdsHeaderOffset, rb + kDdsHeaderOffset, kDdsHeaderSize));
        for (uint64_t at = kImageDataOffset; at < kLoResTextureSize; at += 16)
            change.dxt3Blocks += !SameBytes(ra + at, rb + at, 16);
        if (change.dxt3Blocks) change.pixels = LoResPixelChanges(ra, rb, nullptr);
        if (change.recordSize[0] != change.recordSize[1] || change.ddsHeaderBytes || change.dxt3Blocks)
            d->loRes.push_back(change);
    }
}

void DiffBlock(int32_t k, const uint8_t* ba, const uint8_t* bb, LandscapeDiff* d) {
    BlockChange change;
    change.index = k;
    int largest = -1;
    for (int r = 0; r < kBlockGridPoints; ++r)
        for (int c = 0; c < kBlockGridPoints; ++c) {
            const CellChange cell = {r,
                                     c,
                                     {CellAltitude(ba, r, c), CellAltitude(bb, r, c)},
                                     {CellCountryIndex(ba, r, c), CellCountryIndex(bb, r, c)},
                                     {CellSplitFlag(ba, r, c), CellSplitFlag(bb, r, c)}};
            if (cell.altitude[0] == cell.altitude[1] && cell.country[0] == cell.country[1] &&
                cell.split[0] == cell.split[1])
                continue;
            ++change.cellsChanged;
            if (change.cells.size() <= kMostListedCells) change.cells.push_back(cell);
            const int step = std::abs(int(cell.altitude[1]) - int(cell.altitude[0]));
            if (step > largest) largest = step, change.largest = cell;
        }
    if (change.cellsChanged > kMostListedCells) change.cells.clear();
    d->reserved.blocks += ReservedChanges(kBlockRecord, ba, bb);
    change.loResIndex[0] = BlockLoResTextureIndex(ba), change.loResIndex[1] = BlockLoResTextureIndex(bb);
    change.originS[0] = BlockTextureOriginS(ba), change.originS[1] = BlockTextureOriginS(bb);
    change.originT[0] = BlockTextureOriginT(ba), change.originT[1] = BlockTextureOriginT(bb);
    change.placementChanged = change.loResIndex[0] != change.loResIndex[1] ||
                              FloatBits(change.originS[0]) != FloatBits(change.originS[1]) ||
                              FloatBits(change.originT[0]) != FloatBits(change.originT[1]);
    if (change.cellsChanged || change.placementChanged) d->blocks.push_back(std::move(change));
}

void DiffCountry(int32_t k, const uint8_t* ca, const uint8_t* cb, LandscapeDiff* d) {
    d->reserved.countries += ReservedChanges(kCountryRecord, ca, cb);
    CountryChange change;
    change.index = k;
    for (int h = 0; h < kCountryEntryCount; ++h) {
        if (SameBytes(CountryEntryAt(ca, h), CountryEntryAt(cb, h), kCountryEntrySize)) continue;
        ++change.entriesChanged;
        if (!change.altitudes.empty() && change.altitudes.back().second == h - 1)
            change.altitudes.back().second = h;
        else
            change.altitudes.push_back({h, h});
    }
    if (change.entriesChanged) d->countries.push_back(std::move(change));
}

template <typename Value>
ValuesChange DiffValues(int32_t index, int count, Value (*at)(const uint8_t*, int), const uint8_t* va,
                        const uint8_t* vb) {
    ValuesChange change;
    change.index = index;
    for (int i = 0; i < count; ++i) {
        const int x = at(va, i), y = at(vb, i);
        if (x == y) continue;
        ++change.changed;
        change.largest = std::max(change.largest, uint32_t(std::abs(y - x)));
    }
    return change;
}

uint16_t TexelAt(const uint8_t* material, int i) {
    return MaterialTexel(material, i / kMaterialSide, i % kMaterialSide);
}
uint8_t DetailByte(const uint8_t* detail, int i) { return detail[i]; }

void DiffRecords(const CheckedLandscape& a, const CheckedLandscape& b, LandscapeDiff* d) {
    d->blockRecords = PairRecords(a.blockCount, b.blockCount);
    for (int32_t k = 0; k < std::min(a.blockCount, b.blockCount); ++k)
        if (!SameBytes(a.Block(k), b.Block(k), kBlockSize)) DiffBlock(k, a.Block(k), b.Block(k), d);
    d->countryRecords = PairRecords(a.counts.countryCount, b.counts.countryCount);
    for (int32_t k = 0; k < std::min(a.counts.countryCount, b.counts.countryCount); ++k) {
        const uint8_t* ca = a.CountryArea() + kCountrySize * uint64_t(k);
        const uint8_t* cb = b.CountryArea() + kCountrySize * uint64_t(k);
        if (!SameBytes(ca, cb, kCountrySize)) DiffCountry(k, ca, cb, d);
    }
    d->materialRecords = PairRecords(a.counts.materialCount, b.counts.materialCount);
    for (int32_t m = 0; m < std::min(a.counts.materialCount, b.counts.materialCount); ++m) {
        const uint8_t* ma = a.MaterialArea() + kMaterialSize * uint64_t(m);
        const uint8_t* mb = b.MaterialArea() + kMaterialSize * uint64_t(m);
        if (SameBytes(ma, mb, kMaterialSize)) continue;
        d->reserved.materials += ReservedChanges(kMaterialRecord, ma, mb);
        const ValuesChange change = DiffValues<uint16_t>(m, kMaterialSide * kMaterialSide, TexelAt, ma, mb);
        if (change.changed) d->materials.push_back(change);
    }
    if (!SameBytes(a.DetailMap(), b.DetailMap(), kDetailMapSize))
        d->detail = DiffValues<uint8_t>(0, int(kDetailMapSize), DetailByte, a.DetailMap(), b.DetailMap());
    // Bytes only one file has count as changed too.
    const uint64_t common = std::min(d->trailing[0], d->trailing[1]);
    d->trailingChanged = DifferingBytes(a.bytes + a.areas.end, b.bytes + b.areas.end, common) +
                         std::max(d->trailing[0], d->trailing[1]) - common;
}

// ---------------------------------------------------------------------------
// Text
// ---------------------------------------------------------------------------

// The shortest decimal that reads back to the same float ("nan", "inf" for those).
std::string FloatText(float value) {
    char text[32];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

std::string RangeText(int64_t first, int64_t last) {
    return first == last ? std::to_string(first) : std::to_string(first) + "-" + std::to_string(last);
}

void OnlyInLines(std::string* out, const char* kind, const char* kinds, const AreaRecords& records,
                 const std::string* names) {
    for (int side = 0; side < 2; ++side) {
        const OnlyIn& only = records.only[side];
        if (only.Any())
            AppendLine(out, "%s %s: only in %s", only.first == only.last ? kind : kinds,
                       RangeText(only.first, only.last).c_str(), names[side].c_str());
    }
}

std::string CellText(const CellChange& cell) {
    std::string text = FormatText("cell %d,%d:", cell.row, cell.column);
    const char* comma = "";
    if (cell.altitude[0] != cell.altitude[1])
        text += FormatText(" altitude %u -> %u", cell.altitude[0], cell.altitude[1]), comma = ",";
    if (cell.country[0] != cell.country[1])
        text += FormatText("%s country %u -> %u", comma, cell.country[0], cell.country[1]), comma = ",";
    if (cell.split[0] != cell.split[1]) text += FormatText("%s split %d -> %d", comma, cell.split[0], cell.split[1]);
    return text;
}

}  // namespace

uint32_t LoResPixelChanges(const uint8_t* recordA, const uint8_t* recordB, uint8_t* changed_out) {
    std::vector<uint8_t> rgbaA(size_t(kLoResSide) * kLoResSide * 4), rgbaB(rgbaA.size());
    DecodeDxt3(recordA + kImageDataOffset, rgbaA.data(), kLoResSide, kLoResSide);
    DecodeDxt3(recordB + kImageDataOffset, rgbaB.data(), kLoResSide, kLoResSide);
    uint32_t n = 0;
    for (size_t p = 0; p < size_t(kLoResSide) * kLoResSide; ++p) {
        const bool differs = !SameBytes(&rgbaA[4 * p], &rgbaB[4 * p], 4);
        n += differs;
        if (changed_out) changed_out[p] = differs;
    }
    return n;
}

LandscapeDiff DiffLandscapes(const CheckedLandscape& a, const CheckedLandscape& b) {
    LandscapeDiff d;
    d.counts[0] = a.counts, d.counts[1] = b.counts;
    d.length[0] = a.length, d.length[1] = b.length;
    d.trailing[0] = a.length - a.areas.end, d.trailing[1] = b.length - b.areas.end;
    d.identical = a.length == b.length && SameBytes(a.bytes, b.bytes, a.length);
    if (d.identical) return d;
    DiffHeader(a, b, &d);
    DiffLoRes(a, b, &d);
    DiffRecords(a, b, &d);
    return d;
}

std::string FormatDiffText(const LandscapeDiff& d, const std::string& nameA, const std::string& nameB) {
    std::string out;
    if (d.identical) return out;
    const std::string names[2] = {nameA, nameB};
    const LandscapeCounts* c = d.counts;
    if (c[0].blockCountPlusOne != c[1].blockCountPlusOne)
        AppendLine(&out, "header: blocks %" PRId64 " -> %" PRId64, c[0].StoredBlockCount(), c[1].StoredBlockCount());
    if (c[0].countryCount != c[1].countryCount)
        AppendLine(&out, "header: countries %" PRId32 " -> %" PRId32, c[0].countryCount, c[1].countryCount);
    if (c[0].materialCount != c[1].materialCount)
        AppendLine(&out, "header: materials %" PRId32 " -> %" PRId32, c[0].materialCount, c[1].materialCount);
    if (c[0].loResTextureCount != c[1].loResTextureCount)
        AppendLine(&out, "header: LoRes textures %" PRIu32 " -> %" PRIu32, c[0].loResTextureCount,
                   c[1].loResTextureCount);
    for (const MapChange& m : d.map)
        AppendLine(&out, "header: map %d,%d: %u -> %u", m.row, m.column, m.value[0], m.value[1]);

    for (const LoResChange& l : d.loRes) {
        if (l.recordSize[0] != l.recordSize[1])
            AppendLine(&out, "lores %" PRIu32 ": RecordSize %" PRId32 " -> %" PRId32, l.index, l.recordSize[0],
                       l.recordSize[1]);
        if (l.ddsHeaderBytes)
            AppendLine(&out, "lores %" PRIu32 ": %" PRIu32 " DdsHeader bytes changed", l.index, l.ddsHeaderBytes);
        if (l.dxt3Blocks)
            AppendLine(&out, "lores %" PRIu32 ": %" PRIu32 " pixels changed in %" PRIu32 " DXT3 blocks", l.index,
                       l.pixels, l.dxt3Blocks);
    }
    OnlyInLines(&out, "lores", "lores", d.loResRecords, names);

    for (const BlockChange& b : d.blocks) {
        if (b.cellsChanged > kMostListedCells) {
            const CellChange& big = b.largest;
            if (big.altitude[0] != big.altitude[1])
                AppendLine(&out,
                           "block %" PRId32 ": %" PRIu32
                           " cells changed, the largest altitude change at cell %d,%d: %u -> %u",
                           b.index, b.cellsChanged, big.row, big.column, big.altitude[0], big.altitude[1]);
            else
                AppendLine(&out, "block %" PRId32 ": %" PRIu32 " cells changed, no altitude among them", b.index,
                           b.cellsChanged);
        }
        for (const CellChange& cell : b.cells)
            AppendLine(&out, "block %" PRId32 ": %s", b.index, CellText(cell).c_str());
        if (b.loResIndex[0] != b.loResIndex[1])
            AppendLine(&out, "block %" PRId32 ": LoRes index %" PRId32 " -> %" PRId32, b.index, b.loResIndex[0],
                       b.loResIndex[1]);
        if (FloatBits(b.originS[0]) != FloatBits(b.originS[1]) || FloatBits(b.originT[0]) != FloatBits(b.originT[1]))
            AppendLine(&out, "block %" PRId32 ": texture origin %s %s -> %s %s", b.index,
                       FloatText(b.originS[0]).c_str(), FloatText(b.originT[0]).c_str(),
                       FloatText(b.originS[1]).c_str(), FloatText(b.originT[1]).c_str());
    }
    OnlyInLines(&out, "block", "blocks", d.blockRecords, names);

    for (const CountryChange& country : d.countries) {
        std::string ranges;
        for (const auto& [first, last] : country.altitudes)
            ranges += (ranges.empty() ? "" : ", ") + RangeText(first, last);
        AppendLine(&out, "country %" PRId32 ": %" PRIu32 " entries changed, altitudes %s", country.index,
                   country.entriesChanged, ranges.c_str());
    }
    OnlyInLines(&out, "country", "countries", d.countryRecords, names);

    for (const ValuesChange& m : d.materials)
        AppendLine(&out, "material %" PRId32 ": %" PRIu32 " texels changed, the largest by %" PRIu32, m.index,
                   m.changed, m.largest);
    OnlyInLines(&out, "material", "materials", d.materialRecords, names);

    if (d.detail.changed)
        AppendLine(&out, "detail map: %" PRIu32 " bytes changed, the largest by %" PRIu32, d.detail.changed,
                   d.detail.largest);

    if (d.reserved.Total()) {
        const std::pair<const char*, uint64_t> kinds[] = {{"header", d.reserved.header},
                                                          {"lores", d.reserved.loRes},
                                                          {"blocks", d.reserved.blocks},
                                                          {"countries", d.reserved.countries},
                                                          {"materials", d.reserved.materials}};
        std::string list;
        for (const auto& [kind, n] : kinds)
            if (n) list += FormatText("%s%s %" PRIu64, list.empty() ? "" : ", ", kind, n);
        AppendLine(&out, "reserved bytes changed: %s", list.c_str());
    }
    if (d.trailing[0] != d.trailing[1])
        AppendLine(&out, "trailing bytes: %" PRIu64 " -> %" PRIu64, d.trailing[0], d.trailing[1]);
    // The line above tells the bytes only one file has; this one, those of
    // the rest that differ.
    const uint64_t lengthChange = std::max(d.trailing[0], d.trailing[1]) - std::min(d.trailing[0], d.trailing[1]);
    if (d.trailingChanged > lengthChange)
        AppendLine(&out, "trailing bytes: %" PRIu64 " changed", d.trailingChanged - lengthChange);
    return out;
}

namespace {

template <typename T>
ordered_json Pair(const T* sides) {
    return ordered_json::array({sides[0], sides[1]});
}

ordered_json OnlyInJson(const OnlyIn& only) {
    return only.Any() ? ordered_json::array({only.first, only.last}) : ordered_json();
}

ordered_json AreaJson(const AreaRecords& records, ordered_json changed) {
    return {{"only_in_a", OnlyInJson(records.only[0])},
            {"only_in_b", OnlyInJson(records.only[1])},
            {"changed", std::move(changed)}};
}

ordered_json CellJson(const CellChange& cell) {
    return {{"row", cell.row},
            {"column", cell.column},
            {"altitude", Pair(cell.altitude)},
            {"country", Pair(cell.country)},
            {"split", Pair(cell.split)}};
}

}  // namespace

std::string FormatDiffJson(const LandscapeDiff& d, const std::string& nameA, const std::string& nameB) {
    ordered_json doc;
    doc["a"] = nameA;
    doc["b"] = nameB;
    doc["identical"] = d.identical;
    const LandscapeCounts* c = d.counts;
    const int64_t blocks[2] = {c[0].StoredBlockCount(), c[1].StoredBlockCount()};
    const int32_t countries[2] = {c[0].countryCount, c[1].countryCount};
    const int32_t materials[2] = {c[0].materialCount, c[1].materialCount};
    const uint32_t loRes[2] = {c[0].loResTextureCount, c[1].loResTextureCount};
    doc["counts"] = {{"blocks", Pair(blocks)},
                     {"countries", Pair(countries)},
                     {"materials", Pair(materials)},
                     {"lores_textures", Pair(loRes)}};
    doc["length"] = Pair(d.length);
    ordered_json map = ordered_json::array();
    for (const MapChange& m : d.map) map.push_back({{"row", m.row}, {"column", m.column}, {"value", Pair(m.value)}});
    doc["map"] = std::move(map);

    ordered_json loResList = ordered_json::array();
    for (const LoResChange& l : d.loRes)
        loResList.push_back({{"index", l.index},
                             {"record_size", Pair(l.recordSize)},
                             {"dds_header_bytes", l.ddsHeaderBytes},
                             {"dxt3_blocks", l.dxt3Blocks},
                             {"pixels", l.pixels}});
    doc["lores"] = AreaJson(d.loResRecords, std::move(loResList));

    ordered_json blockList = ordered_json::array();
    for (const BlockChange& b : d.blocks) {
        ordered_json cells = ordered_json();
        if (b.cellsChanged <= kMostListedCells) {
            cells = ordered_json::array();
            for (const CellChange& cell : b.cells) cells.push_back(CellJson(cell));
        }
        blockList.push_back(
            {{"index", b.index},
             {"cells_changed", b.cellsChanged},
             {"cells", std::move(cells)},
             {"largest_altitude_change", b.cellsChanged ? CellJson(b.largest) : ordered_json()},
             {"lores_index", Pair(b.loResIndex)},
             {"texture_origin_s", ordered_json::array({Float32Json(b.originS[0]), Float32Json(b.originS[1])})},
             {"texture_origin_t", ordered_json::array({Float32Json(b.originT[0]), Float32Json(b.originT[1])})}});
    }
    doc["blocks"] = AreaJson(d.blockRecords, std::move(blockList));

    ordered_json countryList = ordered_json::array();
    for (const CountryChange& country : d.countries) {
        ordered_json ranges = ordered_json::array();
        for (const auto& [first, last] : country.altitudes) ranges.push_back(ordered_json::array({first, last}));
        countryList.push_back(
            {{"index", country.index}, {"entries_changed", country.entriesChanged}, {"altitudes", std::move(ranges)}});
    }
    doc["countries"] = AreaJson(d.countryRecords, std::move(countryList));

    ordered_json materialList = ordered_json::array();
    for (const ValuesChange& m : d.materials)
        materialList.push_back({{"index", m.index}, {"texels_changed", m.changed}, {"largest_change", m.largest}});
    doc["materials"] = AreaJson(d.materialRecords, std::move(materialList));
    doc["detail_map"] = d.detail.changed
                            ? ordered_json{{"bytes_changed", d.detail.changed}, {"largest_change", d.detail.largest}}
                            : ordered_json();
    doc["reserved_bytes"] = {{"header", d.reserved.header},
                             {"lores", d.reserved.loRes},
                             {"blocks", d.reserved.blocks},
                             {"countries", d.reserved.countries},
                             {"materials", d.reserved.materials}};
    doc["trailing_bytes"] = {{"length", Pair(d.trailing)}, {"changed", d.trailingChanged}};
    return DumpJson(doc);
}
