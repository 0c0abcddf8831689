// lnd_format.cpp -- the DDS surface header that LoRes records carry.
#include "landscape/lnd_format.h"

namespace {
// Offsets inside the 124-byte surface header (after the "DDS " magic).
constexpr uint64_t kDdsSize = 0;
constexpr uint64_t kDdsFlags = 4;
constexpr uint64_t kDdsHeight = 8;
constexpr uint64_t kDdsWidth = 12;
constexpr uint64_t kDdsLinearSize = 16;
constexpr uint64_t kDdsMipMapCount = 24;
constexpr uint64_t kDdsPixelFormatSize = 72;
constexpr uint64_t kDdsPixelFormatFlags = 76;
constexpr uint64_t kDdsFourCC = 80;
constexpr uint64_t kDdsCaps = 104;

constexpr uint32_t kDdsdCaps = 0x1, kDdsdHeight = 0x2, kDdsdWidth = 0x4, kDdsdPixelFormat = 0x1000,
                   kDdsdLinearSize = 0x80000;
constexpr uint32_t kDdpfFourCC = 0x4;
constexpr uint32_t kDdsCapsTexture = 0x1000;
constexpr uint32_t kFourCCDxt3 = uint32_t('D') | (uint32_t('X') << 8) | (uint32_t('T') << 16) | (uint32_t('3') << 24);
constexpr uint32_t kRequiredFlags = kDdsdCaps | kDdsdHeight | kDdsdWidth | kDdsdPixelFormat;
}  // namespace

void WriteDxt3DdsHeader(uint8_t* header, uint32_t width_px, uint32_t height_px) {
    std::memset(header, 0, kDdsHeaderSize);
    StoreU32(header + kDdsSize, uint32_t(kDdsHeaderSize));
    StoreU32(header + kDdsFlags, kRequiredFlags | kDdsdLinearSize);
    StoreU32(header + kDdsHeight, height_px);
    StoreU32(header + kDdsWidth, width_px);
    // DXT3 stores 16 bytes per 4 x 4 block.
    StoreU32(header + kDdsLinearSize, ((width_px + 3) / 4) * ((height_px + 3) / 4) * 16);
    StoreU32(header + kDdsMipMapCount, 1);
    StoreU32(header + kDdsPixelFormatSize, 32);
    StoreU32(header + kDdsPixelFormatFlags, kDdpfFourCC);
    StoreU32(header + kDdsFourCC, kFourCCDxt3);
    StoreU32(header + kDdsCaps, kDdsCapsTexture);
}

bool DdsHeaderIsDxt3_256(const uint8_t* header) {
    return LoadU32(header + kDdsSize) == kDdsHeaderSize &&
           (LoadU32(header + kDdsFlags) & kRequiredFlags) == kRequiredFlags &&
           LoadU32(header + kDdsHeight) == uint32_t(kLoResSide) && LoadU32(header + kDdsWidth) == uint32_t(kLoResSide) &&
           LoadU32(header + kDdsPixelFormatSize) == 32 && (LoadU32(header + kDdsPixelFormatFlags) & kDdpfFourCC) != 0 &&
           LoadU32(header + kDdsFourCC) == kFourCCDxt3;
}

void AppendCountryMaterials(const uint8_t* country, std::vector<uint32_t>* materials) {
    for (int h = 0; h < kCountryEntryCount; ++h) {
        const uint8_t* e = CountryEntryAt(country, h);
        const uint32_t w = EntryBlendWeight(e);
        if (w != 0) materials->push_back(EntryMaterialA(e));
        if (w != 255) materials->push_back(EntryMaterialB(e));
    }
}
