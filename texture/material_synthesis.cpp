// material_synthesis.cpp -- one block's 256 x 256 material texture, exactly
// as the header's formula defines it, without GL, allocation or printing.
//
// How this differs from evaluating the formula texel by texel, and why each
// step keeps the result identical:
//
// 1. Entry resolution, once per block and used country. A corner colour only
//    depends on the corner's (clamped) Country, the lookup altitude h and the
//    texel position. So for every Country that a cell of the block names,
//    each of its 256 entries is resolved once into the two (clamped) Material
//    texel arrays and the two blend factors fA and fB. The per-texel work is
//    then two texel loads, two products and a sum.
// 2. Blend factors: for BlendWeight w <= 255 they come from kBlendFactors,
//    256 pairs computed (at compile time) by exactly the same double
//    operations, so they are the same numbers; a weight above 255 computes
//    them the same way at resolution time.
// 3. Corners that share a Country share a colour: all four corners of a
//    texel use the same h and the same (y, x), so equal Countries give equal
//    Ck. Each distinct Country of a quad is evaluated once per texel; a quad
//    whose four corners share one Country (the usual case) needs a single
//    evaluation, weighted by the sum of the four corner weights (exact in
//    integers: C w00 + C w01 + C w10 + C w11 = C (w00 + w01 + w10 + w11)).
// 4. The lookup altitude and the texel are done in integers, which is exact
//    (every product fits 24 bits and every weight/256 is a multiple of 1/256).
//    The mirrored corner weights and their sums are tabulated once per call
//    for both tables; per quad, the 256 lookup altitudes are computed first
//    in one simple loop (which the compiler vectorises), and the texel loop
//    is specialised on the number of distinct Countries.
// 5. Order: quads in any order, texels of a quad column by column (tx outer,
//    ty inner), so that the column-major DetailMap is read 16 contiguous
//    bytes at a time. Every texel is computed independently, so the order
//    changes nothing in the result.
//
// Range of the corner-colour sum (why the int64_t truncation is always
// defined): the factors are non-negative. For w <= 255, fA + fB <= 1 + 2^-52,
// so the sum is below 65536. For w > 255, 255 - w wraps to 2^32 + 255 - w,
// so fA + fB = (2^32 + 255) / 255 (1 + tiny) < 16843011 and the sum is below
// 65535 x 16843011 < 1.11e12 < 2^41, far inside int64_t (a uint32_t
// conversion could overflow, which is undefined). The truncated value is
// then reduced to its low 16 bits, the wrap-around the format defines.
//
// Evaluation order: each product is a statement of its own, and the build
// compiles this file with -ffp-contract=off whatever the global flags, so
// "Mb fB + Ma fA" is never fused into one multiply-add, which would round
// once instead of three times and change some texels by one.
#include "texture/material_synthesis.h"

#include <algorithm>
#include <cstddef>

#include "landscape/lnd_format.h"

BlendWeightTable SplitBlendWeights = {};
BlendWeightTable UnsplitBlendWeights = {};

void FillStartBlendWeights(BlendWeightTable split, BlendWeightTable unsplit) {
    std::fill(split, split + 256, kStartBlendWeight);
    std::fill(unsplit, unsplit + 256, kStartBlendWeight);
}

// Every program that synthesises links this file: the tables are filled
// here, once, before main runs.
static const bool kStartBlendWeightsFilled = (FillStartBlendWeights(SplitBlendWeights, UnsplitBlendWeights), true);

