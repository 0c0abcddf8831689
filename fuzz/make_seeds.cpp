// make_seeds.cpp -- writes the fuzzers' small seeds: whole landscape files for
// fuzz_check (each behind a path), edit lists for fuzz_edits and
// fuzz_round_trip (each naming one fault the check or a later stage has to
// live with), the folder's PNG files for fuzz_png_read and file edits for
// fuzz_pack_folder.
//
//   fuzz_make_seeds CHECK_DIR EDITS_DIR ROUND_TRIP_DIR PNG_DIR FOLDER_DIR
#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "edit_list.h"
#include "image/png_write.h"
#include "landscape/lnd_format.h"
#include "small_landscape.h"
#include "tools/folder/landscape_folder.h"

namespace {

// The areas of the 2-of-everything landscape fuzz_edits starts from (see edit_list.h).
enum Area : uint8_t {
    kHeaderArea = 0,
    kLoRes0Head = 1,
    kLoRes1Head = 3,
    kBlock0 = 5,
    kBlock1 = 6,
    kCountry0 = 7,
    kDetail = 11,
    kAreaCount = 13,
};

std::vector<uint8_t> Le32(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; }

bool WriteSeed(const std::string& dir, const char* name, const std::vector<uint8_t>& bytes) {
    const std::string path = dir + "/" + name;
    FILE* out = std::fopen(path.c_str(), "wb");
    const bool ok = out && std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    if (out && std::fclose(out) != 0) return false;
    if (!ok) std::fprintf(stderr, "ERROR : %s : cannot write the seed\n", path.c_str());
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: fuzz_make_seeds CHECK_DIR EDITS_DIR ROUND_TRIP_DIR PNG_DIR FOLDER_DIR\n");
        return 2;
    }
    const std::string checkDir = argv[1], editsDir = argv[2], roundTripDir = argv[3], pngDir = argv[4],
                      folderDir = argv[5];
    const std::vector<uint8_t> base = MakeSmallLandscape(2, 2, 2, 2);
    if (EditAreasOf(base).size() != kAreaCount) {
        std::fprintf(stderr, "ERROR : fuzz_make_seeds : the starting landscape's areas changed\n");
        return 2;
    }
    const uint32_t baseLength = uint32_t(base.size());

    // Whole files behind the path they are named by (see fuzz_check.cpp): the
    // smallest the counts allow, so that a run is quick and -max_len small.
    // The paths are a plain one, UTF-8, and bytes that are no UTF-8.
    struct CheckSeed {
        const char* name;
        std::string path;
        std::vector<uint8_t> file;
    };
    const CheckSeed checkSeeds[] = {
        {"zero-counts", "fuzz.lnd", MakeSmallLandscape(0, 0, 0, 0)},
        {"one-block", "maps/\xC3\x8Ele verte.lnd", MakeSmallLandscape(1, 1, 0, 0)},
        {"one-lores", "\xF5\x80\x80.lnd", MakeSmallLandscape(1, 2, 0, 1)},
        {"two-lores", "cut \xE2\x82 \xF0\x9F\x8C\xB2\xED\xA0\x80.lnd", MakeSmallLandscape(2, 2, 0, 2)},
        // More blocks than a map byte can name: the blocks past the 255th.
        {"blocks-beyond-map", "", MakeSmallLandscape(256, 1, 0, 0)},
        {"header-short", "fuzz.lnd", std::vector<uint8_t>(kHeaderSize - 1, 0)},
    };
    bool ok = true;
    for (const CheckSeed& s : checkSeeds) {
        std::vector<uint8_t> input(1 + s.path.size() + s.file.size(), uint8_t(s.path.size()));
        std::copy(s.path.begin(), s.path.end(), input.begin() + 1);
        std::copy(s.file.begin(), s.file.end(), input.begin() + 1 + ptrdiff_t(s.path.size()));
        ok = ok && WriteSeed(checkDir, s.name, input);
    }

