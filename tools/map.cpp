// map.cpp -- `lndtool map` and `lndtool set-map`: every layer of a landscape
// as one whole-map picture in a folder, and a landscape set from them.
#include <nlohmann/json.hpp>

#include <cinttypes>
#include <cstdio>
#include <string>
#include <vector>

#include "image/png_read.h"
#include "image/png_write.h"
#include "landscape/lnd_check.h"
#include "platform/safe_write.h"
#include "tools/command_files.h"
#include "tools/commands.h"
#include "tools/heights/heightmap.h"
#include "tools/map/map_layers.h"
#include "tools/heights/block_heights.h"
#include "tools/folder/folder_files.h"

namespace {

constexpr const char* kMapJson = "map.json";

bool IsMapFile(const std::string& name) {
    if (name == kMapJson) return true;
    for (int layer = 0; layer < kMapLayers; ++layer)
        if (name == MapLayerFile(MapLayer(layer))) return true;
    return false;
}

// `dir` new, empty, or holding only what `map` writes (which it replaces).
bool MapFolderFree(const std::string& dir) {
    std::string error;
    if (FolderIsFree(dir, &error)) return true;
    FolderFiles files;
    std::vector<std::string> errors;
    if (!ReadFolderFiles(dir, &files, &errors)) {
        for (const std::string& line : errors) std::fprintf(stderr, "%s\n", line.c_str());
        return false;
    }
    if (files.empty()) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    for (const auto& [name, bytes] : files)
        if (!IsMapFile(name)) {
            std::fprintf(stderr, "ERROR : %s/%s : map writes a new folder, or one that holds only its own files\n",
                         dir.c_str(), name.c_str());
            return false;
        }
    return true;
}

std::string MapJson(const Heightmap& heightmap) {
    nlohmann::ordered_json document = nlohmann::ordered_json::parse(HeightmapSidecarJson(heightmap, HeightmapFormat::Png16));
    nlohmann::ordered_json layers = nlohmann::ordered_json::array();
    for (int layer = 0; layer < kMapLayers; ++layer) layers.push_back(MapLayerFile(MapLayer(layer)));
    document["layers"] = std::move(layers);
    document["splits"] = {{"width", kSplitsSide}, {"height", kSplitsSide}, {"pixels_per_quad", 1}};
    document["colours"] = {{"width", kColoursSide}, {"height", kColoursSide}, {"pixels_per_cell", kColourPixelsPerCell}};
    return document.dump() + "\n";
}

// One layer's picture from the folder, checked; false with a line in *errors.
bool DecodeLayer(MapLayer layer, const std::vector<uint8_t>& png, const std::string& name, MapPictures* pictures,
                 std::vector<std::string>* errors) {
    std::string fault;
    DecodedPng image;
    bool decoded = false;
    switch (layer) {
    case MapLayer::Heights:
        decoded = HeightsFromPng(png.data(), png.size(), &pictures->heights, &fault);
        break;
    case MapLayer::Countries:
        decoded = DecodePng(png.data(), png.size(), kHeightmapSide, kHeightmapSide,
                            unsigned(PngLayout::Indexed8) | unsigned(PngLayout::Gray8), &image, &fault);
        for (size_t n = 0; decoded && n < image.bytes.size(); ++n)
            if (image.bytes[n] > kNoCountry) {
                fault = "sample (" + std::to_string(n / kHeightmapSide) + ", " + std::to_string(n % kHeightmapSide) +
                        ") is index " + std::to_string(image.bytes[n]) + "; the country palette has " +
                        std::to_string(kNoCountry + 1) + " entries (the last for no block)";
                decoded = false;
            }
        if (decoded) pictures->countries = std::move(image.bytes);
        break;
    case MapLayer::Splits:
        decoded = DecodePng(png.data(), png.size(), kSplitsSide, kSplitsSide, unsigned(PngLayout::Gray8), &image, &fault);
        for (size_t n = 0; decoded && n < image.bytes.size(); ++n)
            if (image.bytes[n] != 0 && image.bytes[n] != 255) {
                fault = "pixel (" + std::to_string(n / kSplitsSide) + ", " + std::to_string(n % kSplitsSide) + ") is " +
                        std::to_string(image.bytes[n]) + "; a split flag is 0 or 255";
                decoded = false;
            }
        if (decoded) pictures->splits = std::move(image.bytes);
        break;
    case MapLayer::Colours:
        decoded = DecodePng(png.data(), png.size(), kColoursSide, kColoursSide, unsigned(PngLayout::Rgba8), &image, &fault);
        if (decoded) pictures->colours = std::move(image.bytes);
        break;
    }
    if (!decoded) errors->push_back("ERROR : " + name + " : " + fault);
    return decoded;
}

}  // namespace

