// material_synthesis.h -- the 256 x 256 single-channel material texture of a
// block, computed from its corner altitudes, the countries' material blends
// and the detail map. Pure: no GL, no allocation; the caller owns every buffer.
//
// The texel at texture row y = 16 i + ty, column x = 16 j + tx (quad (i, j)
// of the block, texel (tx, ty) inside it, all 0..15) is, exactly:
//
//   T   the table of the quad's own cell (i, j): SplitBlendWeights when its
//       SplitFlag is set, else UnsplitBlendWeights;
//   w00 = T[16 tx + ty]            corner (i, j)
//   w01 = T[16 (15 - tx) + ty]     corner (i, j + 1)
//   w10 = T[16 tx + (15 - ty)]     corner (i + 1, j)
//   w11 = T[16 (15 - tx) + (15 - ty)]   corner (i + 1, j + 1)
//   d   = DetailMap[256 x + y]     (the detail map is stored column-major)
//   h   = min(255, floor((A00 w00 + A01 w01 + A10 w10 + A11 w11) / 256) + d)
//         with Akl the corners' Altitudes;
//   for each corner k, with e = entry h of the corner's Country, w its
//   BlendWeight, Ma and Mb texel (y, x) of Materials MaterialA and MaterialB:
//   Ck  = trunc(Mb * fB + Ma * fA) mod 65536, where fB = (255 - w) * (1/255)
//         and fA = w * (1/255) in IEEE double, rounded to nearest after every
//         operation, in this order: the two factors, the two products, their
//         sum; (255 - w) is an unsigned 32-bit difference and (1/255) is the
//         double nearest to 1/255;
//   out = floor((C00 w00 + C01 w01 + C10 w10 + C11 w11) / 256) mod 65536.
//
// h and out are exact in integers; Ck is not (for w = 4 and Ma = Mb = 3 it is
// 2, since fA + fB falls just below 1), which is why it is pinned to those
// double operations and this file's build keeps the compiler from fusing them.
#pragma once

#include <cstdint>

#include "landscape/lnd_check.h"

// 16 x 16 corner weights in 256ths; entry 16 a + b weighs a texel a columns
// and b rows away from the corner.
using BlendWeightTable = uint8_t[256];

// Read only by the synthesis; both hold kStartBlendWeight from start-up on.
extern BlendWeightTable SplitBlendWeights;    // quads whose own cell has SplitFlag set
extern BlendWeightTable UnsplitBlendWeights;  // the others

// The weight every entry of both tables holds from start-up on: four corners
// of 63 weigh 252/256 together.
inline constexpr uint8_t kStartBlendWeight = 63;

// Fills both tables with kStartBlendWeight, as the program's own start with
// them.
void FillStartBlendWeights(BlendWeightTable split, BlendWeightTable unsplit);

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

// The material inputs of a usable checked landscape.
inline MaterialSources MaterialSourcesOf(const CheckedLandscape& landscape) {
    return {landscape.CountryArea(), landscape.counts.countryCount, landscape.MaterialArea(),
            landscape.counts.materialCount, landscape.DetailMap()};
}

// Computes one block's material texture into texels_out (65536 values,
// row-major, 256 per row, row 0 first). `block` points at a 2520-byte Block
// record. A CountryIndex at or above countryCount uses the last country, a
// material index at or above materialCount the last material; with no
// country or no material at all a corner colour is 32768 (mid-grey). Reads
// only inside `block` and the areas described by `sources`; allocates
// nothing, and uses about 140 KiB of stack for the resolved country entries.
void SynthesizeBlockMaterial(const uint8_t* block, const MaterialSources& sources, const BlendWeightTable splitWeights,
                             const BlendWeightTable unsplitWeights, uint16_t* texels_out);