namespace {

// The double nearest to 1/255.
constexpr double kInv255 = 0.00392156862745098;
static_assert(kInv255 == 1.0 / 255.0, "(1/255) is the double nearest to 1/255");

constexpr uint32_t kNoMaterialColour = 32768;  // corner colour without any country or material

struct BlendFactorPair {
    double fB;  // (255 - w) x (1/255), the unsigned 32-bit difference as a double
    double fA;  // w x (1/255)
};

constexpr BlendFactorPair ComputeBlendFactors(uint32_t w) {
    return {double(uint32_t(255u - w)) * kInv255, double(w) * kInv255};
}

struct BlendFactorTable {
    BlendFactorPair pair[256];
};

constexpr BlendFactorTable MakeBlendFactorTable() {
    BlendFactorTable t{};
    for (uint32_t w = 0; w < 256; ++w) t.pair[w] = ComputeBlendFactors(w);
    return t;
}

// Built once, by the compiler: the same IEEE double operations as at run time.
constexpr BlendFactorTable kBlendFactors = MakeBlendFactorTable();
static_assert(kBlendFactors.pair[255].fA == 1.0 && kBlendFactors.pair[255].fB == 0.0);
static_assert(kBlendFactors.pair[0].fA == 0.0 && kBlendFactors.pair[0].fB == 1.0);

BlendFactorPair BlendFactors(uint32_t w) { return w <= 255 ? kBlendFactors.pair[w] : ComputeBlendFactors(w); }

// One CountryEntry made ready for the texel loop.
struct ResolvedEntry {
    const uint8_t* texelsB;  // Texels of the (clamped) MaterialB
    const uint8_t* texelsA;  // Texels of the (clamped) MaterialA
    BlendFactorPair factors;
};

// The corner colour for one corner: texelOffset is 2 (256 y + x), in bytes.
inline uint32_t CornerColour(const ResolvedEntry& e, size_t texelOffset) {
    const double mb = LoadU16(e.texelsB + texelOffset);
    const double ma = LoadU16(e.texelsA + texelOffset);
    const double productB = mb * e.factors.fB;
    const double productA = ma * e.factors.fA;
    const double sum = productB + productA;
    return uint32_t(int64_t(sum)) & 0xFFFFu;  // 0 <= sum < 2^41, see the top of the file
}

// The mirrored corner weights for one table, indexed 16 tx + ty
// (the quad loop below runs tx outer, ty inner, so that the column-major
// DetailMap is read 16 contiguous bytes at a time), and their sum.
struct CornerWeights {
    uint16_t corner[4][256];  // corners 00, 01, 10, 11
    uint16_t sum[256];
};

void TabulateWeights(const BlendWeightTable table, CornerWeights& cw) {
    for (int tx = 0; tx < 16; ++tx) {
        for (int ty = 0; ty < 16; ++ty) {
            const int t = 16 * tx + ty;
            cw.corner[0][t] = table[16 * tx + ty];
            cw.corner[1][t] = table[16 * (15 - tx) + ty];
            cw.corner[2][t] = table[16 * tx + (15 - ty)];
            cw.corner[3][t] = table[16 * (15 - tx) + (15 - ty)];
            cw.sum[t] = uint16_t(cw.corner[0][t] + cw.corner[1][t] + cw.corner[2][t] + cw.corner[3][t]);
        }
    }
}

// Texel (16 i + ty, 16 j + tx) is element 256 (16 i + ty) + 16 j + tx of the
// texture and of every Material's Texels.
inline size_t TexelIndex(int i, int j, int tx, int ty) { return size_t(256 * (16 * i + ty) + 16 * j + tx); }

// No country or no material: every corner colour is 32768.
void FillWithoutMaterials(const CornerWeights& split, const CornerWeights& unsplit, const uint8_t* block,
                          uint16_t* texels_out) {
    for (int i = 0; i < kBlockQuads; ++i) {
        for (int j = 0; j < kBlockQuads; ++j) {
            const CornerWeights& cw = CellSplitFlag(block, i, j) ? split : unsplit;
            for (int tx = 0; tx < 16; ++tx)
                for (int ty = 0; ty < 16; ++ty)
                    texels_out[TexelIndex(i, j, tx, ty)] = uint16_t((kNoMaterialColour * cw.sum[16 * tx + ty]) >> 8);
        }
    }
}

// Corner colours and texels for the texels of quad (i, j), given each texel's lookup
// altitude h and, for each of the quad's kGroups distinct Countries, its
// entries and the summed weight of the corners that have it.
template <int kGroups>
void ShadeQuad(int i, int j, const uint8_t* h, const ResolvedEntry* const* groupEntries,
               const uint16_t* const* groupWeight, uint16_t* texels_out) {
    for (int tx = 0; tx < 16; ++tx) {
        for (int ty = 0; ty < 16; ++ty) {
            const int t = 16 * tx + ty;
            const size_t texel = TexelIndex(i, j, tx, ty);
            uint32_t sum = 0;
#pragma GCC unroll 4
            for (int g = 0; g < kGroups; ++g)
                sum += CornerColour(groupEntries[g][h[t]], 2 * texel) * groupWeight[g][t];
            texels_out[texel] = uint16_t(sum >> 8);
        }
    }
}

}  // namespace

