// info_report.cpp -- the facts of a landscape and their text and JSON forms.
#include "tools/info_report.h"

#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <set>

#include "landscape/formatted_text.h"

namespace {

// One character per class of 5 block numbers, so neighbouring blocks of a
// generated landscape read as regions: '0' is 1-5, '1' 6-10, ... 'O' 251-255.
constexpr char kClassAlphabet[] = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr int kBlocksPerClass = 5;

void Append(std::string* out, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
void Append(std::string* out, const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    out->append(FormatTextV(fmt, args));
    va_end(args);
}

char MapCharacter(uint8_t value, int32_t blockCount) {
    if (value == 0) return '.';
    if (value > blockCount) return '!';  // names no block
    return kClassAlphabet[(value - 1) / kBlocksPerClass];
}

// The block count the header stores, shown as it is even when it lies below
// INT32_MIN (a stored INT32_MIN).
int64_t StoredBlockCount(const CheckedLandscape& c) { return int64_t(c.counts.blockCountPlusOne) - 1; }

std::string JoinNumbers(const std::vector<uint32_t>& numbers) {
    if (numbers.empty()) return "none";
    std::string s;
    for (uint32_t n : numbers) s += (s.empty() ? "" : " ") + std::to_string(n);
    return s;
}

// Countries named by the cells of the blocks, and materials named by the
// entries of those countries that exist.
void CollectUsage(const CheckedLandscape& c, InfoReport* report) {
    std::set<uint32_t> countries, materials;
    for (int32_t k = 0; k < c.blockCount; ++k) {
        const uint8_t* block = c.Block(k);
        for (int r = 0; r < kBlockGridPoints; ++r)
            for (int col = 0; col < kBlockGridPoints; ++col) countries.insert(CellCountryIndex(block, r, col));
    }
    for (uint32_t k : countries) {
        if (k >= uint32_t(c.counts.countryCount)) continue;
        const uint8_t* country = c.CountryArea() + kCountrySize * k;
        for (int h = 0; h < kCountryEntryCount; ++h) {
            const uint8_t* e = CountryEntryAt(country, h);
            const uint32_t w = EntryBlendWeight(e);
            // A weight of 255 takes MaterialA alone, 0 MaterialB alone.
            if (w != 0) materials.insert(EntryMaterialA(e));
            if (w != 255) materials.insert(EntryMaterialB(e));
        }
    }
    report->countriesUsed.assign(countries.begin(), countries.end());
    report->materialsUsed.assign(materials.begin(), materials.end());
}

// The length of the well-formed UTF-8 sequence at text[at], or 0.
size_t Utf8Length(const std::string& text, size_t at) {
    const unsigned char lead = (unsigned char)text[at];
    const size_t length = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 && lead <= 0xDF ? 2 : 0;
    if (length == 0 || at + length > text.size()) return 0;
    for (size_t k = 1; k < length; ++k)
        if (((unsigned char)text[at + k] & 0xC0) != 0x80) return 0;
    const unsigned char second = (unsigned char)text[at + 1];
    // No overlong forms, surrogates or values past U+10FFFF.
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0) || (lead == 0xF0 && second < 0x90) ||
        (lead == 0xF4 && second >= 0x90))
        return 0;
    return length;
}

// A JSON string: quotes, backslashes and control characters escaped, UTF-8
// kept as it is, and a byte that is no part of UTF-8 (a path in another
// encoding) as U+FFFD, so the document is always valid.
std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (size_t at = 0; at < text.size();) {
        const unsigned char ch = (unsigned char)text[at];
        if (ch >= 0x80) {
            const size_t length = Utf8Length(text, at);
            out += length ? text.substr(at, length) : "\\ufffd";
            at += length ? length : 1;
            continue;
        }
        if (ch == '"') out += "\\\"";
        else if (ch == '\\') out += "\\\\";
        else if (ch == '\n') out += "\\n";
        else if (ch < 0x20 || ch == 0x7F) Append(&out, "\\u%04x", unsigned(ch));
        else out += char(ch);
        ++at;
    }
    return out + "\"";
}

std::string JsonNumbers(const std::vector<uint32_t>& numbers) {
    std::string s = "[";
    for (size_t i = 0; i < numbers.size(); ++i) s += (i ? ", " : "") + std::to_string(numbers[i]);
    return s + "]";
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
    return report;
}

