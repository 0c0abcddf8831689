// info_report.cpp -- the facts of a landscape and their text and JSON forms.
#include "tools/info/info_report.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

#include "landscape/formatted_text.h"
#include "tools/common/json_text.h"

using nlohmann::ordered_json;

namespace {

// One character per class of 5 block numbers, so neighbouring blocks of a
// generated landscape read as regions: '0' is 1-5, '1' 6-10, ... 'O' 251-255.
constexpr char kClassAlphabet[] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr int kBlocksPerClass = 5;

char MapCharacter(uint8_t value, int32_t blockCount) {
    if (value == 0) return '.';
    if (value > blockCount) return '!';  // names no block
    return kClassAlphabet[(value - 1) / kBlocksPerClass];
}

std::string JoinNumbers(const std::vector<uint32_t>& numbers) {
    if (numbers.empty()) return "none";
    std::string s;
    for (uint32_t n : numbers) s += (s.empty() ? "" : " ") + std::to_string(n);
    return s;
}

// Countries named by the cells of the blocks, and materials named by the
// entries of those countries that exist. A cell names one of 16 countries, so
// a mask gathers them; the materials, at most two per entry of those
// countries, are sorted once at the end.
void CollectUsage(const CheckedLandscape& c, InfoReport* report) {
    uint32_t named = 0;  // bit k: some cell names country k
    for (int32_t k = 0; k < c.blockCount; ++k) {
        const uint8_t* block = c.Block(k);
        for (int r = 0; r < kBlockGridPoints; ++r)
            for (int col = 0; col < kBlockGridPoints; ++col) named |= 1u << CellCountryIndex(block, r, col);
    }
    std::vector<uint32_t>& materials = report->materialsUsed;
    for (uint32_t k = 0; k < uint32_t(kPaletteCountries); ++k) {
        if (!(named & (1u << k))) continue;
        report->countriesUsed.push_back(k);
        if (k < uint32_t(c.counts.countryCount)) AppendCountryMaterials(c.CountryArea() + kCountrySize * k, &materials);
    }
    std::sort(materials.begin(), materials.end());
    materials.erase(std::unique(materials.begin(), materials.end()), materials.end());
}

}  // namespace

InfoReport BuildInfoReport(const char* path, const uint8_t* bytes, uint64_t length) {
    InfoReport report;
    report.path = path;
    report.landscape = CheckLandscape(bytes, length);
    const CheckedLandscape& c = report.landscape;
    // A file that is no landscape has counts of no meaning: they, the areas
    // and the map are left out.
    report.countsKnown = c.fault != LandscapeFault::ShortHeader && c.fault != LandscapeFault::NotALandscape;
    report.areasKnown = c.Usable() || c.fault == LandscapeFault::ShortFile;
    if (c.Usable()) CollectUsage(c, &report);
    report.notes = LandscapeNotes(c, path);
    if (c.Usable()) report.seams = FindSeamFaults(c);
    if (!report.seams.faults.empty())
        report.notes.push_back(
            {"seam_faults", NoteSeverity::Warning, false, report.seams.Total(), SeamWarningLine(report.seams, path)});
    return report;
}

