// block_heights.cpp -- a heightmap laid over the placed blocks.
#include "tools/heights/block_heights.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "image/png_read.h"
#include "landscape/landscape_edit.h"
#include "landscape/lnd_check.h"

namespace {

constexpr int kSide = kBlockGridPoints;
using BlockHeights = std::array<uint8_t, kSide * kSide>;

struct Place {
    int row, column;
};

// What one block gets: the places of each distinct set of heights, in map order.
struct BlockUse {
    std::vector<BlockHeights> heights;
    std::vector<std::vector<Place>> places;
};

BlockHeights HeightsAt(const uint8_t* heights, Place place) {
    BlockHeights cells;
    for (int r = 0; r < kSide; ++r)
        for (int c = 0; c < kSide; ++c)
            cells[size_t(kSide * r + c)] =
                heights[size_t(16 * place.row + r) * kHeightmapSide + size_t(16 * place.column + c)];
    return cells;
}

uint8_t Rounded16(uint16_t sample) { return uint8_t((uint32_t(sample) + 128) / 257); }

std::string PlaceList(const std::vector<std::vector<Place>>& places) {
    std::string text;
    for (const auto& group : places)
        for (const Place& place : group)
            text += (text.empty() ? "" : ", ") + ("(" + std::to_string(place.row) + ", " +
                                                 std::to_string(place.column) + ")");
    return text;
}

void SetAltitudes(uint8_t* block, const BlockHeights& heights) {
    for (int r = 0; r < kSide; ++r)
        for (int c = 0; c < kSide; ++c) SetCellField(block, r, c, kAltitudeField, heights[size_t(kSide * r + c)]);
}

}  // namespace

bool HeightsFromPng(const uint8_t* png, size_t size, std::vector<uint8_t>* heights, std::string* fault) {
    DecodedPng image;
    if (!DecodePng(png, size, kHeightmapSide, kHeightmapSide,
                   unsigned(PngLayout::Gray8) | unsigned(PngLayout::Gray16), &image, fault))
        return false;
    if (image.layout == PngLayout::Gray8) *heights = std::move(image.bytes);
    else {
        heights->resize(image.samples.size());
        std::transform(image.samples.begin(), image.samples.end(), heights->begin(), Rounded16);
    }
    return true;
}

bool HeightsFromR16(const uint8_t* raw, size_t size, std::vector<uint8_t>* heights, std::string* fault) {
    const size_t samples = size_t(kHeightmapSide) * kHeightmapSide;
    if (size != 2 * samples) {
        *fault = "is " + std::to_string(size) + " bytes; a raw 16-bit 513 x 513 heightmap is " +
                 std::to_string(2 * samples);
        return false;
    }
    heights->resize(samples);
    for (size_t i = 0; i < samples; ++i) (*heights)[i] = Rounded16(LoadU16(raw + 2 * i));
    return true;
}

void SetBlockHeights(const CheckedLandscape& c, const uint8_t* heights, bool splitShared, const char* path,
                     std::vector<uint8_t>* out, std::vector<std::string>* errors) {
    out->clear();
    const uint8_t* file = c.bytes;
    // Places naming no block (0, or past the block count) get nothing.
    std::vector<BlockUse> uses(size_t(c.MapBlockCount()));
    for (int row = 0; row < kBlockMapSide; ++row)
        for (int column = 0; column < kBlockMapSide; ++column) {
            const uint8_t value = BlockMapAt(file, row, column);
            if (value == 0 || value > c.blockCount) continue;
            BlockUse& use = uses[value - 1];
            const BlockHeights cells = HeightsAt(heights, {row, column});
            const size_t group = size_t(std::find(use.heights.begin(), use.heights.end(), cells) - use.heights.begin());
            if (group == use.heights.size()) {
                use.heights.push_back(cells);
                use.places.emplace_back();
            }
            use.places[group].push_back({row, column});
        }
    size_t copies = 0;
    for (size_t k = 0; k < uses.size(); ++k) {
        if (uses[k].heights.size() < 2) continue;
        copies += uses[k].heights.size() - 1;
        if (!splitShared)
            errors->push_back("ERROR : " + std::string(path) + " : block " + std::to_string(k) + " is placed at " +
                              PlaceList(uses[k].places) + ", where the heightmap gives it different heights " +
                              "(--split-shared gives each its own copy)");
    }
    // Only the copies need room: a landscape past the map's reach is fine
    // as long as nothing is copied.
    const uint64_t blocks = uint64_t(c.blockCount) + copies;
    if (splitShared && copies > 0 && blocks > uint64_t(kMostMapBlocks))
        errors->push_back("ERROR : " + std::string(path) + " : --split-shared needs " + std::to_string(copies) +
                          " more blocks, " + std::to_string(blocks) + " in all; a map names " +
                          std::to_string(kMostMapBlocks) + " at most");
    if (!errors->empty()) return;

    LandscapeEdit edit;
    StartEdit(c, &edit);
    for (size_t k = 0; k < uses.size(); ++k) {
        for (size_t group = 0; group < uses[k].heights.size(); ++group) {
            int32_t index = int32_t(k);
            if (group > 0) {
                std::vector<int> places;
                for (const Place& place : uses[k].places[group]) places.push_back(kBlockMapSide * place.row + place.column);
                index = CopyBlockTo(&edit, int32_t(k), places);
            }
            SetAltitudes(EditedBlock(&edit, index), uses[k].heights[group]);
        }
    }
    *out = std::move(edit.bytes);
}
