// material_synthesis.h -- the 256 x 256 single-channel material texture of a
// block, computed from its corner altitudes, the countries' material blends
// and the detail map. Pure: no GL, no allocation; the caller owns every buffer.
#pragma once

#include <cstdint>

// 16 x 16 corner weights in 256ths; entry 16 a + b weighs a texel a columns
// and b rows away from the corner.
using BlendWeightTable = uint8_t[256];

// Both filled with 63 by main at start-up; read only by the synthesis.
extern BlendWeightTable SplitBlendWeights;    // quads whose own cell has SplitFlag set
extern BlendWeightTable UnsplitBlendWeights;  // the others

inline constexpr int kMaterialTextureSide = 256;
inline constexpr int kMaterialTextureTexels = kMaterialTextureSide * kMaterialTextureSide;

// Where a block's material inputs lie. Every pointer points into the loaded
// file and has been checked to hold its whole area: countryCount records of
// 3076 bytes, materialCount records of 131074 bytes, and 65536 detail bytes.
struct MaterialSources {
    const uint8_t* countryArea;
    int32_t countryCount;
    const uint8_t* materialArea;
    int32_t materialCount;
    const uint8_t* detailMap;
};

// Computes one block's material texture into texels_out (65536 values,
// row-major, 256 per row, row 0 first). `block` points at a 2520-byte Block
// record. A CountryIndex at or above countryCount uses the last country, a
// material index at or above materialCount the last material; with no
// country or no material at all a corner colour is 32768 (mid-grey). Reads
// only inside `block` and the areas described by `sources`; allocates
// nothing, and uses about 140 KiB of stack for the resolved country entries.
void SynthesizeBlockMaterial(const uint8_t* block, const MaterialSources& sources, const BlendWeightTable splitWeights,
                             const BlendWeightTable unsplitWeights, uint16_t* texels_out);
