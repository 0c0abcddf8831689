// surface_bake.cpp -- the frame's texture arithmetic of a block, per texel.
#include "tools/gltf/surface_bake.h"

#include <cmath>

#include "landscape/lnd_format.h"
#include "texture/material_mipmaps.h"

namespace {

constexpr float kByteToUnit = 1.0f / 255.0f;

// The two texels a coordinate falls between along one axis, and the weight
// of the second: GL_LINEAR with GL_REPEAT on a 256-texel side.
struct LinearTap {
    int first, second;
    float weight;
};

LinearTap TapAt(float coordinate) {
    const float u = coordinate * float(kLoResSide) - 0.5f;
    // A damaged origin can be infinite or not a number: any texel will do,
    // but no conversion may overflow.
    if (!std::isfinite(u)) return {0, 1, 0.0f};
    const float whole = std::floor(u);
    float wrapped = std::fmod(whole, float(kLoResSide));
    if (wrapped < 0.0f) wrapped += float(kLoResSide);
    const int first = int(wrapped);
    return {first, (first + 1) % kLoResSide, u - whole};
}

// The taps of texel centre n (0..255) of the bake along one axis.
LinearTap TapOfBakeTexel(int n, float origin) {
    const float cell = float(2 * n + 1) / 32.0f;  // (n + 0.5) / 16, exact
    return TapAt(LoResCoordinate(cell, origin));
}

// round(255 x unit), ties to even, for unit clamped to 0..1: adding 2^23 to
// a float below 2^22 leaves it no fraction bits, so the sum is rounded to an
// integer by the machine's own rounding (to nearest, ties to even).
uint8_t ToByte(float unit) {
    const float clamped = unit < 0.0f ? 0.0f : unit > 1.0f ? 1.0f : unit;
    const float kShift = 8388608.0f;
    return uint8_t((clamped * 255.0f + kShift) - kShift);
}

// v x (1/255) for every byte v.
struct UnitTable {
    float of[256];
    UnitTable() {
        for (int v = 0; v < 256; ++v) of[v] = float(v) * kByteToUnit;
    }
};
const UnitTable kUnit;

}  // namespace

bool BakeBlockSurface(const uint8_t* block, const uint8_t* loResRgba, const uint16_t* materialTexels,
                      uint8_t* rgba_out) {
    LinearTap columns[kBakeSide], rows[kBakeSide];
    const float originS = BlockTextureOriginS(block), originT = BlockTextureOriginT(block);
    for (int n = 0; n < kBakeSide; ++n) {
        columns[n] = TapOfBakeTexel(n, originS);
        rows[n] = TapOfBakeTexel(n, originT);
    }
    bool opaque = true;
    for (int y = 0; y < kBakeSide; ++y) {
        const LinearTap& row = rows[y];
        for (int x = 0; x < kBakeSide; ++x) {
            float p[4];
            if (loResRgba) {
                const LinearTap& column = columns[x];
                const uint8_t* t00 = loResRgba + 4 * (kLoResSide * row.first + column.first);
                const uint8_t* t01 = loResRgba + 4 * (kLoResSide * row.first + column.second);
                const uint8_t* t10 = loResRgba + 4 * (kLoResSide * row.second + column.first);
                const uint8_t* t11 = loResRgba + 4 * (kLoResSide * row.second + column.second);
                const float a = column.weight, b = row.weight;
                for (int ch = 0; ch < 4; ++ch) {
                    const float top = (1.0f - a) * kUnit.of[t00[ch]] + a * kUnit.of[t01[ch]];
                    const float bottom = (1.0f - a) * kUnit.of[t10[ch]] + a * kUnit.of[t11[ch]];
                    p[ch] = (1.0f - b) * top + b * bottom;
                }
            } else {
                for (int ch = 0; ch < 4; ++ch) p[ch] = kUnit.of[kMissingLoResColour[ch]];
            }
            const float m = kUnit.of[MaterialSampleTo8Bits(materialTexels[kBakeSide * y + x])];
            uint8_t* out = rgba_out + 4 * (kBakeSide * y + x);
            for (int ch = 0; ch < 3; ++ch) out[ch] = ToByte((1.0f - m) + p[ch] - 0.5f);
            out[3] = ToByte((1.0f + p[3]) - 0.5f);  // the material's alpha reads as 1
            opaque = opaque && out[3] == 255;
        }
    }
    return opaque;
}
