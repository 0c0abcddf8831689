// fuzz_oracle.cpp -- the fuzz targets' oracles that are too slow to build with
// coverage feedback: a strict JSON reader, the replacement of bytes that are
// no UTF-8, the usage gathered into sets, and the slow transcription of the
// material synthesis.
#include "fuzz_oracle.h"

#include <set>

#include <nlohmann/json.hpp>

#include "testing/material_reference.h"

std::string WithReplacementCharacters(const std::string& text) {
    std::string out;
    for (size_t at = 0; at < text.size();) {
        const uint8_t lead = uint8_t(text[at]);
        if (lead < 0x80) {
            out += text[at++];
            continue;
        }
        // Continuation bytes wanted, and the range of the first one (which
        // keeps out overlong forms, surrogates and code points past U+10FFFF).
        size_t wanted = 0;
        uint8_t low = 0x80, high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            wanted = 1;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            wanted = 2;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            wanted = 3;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        }
        size_t n = 1;
        for (; n <= wanted && at + n < text.size(); ++n) {
            const uint8_t next = uint8_t(text[at + n]);
            if (next < (n == 1 ? low : 0x80) || next > (n == 1 ? high : 0xBF)) break;
        }
        if (wanted > 0 && n == wanted + 1) out.append(text, at, n);
        else out += "\xEF\xBF\xBD";
        at += n;
    }
    return out;
}

void RequireInfoJson(const std::string& json, const InfoReport& report, const std::string& path) {
    FUZZ_REQUIRE(json.rfind("{\n", 0) == 0 && json.size() >= 4 && json.compare(json.size() - 2, 2, "}\n") == 0);
    // Escaped as promised: nothing below 0x20 but the layout's own newlines.
    for (unsigned char ch : json) FUZZ_REQUIRE(ch == '\n' || ch >= 0x20);
    const nlohmann::json document = nlohmann::json::parse(json, nullptr, false);
    FUZZ_REQUIRE(!document.is_discarded());
    FUZZ_REQUIRE(document["file"] == WithReplacementCharacters(path));
    FUZZ_REQUIRE(document["faults"].size() == report.notes.size());
    for (size_t n = 0; n < report.notes.size(); ++n)
        FUZZ_REQUIRE(document["faults"][n]["message"] == WithReplacementCharacters(report.notes[n].line));
}

void RequireUsage(const InfoReport& report) {
    const CheckedLandscape& c = report.landscape;
    std::set<uint32_t> countries, materials;
    for (int32_t k = 0; c.Usable() && k < c.blockCount; ++k)
        for (int r = 0; r < kBlockGridPoints; ++r)
            for (int col = 0; col < kBlockGridPoints; ++col) countries.insert(CellCountryIndex(c.Block(k), r, col));
    for (uint32_t k : countries) {
        if (k >= uint32_t(c.counts.countryCount)) continue;
        for (int h = 0; h < kCountryEntryCount; ++h) {
            const uint8_t* e = CountryEntryAt(c.CountryArea() + kCountrySize * k, h);
            if (EntryBlendWeight(e) != 0) materials.insert(EntryMaterialA(e));
            if (EntryBlendWeight(e) != 255) materials.insert(EntryMaterialB(e));
        }
    }
    FUZZ_REQUIRE(report.countriesUsed == std::vector<uint32_t>(countries.begin(), countries.end()));
    FUZZ_REQUIRE(report.materialsUsed == std::vector<uint32_t>(materials.begin(), materials.end()));
}

void RequireReferenceMaterial(const uint8_t* block, const MaterialSources& sources, const BlendWeightTable split,
                              const BlendWeightTable unsplit, const std::vector<uint16_t>& texels) {
    static std::vector<uint16_t> reference(kMaterialTextureTexels);
    material_reference::Synthesize(block, sources, split, unsplit, reference.data());
    FUZZ_REQUIRE(texels == reference);
}
