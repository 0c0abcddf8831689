// heightmap.h -- the whole block map as one grid of altitude samples, with
// the country of every sample, for terrain tools; and the JSON sidecar that
// says how to read it. Pure: no output, no file access.
//
// The grid is 513 x 513: sample (16 row + r, 16 column + c) is cell (r, c)
// of the block at map place (row, column), so neighbouring places share
// their edge samples. Where two places disagree about a shared sample, the
// place first in row-major order (row by row, each row left to right) wins.
// Samples no block covers (empty places, and bytes that name no block) are
// altitude 0 with no country.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "landscape/lnd_check.h"

inline constexpr uint8_t kNoCountry = kPaletteCountries;  // the country "index" of a sample no block covers

struct Heightmap {
    std::vector<uint8_t> altitudes;  // kHeightmapSide squared, row 0 first
    std::vector<uint8_t> countries;  // the same layout: CountryIndex, or kNoCountry
    std::vector<std::array<int, 2>> emptyPlaces;  // [row, column] of places with no block, row-major
    uint64_t mismatchedEdgeSamples = 0;  // shared samples on which neighbouring places disagree
    bool anyBlock = false;               // some place holds a block; the bounds below are known
    int altitudeMin = 0, altitudeMax = 0;
};

// landscape must be usable.
Heightmap BuildHeightmap(const CheckedLandscape& landscape);

enum class HeightmapFormat { Png16, Png8, R16 };

// Altitude x 257, so that 255 is full scale: the samples of png16 and r16.
std::vector<uint16_t> HeightmapSamples16(const Heightmap& heightmap);
// The r16 file: those samples little-endian, row 0 first, nothing else.
std::string HeightmapR16Bytes(const Heightmap& heightmap);
// The sidecar document (one JSON object and a newline): format, width and
// height, units_per_sample (10 world units), height_scale (world units per
// step of the stored value: 1/257 for png16 and r16, 1 for png8),
// altitude_min and altitude_max (null without any block), empty_places as
// [row, column] pairs, mismatched_edge_samples.
std::string HeightmapSidecarJson(const Heightmap& heightmap, HeightmapFormat format);

// The countries as an indexed PNG: index k is country k in the country
// palette, and index kNoCountry, fully transparent, a sample no block covers.
bool EncodeHeightmapCountries(const Heightmap& heightmap, std::string* png, std::string* error);