    struct EditSeed {
        const char* name;
        std::vector<uint8_t> input;
    };
    std::vector<EditSeed> seeds;
    auto seed = [&](const char* name) -> std::vector<uint8_t>& { return seeds.push_back({name, {}}), seeds.back().input; };
    seed("unchanged");
    AppendWriteEdit(&seed("lores-count-3"), kHeaderArea, kLoResTextureCountOffset, Le32(3));
    AppendResizeEdit(&seeds.back().input, baseLength + uint32_t(kLoResTextureSize));
    AppendWriteEdit(&seed("block-count-3"), kHeaderArea, kBlockCountPlusOneOffset, Le32(4));
    AppendResizeEdit(&seeds.back().input, baseLength + uint32_t(kBlockSize));
    AppendWriteEdit(&seed("blocks-none"), kHeaderArea, kBlockCountPlusOneOffset, Le32(1));
    AppendWriteEdit(&seed("countries-none"), kHeaderArea, kCountryCountOffset, Le32(0));
    AppendWriteEdit(&seed("materials-none"), kHeaderArea, kMaterialCountOffset, Le32(0));
    AppendWriteEdit(&seed("count-negative"), kHeaderArea, kMaterialCountOffset, Le32(0x80000000u));
    AppendWriteEdit(&seed("record-size-leaves"), kLoRes0Head, kRecordSizeOffset, Le32(uint32_t(kLoResStoredRecordSize) * 4));
    AppendWriteEdit(&seed("record-size-back"), kLoRes0Head, kRecordSizeOffset, Le32(uint32_t(-16)));
    AppendWriteEdit(&seed("dds-128"), kLoRes1Head, kLoResWidthOffset, Le32(128));
    AppendWriteEdit(&seed("country-index-beyond"), kBlock0, kCellsOffset + kAttributesOffset, {0x8F});
    AppendWriteEdit(&seed("lores-index-beyond"), kBlock1, kLoResTextureIndexOffset, Le32(0xFFFFFFFFu));
    AppendWriteEdit(&seed("origin-nan"), kBlock1, kTextureOriginSOffset, Le32(0x7FC00000u));
    // Four countries (the file grows by the two new records), met by one quad
    // with four and its neighbour with three.
    AppendWriteEdit(&seed("four-countries-in-a-quad"), kHeaderArea, kCountryCountOffset, Le32(4));
    AppendResizeEdit(&seeds.back().input, baseLength + 2 * uint32_t(kCountrySize));
    const int countries[2][3] = {{0, 1, 1}, {2, 3, 2}};
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 3; ++c)
            AppendWriteEdit(&seeds.back().input, kBlock0, uint32_t(kCellsOffset + kCellRowStride * r + kCellSize * c + kAttributesOffset),
                            {uint8_t(countries[r][c])});
    AppendWriteEdit(&seed("material-beyond"), kCountry0, kEntriesOffset + kMaterialAOffset, Le32(0xFFFFFFFFu));
    AppendWriteEdit(&seed("blend-above-255"), kCountry0, kEntriesOffset + 12 * 40 + kBlendWeightOffset, Le32(256));
    AppendWriteEdit(&seed("detail-high"), kDetail, 0, std::vector<uint8_t>(64, 0xFF));
    AppendResizeEdit(&seed("header-short"), uint32_t(kHeaderSize - 1));
    AppendResizeEdit(&seed("file-short"), baseLength - 1);
    for (const EditSeed& s : seeds)
        ok = ok && WriteSeed(editsDir, s.name, s.input) && WriteSeed(roundTripDir, s.name, s.input);

    // One PNG of each shape the folder holds, stored as the fuzz targets'
    // folders are, and a 16-bit heightmap compressed as lndtool writes it.
    FolderFiles folder;
    std::string error;
    ok = ok && UnpackLandscape(base.data(), base.size(), "base.lnd", &folder, &error, PngCompression::Stored);
    for (const char* name : {"lores/0.png", "materials/1.png", "blocks/0-country.png", "detail.png"})
        ok = ok && WriteSeed(pngDir, std::string(name).substr(std::string(name).find('/') + 1).c_str(), folder[name]);
    std::vector<uint16_t> heights(513 * 513);
    for (size_t i = 0; i < heights.size(); ++i) heights[i] = uint16_t(i * 257);
    std::vector<uint8_t> heightmap;
    ok = ok && EncodePngGray16(heights.data(), 513, 513, &heightmap, &error) &&
         WriteSeed(pngDir, "heightmap.png", heightmap);
    // Layouts no file of the folder has: 17 x 17 palette indices, and RGB.
    const uint8_t rgb[12] = {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255};
    std::vector<uint8_t> indices(17 * 17), pixels(17 * 17 * 3);
    for (size_t i = 0; i < indices.size(); ++i) indices[i] = uint8_t(i % 4);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint8_t(i);
    const std::string palettePath = pngDir + "/palette.png", rgbPath = pngDir + "/rgb.png";
    if (ok && (!WritePngIndexed8(palettePath.c_str(), indices.data(), 17, 17, PngPalette{rgb, 4, nullptr, 0}, &error) ||
               !WritePngRgb8(rgbPath.c_str(), pixels.data(), 17, 17, &error))) {
        std::fprintf(stderr, "%s\n", error.c_str());
        ok = false;
    }

    // Folder edits (see fuzz_pack_folder.cpp): files chosen by their place in
    // the folder, JSON edits by the text they change. Each names one fault
    // that packing must list, or one edit it must take; the pictures are
    // stored, so a byte from offset 49 on is a pixel of the first row.
    auto fileNumber = [&](const char* name) { return uint8_t(std::distance(folder.begin(), folder.find(name))); };
    const uint8_t json = fileNumber(kFolderJson), detail = fileNumber(kFolderDetail),
                  altitude = fileNumber("blocks/0-altitude.png"), country = fileNumber("blocks/0-country.png"),
                  split = fileNumber("blocks/0-split.png"), lores0Dds = fileNumber("lores/0.dds"),
                  lores0Png = fileNumber("lores/0.png"), lores1Dds = fileNumber("lores/1.dds");
    const std::string text = std::string(folder[kFolderJson].begin(), folder[kFolderJson].end());
    const uint32_t kFirstPixel = 49;
    enum Operation : uint8_t { kOverwrite = 0, kTruncate = 1, kInsert = 2, kRemove = 3 };
    auto edit = [](std::vector<uint8_t> input, uint8_t file, Operation operation, uint32_t offset,
                   const std::string& bytes = "") {
        input.insert(input.end(), {file, operation, uint8_t(offset), uint8_t(offset >> 8), uint8_t(offset >> 16),
                                   uint8_t(bytes.size())});
        input.insert(input.end(), bytes.begin(), bytes.end());
        return input;
    };
    // Where a piece of the JSON text starts; a missing piece stops the seeds.
    auto at = [&](const std::string& piece) {
        const size_t found = text.find(piece);
        if (found == std::string::npos) std::fprintf(stderr, "ERROR : fuzz_make_seeds : no %s in the JSON\n", piece.c_str());
        ok = ok && found != std::string::npos;
        return uint32_t(found);
    };
    // More unknown keys than the fault list holds, 255 bytes an edit at most.
    std::vector<uint8_t> unknownKeys;
    std::string keys;
    for (int k = 0; k <= 110; ++k) {
        keys += "\"k" + std::to_string(k) + "\": 0, ";
        if (keys.size() > 240 || k == 110) unknownKeys = edit(unknownKeys, json, kInsert, at("\"lores_index\": 0"), keys), keys.clear();
    }
    struct FolderSeed {
        const char* name;
        std::vector<uint8_t> input;
    };
    const std::vector<FolderSeed> folderSeeds = {
        {"unchanged", {}},
        {"json-version-2", edit({}, json, kOverwrite, at("\"version\": ") + 11, "2")},
        {"json-cut", edit({}, json, kTruncate, 512)},
        {"json-format", edit({}, json, kOverwrite, at("\"lndview-unpack\"") + 1, "x")},
        {"json-block-not-object", edit({}, json, kInsert, at("{\"lores_index\": 0"), "1, ")},
        {"json-entries-not-list", edit({}, json, kInsert, at("[0, 1, 0]"), "7, ")},
        {"json-map-991", edit({}, json, kInsert, at("[1, 2, 0") + 1, "99")},
        {"json-origin-huge", edit({}, json, kInsert, at("\"texture_origin_s\": 0.25") + 24, "e99")},
        {"json-reserved-not-hex", edit({}, json, kInsert, at("\"lores_index\": 0"), "\"reserved_0\": \"zz\", ")},
        {"json-hash-not-hex", edit({}, json, kOverwrite, at("\"lores/0.dds\": \"") + 16, "z")},
        {"json-one-material", edit({}, json, kOverwrite, at("{},\n    {}") + 2, std::string(8, ' '))},
        {"json-unknown-keys", unknownKeys},
        {"detail-gone", edit({}, detail, kRemove, 0)},
        {"detail-cut", edit({}, detail, kTruncate, 60)},
        {"png-width", edit({}, altitude, kOverwrite, 19, "\x03")},
        {"altitude-changed", edit({}, altitude, kOverwrite, kFirstPixel, "\xC8\xC9\xCA")},
        {"country-16", edit({}, country, kOverwrite, kFirstPixel, "\x10")},
        {"split-7", edit({}, split, kOverwrite, kFirstPixel, "\x07")},
        {"lores-png-changed", edit({}, lores0Png, kOverwrite, kFirstPixel, std::string("\x10\x80\xF0\xFF\xF0\x80\x10\x7F", 8))},
        {"lores-both-changed", edit(edit({}, lores0Png, kOverwrite, kFirstPixel, "\x10\x80\xF0"), lores0Dds, kOverwrite,
                                    128, "\x01")},
        {"lores-dds-128-high", edit({}, lores0Dds, kOverwrite, 12, "\x80")},
        {"lores-dds-no-magic", edit({}, lores1Dds, kOverwrite, 0, "X")},
        // A record without hashes and without its DDS file: encoded from the PNG.
        {"lores-new-from-png", edit(edit(edit({}, json, kOverwrite, at("\"lores/0.dds\"") + 1, "x"), json, kOverwrite,
                                         at("\"lores/0.png\"") + 1, "x"),
                                    lores0Dds, kRemove, 0)},
    };
    for (const FolderSeed& s : folderSeeds) ok = ok && WriteSeed(folderDir, s.name, s.input);
    return ok ? 0 : 2;
}