std::string FormatInfoText(const InfoReport& report) {
    const CheckedLandscape& c = report.landscape;
    std::string out;
    AppendText(&out, "File                    : %s\n", report.path.c_str());
    if (!report.countsKnown) {
        AppendText(&out, "Length                  : %" PRIu64 " bytes\n", c.length);
    } else {
        AppendText(&out, "Number of Blocks        : %" PRId64 "\n", c.counts.StoredBlockCount());
        AppendText(&out, "Number of Countries     : %i\n", c.counts.countryCount);
        AppendText(&out, "Number of Materials     : %i\n", c.counts.materialCount);
        AppendText(&out, "Number of LoResTextures : %" PRIu32 "\n", c.counts.loResTextureCount);
        if (report.areasKnown) {
            AppendText(&out, "Length                  : %" PRIu64 " bytes; the counts need %" PRIu64 "%s\n", c.length,
                       c.areas.end,
                       c.length == c.areas.end ? "" : c.length > c.areas.end ? " (trailing bytes are never read)" : "");
            AppendText(&out,
                       "Areas start at          : LoRes textures %" PRIu64 ", blocks %" PRIu64 ", countries %" PRIu64
                       ", materials %" PRIu64 ", detail map %" PRIu64 "\n",
                       c.areas.loResArea, c.areas.blockArea, c.areas.countryArea, c.areas.materialArea,
                       c.areas.detailMap);
        } else {
            AppendText(&out, "Length                  : %" PRIu64 " bytes\n", c.length);
        }
        const int32_t blocks = c.Usable() ? c.blockCount : 0;
        out += "BlockMap (row 0 at the top, column 0 at the left; '.' empty, '!' names no block,\n"
               "          '0' blocks 1-5, '1' 6-10, ... 'a' 51-55, ... 'A' 181-185, ... 'O' 251-255):\n";
        for (int b = 0; b < kBlockMapSide; ++b) {
            char row[kBlockMapSide + 1];
            for (int a = 0; a < kBlockMapSide; ++a) row[a] = MapCharacter(BlockMapAt(c.bytes, b, a), blocks);
            row[kBlockMapSide] = 0;
            AppendText(&out, "  %2d %s\n", b, row);
        }
        if (c.Usable()) {
            AppendText(&out, "Countries used by cells : %s\n", JoinNumbers(report.countriesUsed).c_str());
            AppendText(&out, "Materials used          : %s\n", JoinNumbers(report.materialsUsed).c_str());
        }
    }
    if (report.notes.empty()) {
        out += "Faults                  : none\n";
    } else {
        out += "Faults:\n";
        for (const LandscapeNote& note : report.notes) out += "  " + note.line + "\n";
    }
    return out;
}

std::string FormatInfoJson(const InfoReport& report) {
    const CheckedLandscape& c = report.landscape;
    ordered_json document;
    // A path that is no UTF-8 keeps its valid sequences; the dump makes each
    // stray byte U+FFFD.
    document["file"] = report.path;
    document["length"] = c.length;
    document["needed_length"] = report.areasKnown ? ordered_json(c.areas.end) : ordered_json();
    document["counts"] = ordered_json();
    if (report.countsKnown)
        document["counts"] = {{"blocks", c.counts.StoredBlockCount()},
                              {"countries", c.counts.countryCount},
                              {"materials", c.counts.materialCount},
                              {"lores_textures", c.counts.loResTextureCount}};
    document["areas"] = ordered_json();
    if (report.areasKnown)
        document["areas"] = {{"lores_textures", c.areas.loResArea}, {"blocks", c.areas.blockArea},
                             {"countries", c.areas.countryArea},    {"materials", c.areas.materialArea},
                             {"detail_map", c.areas.detailMap},      {"end", c.areas.end}};
    document["block_map"] = ordered_json();
    if (report.countsKnown) {
        ordered_json map = ordered_json::array();
        for (int b = 0; b < kBlockMapSide; ++b) {
            ordered_json row = ordered_json::array();
            for (int a = 0; a < kBlockMapSide; ++a) row.push_back(BlockMapAt(c.bytes, b, a));
            map.push_back(std::move(row));
        }
        document["block_map"] = std::move(map);
    }
    document["countries_used"] = report.countriesUsed;
    document["materials_used"] = report.materialsUsed;
    ordered_json faults = ordered_json::array();
    for (const LandscapeNote& note : report.notes)
        faults.push_back({{"kind", note.kind},
                          {"severity", note.severity == NoteSeverity::Error ? "error" : "warning"},
                          {"message", note.line},
                          {"count", note.count}});
    document["faults"] = std::move(faults);
    ordered_json seams = ordered_json::array();
    for (const SeamFault& fault : report.seams.faults) {
        ordered_json places = ordered_json::array(), values = ordered_json::array();
        for (int i = 0; i < fault.copyCount; ++i) {
            places.push_back({fault.copies[i].row, fault.copies[i].column});
            values.push_back(fault.values[i]);
        }
        seams.push_back({{"field", SeamFieldName(fault.field)},
                         {"sample", {fault.y, fault.x}},
                         {"places", std::move(places)},
                         {"values", std::move(values)}});
    }
    document["seam_faults"] = std::move(seams);
    return DumpJson(document);
}