int RunMap(const MapOptions& options) {
    const std::string dir = FolderName(options.dir);
    StoredLandscape stored;
    if (!ReadUsableLandscape(options.file.c_str(), &stored)) return 2;
    if (!MapFolderFree(dir)) return 2;
    const CheckedLandscape& landscape = stored.checked;
    const Heightmap heightmap = BuildHeightmap(landscape);
    const MapPictures pictures = BuildMapPictures(landscape);
    std::string error, countries;
    std::vector<uint8_t> heights, splits, colours;
    const std::string json = MapJson(heightmap);
    bool written = EncodePngGray16(HeightmapSamples16(heightmap).data(), kHeightmapSide, kHeightmapSide, &heights, &error) &&
                   EncodeHeightmapCountries(heightmap, &countries, &error) &&
                   EncodePngGray8(pictures.splits.data(), kSplitsSide, kSplitsSide, &splits, &error) &&
                   EncodePngRgba8(pictures.colours.data(), kColoursSide, kColoursSide, &colours, &error);
    if (written) {
        const std::vector<SafeWriteItem> items = {
            {MapLayerFile(MapLayer::Heights), heights.data(), heights.size()},
            {MapLayerFile(MapLayer::Countries), countries.data(), countries.size()},
            {MapLayerFile(MapLayer::Splits), splits.data(), splits.size()},
            {MapLayerFile(MapLayer::Colours), colours.data(), colours.size()},
            {kMapJson, json.data(), json.size()},
        };
        written = SafeWriteFolder(dir, items, {}, &error);
    }
    if (!written) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    std::printf("wrote %s : heights.png, countries.png (%d x %d), splits.png (%d x %d), colours.png (%d x %d, %d "
                "pixels a cell) and map.json; %" PRIu64 " mismatched edge samples\n",
                dir.c_str(), kHeightmapSide, kHeightmapSide, kSplitsSide, kSplitsSide, kColoursSide, kColoursSide,
                kColourPixelsPerCell, heightmap.mismatchedEdgeSamples);
    return 0;
}

int RunSetMap(const SetMapOptions& options) {
    const std::string dir = FolderName(options.dir);
    const char* path = options.file.c_str();
    FolderFiles files;
    std::vector<std::string> errors, notes;
    if (!ReadFolderFiles(dir, &files, &errors)) {
        for (const std::string& line : errors) std::fprintf(stderr, "%s\n", line.c_str());
        return 2;
    }
    MapPictures pictures;
    std::string layers;
    for (int layer = 0; layer < kMapLayers; ++layer) {
        const char* name = MapLayerFile(MapLayer(layer));
        const auto file = files.find(name);
        if (file == files.end()) continue;
        if (DecodeLayer(MapLayer(layer), file->second, dir + "/" + name, &pictures, &errors))
            layers += (layers.empty() ? "" : ", ") + std::string(name);
    }
    if (errors.empty() && layers.empty())
        errors.push_back("ERROR : " + dir + " : holds none of heights.png, countries.png, splits.png, colours.png");
    StoredLandscape stored;
    if (!ReadUsableLandscape(path, &stored)) return 2;
    std::vector<uint8_t> edited;
    if (errors.empty()) SetMapLayers(stored.checked, pictures, options.splitShared, path, dir, &edited, &errors, &notes);
    const char* out = options.out.c_str();
    bool direct = false;
    CheckedLandscape written;
    if (!WriteBuiltLandscape(out, edited, errors, notes, &direct, &written)) return 2;
    std::fprintf(direct ? stderr : stdout,
                 "wrote %s : %s of %s set from %s; %" PRId32 " blocks (%" PRId32 " new copies)\n", out, layers.c_str(),
                 path, dir.c_str(), written.blockCount, written.blockCount - stored.checked.blockCount);
    return 0;
}
