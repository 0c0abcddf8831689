// material_reference.h -- a direct, deliberately slow evaluation of the
// formula in material_synthesis.h, texel by texel, used by the unit tests as
// the oracle for SynthesizeBlockMaterial and by the benchmark as the
// baseline: double arithmetic for the lookup altitude and the texel, the
// pinned double operations for each corner colour, every record read in
// place through the lnd_format accessors for every texel and corner.
//
// The bounds rules are those of the contract in material_synthesis.h: a
// CountryIndex at or above countryCount uses the last country, a material
// index at or above materialCount the last material, and with no country or
// no material a corner colour is 32768. The truncation of the corner-colour
// sum goes through int64_t: the sum is below 2^41 even for BlendWeights above
// 255, so the conversion is defined.
//
// Whoever includes this must compile with -ffp-contract=off (the build sets
// it on those files), or the oracle itself would fuse the multiply-adds.
#pragma once

#include <algorithm>
#include <cstdint>

#include "landscape/lnd_format.h"
#include "texture/material_synthesis.h"

namespace material_reference {

inline constexpr double kInv255 = 0.00392156862745098;  // (1/255)
inline constexpr double kInv256 = 0.00390625;           // w/256 is w x 0.00390625, exact

// The Country record a cell's CountryIndex names (clamped to the last one).
inline const uint8_t* CountryOf(const uint8_t* block, int row, int column, const MaterialSources& s) {
    int32_t index = CellCountryIndex(block, row, column);
    if (index >= s.countryCount) index = s.countryCount - 1;
    return s.countryArea + kCountrySize * uint64_t(index);
}

inline const uint8_t* MaterialOf(uint32_t index, const MaterialSources& s) {
    if (index >= uint32_t(s.materialCount)) index = uint32_t(s.materialCount - 1);
    return s.materialArea + kMaterialSize * uint64_t(index);
}

// The corner colour for one corner.
inline uint32_t CornerColour(const uint8_t* country, int h, int y, int x, const MaterialSources& s) {
    if (s.countryCount <= 0 || s.materialCount <= 0) return 32768;
    const uint8_t* e = CountryEntryAt(country, h);
    const uint32_t w = EntryBlendWeight(e);
    const double Ma = MaterialTexel(MaterialOf(EntryMaterialA(e), s), y, x);
    const double Mb = MaterialTexel(MaterialOf(EntryMaterialB(e), s), y, x);
    const double fB = double(uint32_t(255u - w)) * kInv255;  // first each factor, rounded
    const double fA = double(w) * kInv255;
    const double productB = Mb * fB;  // then each product, rounded
    const double productA = Ma * fA;
    const double sum = productB + productA;  // then the sum
    return uint32_t(int64_t(sum)) & 0xFFFFu;  // truncated last; low 16 bits
}

inline void Synthesize(const uint8_t* block, const MaterialSources& s, const BlendWeightTable splitWeights,
                       const BlendWeightTable unsplitWeights, uint16_t* texels_out) {
    for (int i = 0; i < 16; ++i) {
        for (int j = 0; j < 16; ++j) {
            const bool anyCountry = s.countryCount > 0;
            const uint8_t* K00 = anyCountry ? CountryOf(block, i, j, s) : nullptr;
            const uint8_t* K01 = anyCountry ? CountryOf(block, i, j + 1, s) : nullptr;
            const uint8_t* K10 = anyCountry ? CountryOf(block, i + 1, j, s) : nullptr;
            const uint8_t* K11 = anyCountry ? CountryOf(block, i + 1, j + 1, s) : nullptr;
            const double A00 = CellAltitude(block, i, j);
            const double A01 = CellAltitude(block, i, j + 1);
            const double A10 = CellAltitude(block, i + 1, j);
            const double A11 = CellAltitude(block, i + 1, j + 1);
            const uint8_t* T = CellSplitFlag(block, i, j) ? splitWeights : unsplitWeights;
            for (int ty = 0; ty < 16; ++ty) {
                for (int tx = 0; tx < 16; ++tx) {
                    const int y = 16 * i + ty;
                    const int x = 16 * j + tx;
                    // the four corner weights of this texel
                    const uint32_t w00 = T[16 * tx + ty];
                    const uint32_t w01 = T[240 - 16 * tx + ty];
                    const uint32_t w10 = T[15 + 16 * tx - ty];
                    const uint32_t w11 = T[255 - 16 * tx - ty];
                    // detail noise
                    const double d = DetailAt(s.detailMap, x, y);
                    // lookup altitude
                    const double hSum = A00 * (w00 * kInv256) + A01 * (w01 * kInv256) + A10 * (w10 * kInv256) +
                                        A11 * (w11 * kInv256) + d;
                    int h = int(hSum);
                    if (h > 255) h = 255;
                    // corner colours
                    const double C00 = CornerColour(K00, h, y, x, s);
                    const double C01 = CornerColour(K01, h, y, x, s);
                    const double C10 = CornerColour(K10, h, y, x, s);
                    const double C11 = CornerColour(K11, h, y, x, s);
                    // texel
                    const double outSum = C00 * (w00 * kInv256) + C01 * (w01 * kInv256) + C10 * (w10 * kInv256) +
                                          C11 * (w11 * kInv256);
                    texels_out[256 * y + x] = uint16_t(int64_t(outSum) & 0xFFFF);
                }
            }
        }
    }
}

}  // namespace material_reference
