// material_mipmaps.cpp -- box-filtered mipmap levels of a material texture.
#include "texture/material_mipmaps.h"

void ReduceMaterialLevels(uint16_t* levels) {
    for (int level = 1; level < kMaterialLevelCount; ++level) {
        const int side = 256 >> level, above = side * 2;
        const uint16_t* in = levels + MaterialLevelOffset(level - 1);
        uint16_t* out = levels + MaterialLevelOffset(level);
        for (int y = 0; y < side; ++y) {
            const uint16_t* row0 = in + size_t(2 * y) * size_t(above);
            const uint16_t* row1 = row0 + above;
            for (int x = 0; x < side; ++x) {
                const uint32_t sum = uint32_t(row0[2 * x]) + row0[2 * x + 1] + row1[2 * x] + row1[2 * x + 1];
                out[size_t(y) * size_t(side) + size_t(x)] = uint16_t((sum + 2) / 4);
            }
        }
    }
}

void MaterialLevelsTo8Bits(const uint16_t* __restrict levels, uint8_t* __restrict bytes_out) {
    // A whole number of 16-sample vectors, then the few left, and buffers
    // that do not overlap: a loop the compiler vectorizes at -O2.
    constexpr size_t kVectored = kMaterialMipmapTexels / 16 * 16;
    for (size_t n = 0; n < kVectored; ++n) bytes_out[n] = MaterialSampleTo8Bits(levels[n]);
    for (size_t n = kVectored; n < kMaterialMipmapTexels; ++n) bytes_out[n] = MaterialSampleTo8Bits(levels[n]);
}