void SynthesizeBlockMaterial(const uint8_t* block, const MaterialSources& sources, const BlendWeightTable splitWeights,
                             const BlendWeightTable unsplitWeights, uint16_t* texels_out) {
    CornerWeights split, unsplit;
    TabulateWeights(splitWeights, split);
    TabulateWeights(unsplitWeights, unsplit);

    if (sources.countryCount <= 0 || sources.materialCount <= 0) {
        FillWithoutMaterials(split, unsplit, block, texels_out);
        return;
    }

    // Clamped country of every cell; CountryIndex is 4 bits, so at most 16.
    const int lastCountry = std::min(sources.countryCount - 1, kPaletteCountries - 1);
    uint8_t cellCountry[kBlockGridPoints][kBlockGridPoints];
    bool used[kPaletteCountries] = {};
    for (int r = 0; r < kBlockGridPoints; ++r) {
        for (int c = 0; c < kBlockGridPoints; ++c) {
            const uint8_t country = uint8_t(std::min<int>(CellCountryIndex(block, r, c), lastCountry));
            cellCountry[r][c] = country;
            used[country] = true;
        }
    }

    // Resolve the entries of every country the block uses.
    const uint32_t lastMaterial = uint32_t(sources.materialCount - 1);
    const uint8_t* const materialTexels = sources.materialArea + kTexelsOffset;
    ResolvedEntry entries[kPaletteCountries][kCountryEntryCount];  // 128 KiB of stack, filled only where used
    for (int k = 0; k < kPaletteCountries; ++k) {
        if (!used[k]) continue;
        const uint8_t* country = sources.countryArea + kCountrySize * uint64_t(k);
        for (int h = 0; h < kCountryEntryCount; ++h) {
            const uint8_t* entry = CountryEntryAt(country, h);
            const uint32_t a = std::min(EntryMaterialA(entry), lastMaterial);
            const uint32_t b = std::min(EntryMaterialB(entry), lastMaterial);
            entries[k][h] = {materialTexels + kMaterialSize * b, materialTexels + kMaterialSize * a,
                             BlendFactors(EntryBlendWeight(entry))};
        }
    }

    for (int i = 0; i < kBlockQuads; ++i) {
        for (int j = 0; j < kBlockQuads; ++j) {
            const CornerWeights& cw = CellSplitFlag(block, i, j) ? split : unsplit;
            const uint32_t altitude[4] = {CellAltitude(block, i, j), CellAltitude(block, i, j + 1),
                                          CellAltitude(block, i + 1, j), CellAltitude(block, i + 1, j + 1)};
            const int country[4] = {cellCountry[i][j], cellCountry[i][j + 1], cellCountry[i + 1][j],
                                    cellCountry[i + 1][j + 1]};

            // Lookup altitudes for the whole quad: h = min(255, floor(sum Ak wk / 256) + d).
            uint8_t h[256];
            const uint8_t* detail = sources.detailMap + 256 * (16 * j) + 16 * i;  // + 256 tx + ty
            for (int tx = 0; tx < 16; ++tx) {
                for (int ty = 0; ty < 16; ++ty) {
                    const int t = 16 * tx + ty;
                    const uint32_t weighted = altitude[0] * cw.corner[0][t] + altitude[1] * cw.corner[1][t] +
                                              altitude[2] * cw.corner[2][t] + altitude[3] * cw.corner[3][t];
                    h[t] = uint8_t(std::min<uint32_t>(255, (weighted >> 8) + detail[256 * tx + ty]));
                }
            }

            // The quad's distinct countries, each with the summed weight of
            // its corners (the corner weights themselves when all differ).
            const ResolvedEntry* groupEntries[4];
            const uint16_t* groupWeight[4];
            uint16_t summedWeight[4][256];
            int groupOf[4];
            int groups = 0;
            for (int k = 0; k < 4; ++k) {
                int first = 0;
                while (country[first] != country[k]) ++first;
                groupOf[k] = first == k ? groups++ : groupOf[first];
                if (first == k) groupEntries[groupOf[k]] = entries[country[k]];
            }
            if (groups == 1) {
                groupWeight[0] = cw.sum;
            } else if (groups == 4) {
                for (int k = 0; k < 4; ++k) groupWeight[k] = cw.corner[k];
            } else {
                for (int g = 0; g < groups; ++g) {
                    std::fill(summedWeight[g], summedWeight[g] + 256, uint16_t(0));
                    groupWeight[g] = summedWeight[g];
                }
                for (int k = 0; k < 4; ++k)
                    for (int t = 0; t < 256; ++t) summedWeight[groupOf[k]][t] += cw.corner[k][t];
            }

            switch (groups) {
                case 1: ShadeQuad<1>(i, j, h, groupEntries, groupWeight, texels_out); break;
                case 2: ShadeQuad<2>(i, j, h, groupEntries, groupWeight, texels_out); break;
                case 3: ShadeQuad<3>(i, j, h, groupEntries, groupWeight, texels_out); break;
                default: ShadeQuad<4>(i, j, h, groupEntries, groupWeight, texels_out); break;
            }
        }
    }
}
