// make_seeds.cpp -- writes the fuzzers' small seeds: whole landscape files for
// fuzz_check, edit lists for fuzz_edits and fuzz_round_trip (each naming one
// fault the check or a later stage has to live with), the folder's PNG
// files for fuzz_png_read and file edits for fuzz_pack_folder. The large,
// realistic seeds come from `lndtool make-sample`.
//
//   fuzz_make_seeds CHECK_DIR EDITS_DIR ROUND_TRIP_DIR PNG_DIR FOLDER_DIR
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "edit_list.h"
#include "image/png_write.h"
#include "landscape/lnd_format.h"
#include "small_landscape.h"
#include "tools/unpack/landscape_folder.h"

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

    bool ok = WriteSeed(checkDir, "zero-counts.lnd", MakeSmallLandscape(0, 0, 0, 0)) &&
              WriteSeed(checkDir, "one-of-each.lnd", MakeSmallLandscape(1, 1, 1, 1)) &&
              WriteSeed(checkDir, "two-of-each.lnd", base) &&
              // More blocks than a map byte can name: the blocks past the 255th.
              WriteSeed(checkDir, "blocks-beyond-map.lnd", MakeSmallLandscape(257, 1, 1, 1));

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

    // One PNG of each shape the folder holds, and a 16-bit heightmap.
    FolderFiles folder;
    std::string error;
    ok = ok && UnpackLandscape(base.data(), base.size(), "base.lnd", &folder, &error);
    for (const char* name : {"lores/0.png", "materials/1.png", "blocks/0-country.png", "detail.png"})
        ok = ok && WriteSeed(pngDir, std::string(name).substr(std::string(name).find('/') + 1).c_str(), folder[name]);
    std::vector<uint16_t> heights(513 * 513);
    for (size_t i = 0; i < heights.size(); ++i) heights[i] = uint16_t(i * 257);
    std::vector<uint8_t> heightmap;
    ok = ok && EncodePngGray16(heights.data(), 513, 513, &heightmap, &error) &&
         WriteSeed(pngDir, "heightmap.png", heightmap);

    // Folder edits (see fuzz_pack_folder.cpp), files chosen by their place in the folder.
    auto fileNumber = [&](const char* name) { return uint8_t(std::distance(folder.begin(), folder.find(name))); };
    const uint8_t json = fileNumber(kFolderJson), detail = fileNumber(kFolderDetail),
                  altitude = fileNumber("blocks/0-altitude.png");
    const std::string text = std::string(folder[kFolderJson].begin(), folder[kFolderJson].end());
    const uint8_t version = uint8_t(text.find("\"version\": ") + 11);
    struct FolderSeed {
        const char* name;
        std::vector<uint8_t> input;
    };
    const std::vector<FolderSeed> folderSeeds = {
        {"unchanged", {}},
        {"json-version-2", {json, 0, version, 0, 0, 1, '2'}},
        {"json-cut", {json, 1, 0, 2, 0, 0}},
        {"detail-gone", {detail, 3, 0, 0, 0, 0}},
        {"detail-cut", {detail, 1, 60, 0, 0, 0}},
        {"png-width", {altitude, 0, 19, 0, 0, 1, 3}},
    };
    for (const FolderSeed& s : folderSeeds) ok = ok && WriteSeed(folderDir, s.name, s.input);
    return ok ? 0 : 2;
}
