// edit_list.cpp -- decoding and applying the edit-list fuzz target's input.
#include "edit_list.h"

#include <algorithm>

#include "landscape/lnd_format.h"

namespace {

constexpr size_t kEntryHead = 5;
constexpr uint64_t kLoResHeadSize = kImageDataOffset;  // RecordSize and DDS header

}  // namespace

std::vector<EditArea> EditAreasOf(const std::vector<uint8_t>& landscape) {
    const LandscapeCounts counts = ReadLandscapeCounts(landscape.data());
    const LandscapeAreas a = ComputeLandscapeAreas(counts.blockCountPlusOne - 1, counts.countryCount,
                                                   counts.materialCount, counts.loResTextureCount);
    std::vector<EditArea> areas = {{0, kHeaderSize}};
    for (uint32_t i = 0; i < counts.loResTextureCount; ++i) {
        areas.push_back({a.loResArea + kLoResTextureSize * i, kLoResHeadSize});
        areas.push_back({a.loResArea + kLoResTextureSize * i, kLoResTextureSize});
    }
    for (int32_t k = 0; k < counts.blockCountPlusOne - 1; ++k) areas.push_back({a.blockArea + kBlockSize * k, kBlockSize});
    for (int32_t k = 0; k < counts.countryCount; ++k) areas.push_back({a.countryArea + kCountrySize * k, kCountrySize});
    for (int32_t k = 0; k < counts.materialCount; ++k)
        areas.push_back({a.materialArea + kMaterialSize * k, kMaterialSize});
    areas.push_back({a.detailMap, kDetailMapSize});
    areas.push_back({0, landscape.size()});
    return areas;
}

uint64_t MaxEditedLength(const std::vector<uint8_t>& base) { return base.size() + kMaterialSize; }

void ApplyEditList(const std::vector<uint8_t>& base, const std::vector<EditArea>& areas, const uint8_t* input,
                   size_t size, std::vector<uint8_t>* edited) {
    std::vector<uint8_t>& file = *edited;
    file.assign(base.begin(), base.end());
    const uint64_t maxLength = MaxEditedLength(base);
    size_t at = 0;
    while (size - at >= kEntryHead) {
        const uint8_t* entry = input + at;
        const uint32_t word = LoadU32(entry);
        const size_t n = entry[4];
        at += kEntryHead;
        if (n == 0) {
            file.resize(word % (maxLength + 1), 0);
            continue;
        }
        const size_t given = std::min(n, size - at);
        const EditArea& area = areas[entry[0] % areas.size()];
        const uint64_t offset = area.start + (word >> 8) % area.size;
        if (offset < file.size()) {
            const size_t written = size_t(std::min<uint64_t>(given, file.size() - offset));
            std::copy(input + at, input + at + written, file.begin() + ptrdiff_t(offset));
        }
        at += given;
    }
}

void AppendWriteEdit(std::vector<uint8_t>* input, uint8_t area, uint32_t offset, const std::vector<uint8_t>& bytes) {
    const size_t n = std::min<size_t>(bytes.size(), 255);
    const uint8_t head[kEntryHead] = {area, uint8_t(offset), uint8_t(offset >> 8), uint8_t(offset >> 16), uint8_t(n)};
    input->insert(input->end(), head, head + kEntryHead);
    input->insert(input->end(), bytes.begin(), bytes.begin() + ptrdiff_t(n));
}

void AppendResizeEdit(std::vector<uint8_t>* input, uint32_t length) {
    const uint8_t head[kEntryHead] = {uint8_t(length), uint8_t(length >> 8), uint8_t(length >> 16),
                                      uint8_t(length >> 24), 0};
    input->insert(input->end(), head, head + kEntryHead);
}
