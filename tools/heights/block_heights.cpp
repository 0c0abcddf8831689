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

BlockHeights HeightsAt(const uint8_t* heights, int row, int column) {
    BlockHeights cells;
    for (int r = 0; r < kSide; ++r)
        for (int c = 0; c < kSide; ++c)
            cells[size_t(kSide * r + c)] = heights[size_t(16 * row + r) * kHeightmapSide + size_t(16 * column + c)];
    return cells;
}

uint8_t Rounded16(uint16_t sample) { return uint8_t((uint32_t(sample) + 128) / 257); }

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
    std::vector<BlockWants<BlockHeights>> uses(size_t(c.MapBlockCount()));
    for (int row = 0; row < kBlockMapSide; ++row)
        for (int column = 0; column < kBlockMapSide; ++column) {
            const uint8_t value = BlockMapAt(file, row, column);
            if (value == 0 || value > c.blockCount) continue;
            uses[value - 1].Add(HeightsAt(heights, row, column), kBlockMapSide * row + column);
        }
    RefuseSharedBlocks(uses, c.blockCount, splitShared, path, "the heightmap gives it different heights", errors);
    if (!errors->empty()) return;

    LandscapeEdit edit;
    StartEdit(c, &edit);
    for (size_t k = 0; k < uses.size(); ++k)
        for (size_t group = 0; group < uses[k].contents.size(); ++group) {
            const int32_t index = group == 0 ? int32_t(k) : CopyBlockTo(&edit, int32_t(k), uses[k].places[group]);
            SetAltitudes(EditedBlock(&edit, index), uses[k].contents[group]);
        }
    *out = std::move(edit.bytes);
}