std::string FormatInfoText(const InfoReport& report) {
    const CheckedLandscape& c = report.landscape;
    std::string out;
    Append(&out, "File                    : %s\n", report.path.c_str());
    if (!report.countsKnown) {
        Append(&out, "Length                  : %" PRIu64 " bytes\n", c.length);
    } else {
        Append(&out, "Number of Blocks        : %" PRId64 "\n", StoredBlockCount(c));
        Append(&out, "Number of Countries     : %i\n", c.counts.countryCount);
        Append(&out, "Number of Materials     : %i\n", c.counts.materialCount);
        Append(&out, "Number of LoResTextures : %" PRIu32 "\n", c.counts.loResTextureCount);
        if (report.areasKnown) {
            Append(&out, "Length                  : %" PRIu64 " bytes; the counts need %" PRIu64 "%s\n", c.length,
                   c.areas.end,
                   c.length == c.areas.end ? "" : c.length > c.areas.end ? " (trailing bytes are never read)" : "");
            Append(&out,
                   "Areas start at          : LoRes textures %" PRIu64 ", blocks %" PRIu64 ", countries %" PRIu64
                   ", materials %" PRIu64 ", detail map %" PRIu64 "\n",
                   c.areas.loResArea, c.areas.blockArea, c.areas.countryArea, c.areas.materialArea, c.areas.detailMap);
        } else {
            Append(&out, "Length                  : %" PRIu64 " bytes\n", c.length);
        }
        const int32_t blocks = c.Usable() ? c.blockCount : 0;
        out += "BlockMap (row 0 at the top, column 0 at the left; '.' empty, '!' names no block,\n"
               "          '0' blocks 1-5, '1' 6-10, ... 'a' 51-55, ... 'A' 181-185, ... 'O' 251-255):\n";
        for (int b = 0; b < kBlockMapSide; ++b) {
            char row[kBlockMapSide + 1];
            for (int a = 0; a < kBlockMapSide; ++a) row[a] = MapCharacter(BlockMapAt(c.bytes, b, a), blocks);
            row[kBlockMapSide] = 0;
            Append(&out, "  %2d %s\n", b, row);
        }
        if (c.Usable()) {
            Append(&out, "Countries used by cells : %s\n", JoinNumbers(report.countriesUsed).c_str());
            Append(&out, "Materials used          : %s\n", JoinNumbers(report.materialsUsed).c_str());
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
    std::string out = "{\n";
    out += "  \"file\": " + JsonString(report.path) + ",\n";
    Append(&out, "  \"length\": %" PRIu64 ",\n", c.length);
    if (report.areasKnown) Append(&out, "  \"needed_length\": %" PRIu64 ",\n", c.areas.end);
    else out += "  \"needed_length\": null,\n";
    if (report.countsKnown)
        Append(&out,
               "  \"counts\": {\"blocks\": %" PRId64 ", \"countries\": %" PRId32 ", \"materials\": %" PRId32
               ", \"lores_textures\": %" PRIu32 "},\n",
               StoredBlockCount(c), c.counts.countryCount, c.counts.materialCount, c.counts.loResTextureCount);
    else out += "  \"counts\": null,\n";
    if (report.areasKnown)
        Append(&out,
               "  \"areas\": {\"lores_textures\": %" PRIu64 ", \"blocks\": %" PRIu64 ", \"countries\": %" PRIu64
               ", \"materials\": %" PRIu64 ", \"detail_map\": %" PRIu64 ", \"end\": %" PRIu64 "},\n",
               c.areas.loResArea, c.areas.blockArea, c.areas.countryArea, c.areas.materialArea, c.areas.detailMap,
               c.areas.end);
    else out += "  \"areas\": null,\n";
    if (report.countsKnown) {
        out += "  \"block_map\": [\n";
        for (int b = 0; b < kBlockMapSide; ++b) {
            out += "    [";
            for (int a = 0; a < kBlockMapSide; ++a) Append(&out, a ? ", %u" : "%u", unsigned(BlockMapAt(c.bytes, b, a)));
            out += b + 1 < kBlockMapSide ? "],\n" : "]\n";
        }
        out += "  ],\n";
    } else {
        out += "  \"block_map\": null,\n";
    }
    out += "  \"countries_used\": " + JsonNumbers(report.countriesUsed) + ",\n";
    out += "  \"materials_used\": " + JsonNumbers(report.materialsUsed) + ",\n";
    out += "  \"faults\": [";
    for (size_t i = 0; i < report.notes.size(); ++i) {
        const LandscapeNote& note = report.notes[i];
        out += i ? ",\n    " : "\n    ";
        Append(&out, "{\"kind\": \"%s\", \"severity\": \"%s\", \"message\": ", note.kind,
               note.severity == NoteSeverity::Error ? "error" : "warning");
        out += JsonString(note.line);
        Append(&out, ", \"count\": %" PRIu64 "}", note.count);
    }
    out += report.notes.empty() ? "]\n" : "\n  ]\n";
    return out + "}\n";
}
