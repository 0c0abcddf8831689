// landscape_edit.cpp -- the editable copy of a landscape.
#include "landscape/landscape_edit.h"

#include <algorithm>
#include <cstring>

namespace {

bool IsFlag(const SubfieldSpec& field) { return (field.mask & (field.mask - 1)) == 0; }
uint8_t LowestBit(uint8_t mask) { return uint8_t(mask & -mask); }

}  // namespace

void StartEdit(const CheckedLandscape& from, LandscapeEdit* edit) {
    edit->bytes.assign(from.bytes, from.bytes + from.length);
    edit->checked = CheckLandscape(edit->bytes.data(), edit->bytes.size());
}

uint8_t* EditedBlock(LandscapeEdit* edit, int32_t k) {
    return edit->bytes.data() + edit->checked.areas.blockArea + kBlockSize * uint64_t(k);
}

void SetCellField(uint8_t* block, int r, int c, const SubfieldSpec& field, uint8_t value) {
    uint8_t& byte = block[kCellsOffset + kCellRowStride * uint64_t(r) + kCellSize * uint64_t(c) + field.offset];
    const uint8_t bits = IsFlag(field) ? (value ? field.mask : 0) : uint8_t(value * LowestBit(field.mask));
    byte = uint8_t((byte & ~field.mask) | (bits & field.mask));
}

uint8_t CellFieldValue(const uint8_t* block, int r, int c, const SubfieldSpec& field) {
    const uint8_t bits = CellAt(block, r, c)[field.offset] & field.mask;
    if (IsFlag(field)) return bits ? 255 : 0;
    return uint8_t(bits / LowestBit(field.mask));
}

std::vector<int> PlacesOfBlock(const CheckedLandscape& landscape, int32_t k) {
    std::vector<int> places;
    for (int place = 0; place < kBlockMapSide * kBlockMapSide; ++place)
        if (landscape.bytes[kBlockMapOffset + uint64_t(place)] == uint64_t(k) + 1) places.push_back(place);
    return places;
}

int32_t CopyBlockTo(LandscapeEdit* edit, int32_t k, const std::vector<int>& places) {
    const CheckedLandscape& c = edit->checked;
    if (c.blockCount >= kMostMapBlocks) return -1;
    const int32_t copy = c.blockCount;
    const uint64_t end = c.areas.countryArea;  // one past the last block
    std::vector<uint8_t> block(c.Block(k), c.Block(k) + kBlockSize);
    edit->bytes.insert(edit->bytes.begin() + int64_t(end), block.begin(), block.end());
    // The block count is stored plus one.
    StoreI32(edit->bytes.data() + kBlockCountPlusOneOffset, copy + 2);
    for (int place : places) edit->bytes[kBlockMapOffset + uint64_t(place)] = uint8_t(copy + 1);
    edit->checked = CheckLandscape(edit->bytes.data(), edit->bytes.size());
    return copy;
}

size_t RefuseSharedBlocks(const std::vector<const std::vector<std::vector<int>>*>& placesOf, int32_t blockCount,
                          bool splitShared, const std::string& path, const char* differently,
                          std::vector<std::string>* errors) {
    size_t copies = 0;
    for (size_t k = 0; k < placesOf.size(); ++k) {
        const std::vector<std::vector<int>>& groups = *placesOf[k];
        if (groups.size() < 2) continue;
        copies += groups.size() - 1;
        if (splitShared) continue;
        std::string places;
        for (const std::vector<int>& group : groups)
            for (int place : group)
                places += (places.empty() ? "(" : ", (") + std::to_string(place / kBlockMapSide) + ", " +
                          std::to_string(place % kBlockMapSide) + ")";
        errors->push_back("ERROR : " + path + " : block " + std::to_string(k) + " is placed at " + places +
                          ", where " + differently + " (--split-shared gives each its own copy)");
    }
    // Only the copies need room: a landscape past the map's reach is fine
    // as long as nothing is copied.
    const uint64_t blocks = uint64_t(blockCount) + copies;
    if (splitShared && copies > 0 && blocks > uint64_t(kMostMapBlocks))
        errors->push_back("ERROR : " + path + " : --split-shared needs " + std::to_string(copies) + " more blocks, " +
                          std::to_string(blocks) + " in all; a map names " + std::to_string(kMostMapBlocks) +
                          " at most");
    return copies;
}
