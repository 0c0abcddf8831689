// sample_landscape.h -- a generated landscape file: a fractal island with countries,
// materials, a detail map and coloured LoRes overviews, for users and tests
// that have no landscape of the game at hand.
#pragma once

#include <cstdint>
#include <vector>

// What a sample holds besides its blocks and LoRes textures.
inline constexpr int32_t kSampleCountryCount = 5;   // coast, meadow, forest, heath, highland
inline constexpr int32_t kSampleMaterialCount = 8;  // water, sand, grass, soil, forest floor, scree, rock, snow
inline constexpr int kSampleBlocksPerLoRes = 16;    // 4 x 4 blocks share one LoRes texture

// Builds a whole, well-formed landscape file in memory and returns its bytes,
// exactly ComputeLandscapeAreas(...).end of its counts long.
//
// - Pure and deterministic: the same seed and cap give the same bytes on every
//   run. Everything but the DXT3 encoding is integer arithmetic (with one
//   correctly rounded square root); the encoding is libsquish's, which gives
//   the same blocks for the same image.
// - maxBlocks is clamped to 1..255. The island is sized to the cap: every map
//   place that holds land gets a block of its own (numbered row by row, map
//   byte = block index + 1), every other place is 0 (open sea), and the block
//   count never exceeds the cap. The highest cell is 255, open sea is 0.
// - Blocks sample one height field at 16 cells per block, so every edge cell
//   equals, byte for byte, the cell its neighbour shares; the cells facing an
//   empty place lie at altitude 0.
// - Block k (0-based) lies in LoRes texture k / 16 at the origin
//   (0.25 (k % 4), 0.25 ((k / 4) % 4)); the texture shows the block's colours
//   where the viewer's texture coordinates (c + 0.75) / 68 + origin land.
std::vector<uint8_t> MakeSampleLandscape(uint32_t seed, int maxBlocks);

// The sample's own materials and countries, for landscapes made from
// pictures: material m's 256 x 256 texels (m < kSampleMaterialCount), its
// colour in the overviews, entry h of country `country`'s material blend
// (country < kSampleCountryCount), and the detail map (65536 bytes).
void SampleMaterialTexels(int m, uint32_t seed, uint16_t* texels);
void SampleMaterialColour(int m, uint8_t rgb[3]);
void SampleCountryEntry(int country, int h, uint32_t* materialA, uint32_t* materialB, uint32_t* blendWeight);
void SampleDetailMap(uint32_t seed, uint8_t* detail);
