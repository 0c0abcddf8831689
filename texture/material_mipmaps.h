// material_mipmaps.h -- the mipmap levels of a block's material texture,
// computed as the GL utility library's 2D mipmap builder computes them, so
// they can be made on worker threads and uploaded level by level. Pure: no
// GL, no allocation.
//
// Level l + 1 of a 256 x 256 texture is (256 >> (l + 1)) squared texels; each
// texel is the average of the 2 x 2 texels below it, rounded half up:
//   out = (a + b + c + d + 2) / 4   (integer division)
// down to the single texel of level 8.
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr int kMaterialLevelCount = 9;  // 256 x 256 down to 1 x 1

// Where level `level` starts in a buffer holding all the levels one after
// another, and how many texels all of them take.
constexpr size_t MaterialLevelOffset(int level) {
    size_t offset = 0;
    for (int l = 0; l < level; ++l) offset += size_t(256 >> l) * size_t(256 >> l);
    return offset;
}
inline constexpr size_t kMaterialMipmapTexels = MaterialLevelOffset(kMaterialLevelCount);

// levels: kMaterialMipmapTexels values whose first 65536 hold level 0 (row
// major, 256 a row); fills levels 1 to 8 after it.
void ReduceMaterialLevels(uint16_t* levels);

// A 16-bit sample as the nearest of 256 levels: round(sample x 255 / 65535),
// which is round(sample / 257). With t = sample + 128, (t - t / 256) / 256
// is that quotient for every sample (the two never part on 0 .. 65535), and
// shifts and a subtraction on 32-bit lanes let the level loop run in vectors.
inline uint8_t MaterialSampleTo8Bits(uint16_t sample) {
    const uint32_t t = uint32_t(sample) + 128u;
    return uint8_t((t - (t >> 8)) >> 8);
}

// The same for every level: bytes_out gets kMaterialMipmapTexels values.
void MaterialLevelsTo8Bits(const uint16_t* levels, uint8_t* bytes_out);
