// small_landscape.cpp -- the fuzzers' well-formed starting landscape.
#include "small_landscape.h"

#include "landscape/lnd_format.h"

namespace {

// A cheap integer hash, so every byte is fixed by its place alone.
uint32_t Hash(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352du;
    x ^= x >> 15;
    x *= 0x846ca68bu;
    x ^= x >> 16;
    return x;
}

}  // namespace

std::vector<uint8_t> MakeSmallLandscape(int32_t blocks, int32_t countries, int32_t materials, uint32_t loResTextures) {
    const LandscapeAreas areas = ComputeLandscapeAreas(blocks, countries, materials, loResTextures);
    std::vector<uint8_t> file(areas.end, 0);
    uint8_t* const bytes = file.data();

    StoreI32(bytes + kBlockCountPlusOneOffset, blocks + 1);
    StoreI32(bytes + kMaterialCountOffset, materials);
    StoreI32(bytes + kCountryCountOffset, countries);
    StoreU32(bytes + kLoResTextureCountOffset, loResTextures);
    // Blocks side by side along row 3, as a strip of land.
    for (int32_t k = 0; k < blocks && k < kMostMapBlocks; ++k)
        bytes[kBlockMapOffset + uint64_t(kBlockMapSide * (3 + k / kBlockMapSide) + k % kBlockMapSide)] = uint8_t(k + 1);

    for (uint32_t i = 0; i < loResTextures; ++i) {
        uint8_t* record = bytes + areas.loResArea + kLoResTextureSize * i;
        StoreI32(record + kRecordSizeOffset, kLoResStoredRecordSize);
        WriteDxt3DdsHeader(record + kDdsHeaderOffset, kLoResSide, kLoResSide);
        // Smooth colours, as an overview image is: opaque blocks whose two
        // colours follow the block's place, each with all four palette entries.
        for (int by = 0; by < kLoResSide / 4; ++by) {
            for (int bx = 0; bx < kLoResSide / 4; ++bx) {
                uint8_t* dxt = record + kImageDataOffset + 16 * uint64_t(by * (kLoResSide / 4) + bx);
                for (int a = 0; a < 8; ++a) dxt[a] = 0xFF;
                StoreU16(dxt + 8, uint16_t(((bx / 2) << 11) | (by << 5) | (8 + 8 * i)));
                StoreU16(dxt + 10, uint16_t(((bx / 2 + 1) << 11) | ((by + 1) << 5) | (12 + 8 * i)));
                StoreU32(dxt + 12, 0xE4E41B1Bu);
            }
        }
    }
    for (int32_t k = 0; k < blocks; ++k) {
        uint8_t* block = bytes + areas.blockArea + kBlockSize * uint64_t(k);
        for (int r = 0; r < kBlockGridPoints; ++r) {
            for (int c = 0; c < kBlockGridPoints; ++c) {
                uint8_t* cell = block + kCellsOffset + kCellRowStride * uint64_t(r) + kCellSize * uint64_t(c);
                cell[kAltitudeOffset] = uint8_t(15 * (r + c) + k);
                const int country = countries > 0 ? (r / 5 + c / 7 + k) % countries : 0;
                cell[kAttributesOffset] = uint8_t(country | ((r + c) % 2 ? kSplitFlagBit : 0));
            }
        }
        StoreI32(block + kLoResTextureIndexOffset, loResTextures > 0 ? int32_t(uint32_t(k) % loResTextures) : 0);
        StoreF32(block + kTextureOriginSOffset, 0.25f * float(k % 4));
        StoreF32(block + kTextureOriginTOffset, 0.25f * float((k / 4) % 4));
    }
    for (int32_t k = 0; k < countries; ++k) {
        uint8_t* country = bytes + areas.countryArea + kCountrySize * uint64_t(k);
        for (int h = 0; h < kCountryEntryCount; ++h) {
            uint8_t* entry = country + kEntriesOffset + kCountryEntrySize * uint64_t(h);
            const uint32_t a = materials > 0 ? uint32_t(h / 64 + k) % uint32_t(materials) : 0;
            const uint32_t b = materials > 0 ? uint32_t(h / 64 + k + 1) % uint32_t(materials) : 0;
            StoreU32(entry + kMaterialAOffset, a);
            StoreU32(entry + kMaterialBOffset, b);
            StoreU32(entry + kBlendWeightOffset, uint32_t(h));
        }
    }
    for (int32_t k = 0; k < materials; ++k) {
        uint8_t* texels = bytes + areas.materialArea + kMaterialSize * uint64_t(k) + kTexelsOffset;
        for (int t = 0; t < kMaterialSide * kMaterialSide; ++t)
            // A gentle slope with a fine grain, like a tileable ground texture.
            StoreU16(texels + 2 * uint64_t(t),
                     uint16_t(24576 + 4096 * k + 16 * (t / 256 + t % 256) + (Hash(uint32_t(t) + uint32_t(k)) & 0x7)));
    }
    for (uint64_t d = 0; d < kDetailMapSize; ++d) bytes[areas.detailMap + d] = uint8_t(Hash(uint32_t(d) + 99) % 24);
    return file;
}
