// new_pictures.h -- the pictures a new landscape is made from, decoded and
// laid over the 513 x 513 map grid (sample (16 row + r, 16 column + c) is
// cell (r, c) of the block at map place (row, column)). Pure: bytes in,
// values out; a fault is one sentence without the file's name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The widest picture taken, both ways (a terrain tool's 8193 x 8193 included).
inline constexpr int32_t kLargestNewPictureSide = 8193;

// Altitudes (kHeightmapSide squared, row 0 first) from a grey PNG of any
// size, 8-bit (taken as 257 times its value) or 16-bit, or from raw 16-bit
// little-endian samples of the given size. See ResampleHeights.
bool NewHeightsFromPng(const uint8_t* png, size_t size, std::vector<uint8_t>* heights, std::string* fault);
bool NewHeightsFromR16(const uint8_t* raw, size_t size, int32_t width, int32_t height, std::vector<uint8_t>* heights,
                       std::string* fault);

// 16-bit samples (width x height, row 0 first) to kHeightmapSide squared
// altitudes. The picture's corners are the grid's corners: grid sample i
// lies at picture sample i (width - 1) / 512. Each is a tent filter there,
// as wide as the step between grid samples and at least one picture sample
// either side: bilinear where the picture is smaller, an average over the
// step where it is larger, and a 513-sample side taken exactly. The 16-bit
// value then becomes an altitude divided by 257 and rounded.
std::vector<uint8_t> ResampleHeights(const uint16_t* samples, int32_t width, int32_t height);

// The country whose palette colour is nearest to (r, g, b), or -1 when each
// channel is more than kCountryColourReach from it for every country.
inline constexpr int kCountryColourReach = 40;
int CountryOfColour(uint8_t r, uint8_t g, uint8_t b);

// Country indices (kHeightmapSide squared) from a PNG of any size: indexed
// colour (an entry that holds the country palette's colour at its own index
// is that country, any other entry the country of its colour) or RGB / RGBA
// (each pixel the country of its colour; alpha must be 255); resampled to
// the grid by the nearest sample, corners on corners.
bool NewCountriesFromPng(const uint8_t* png, size_t size, std::vector<uint8_t>* countries, std::string* fault);

// A picture of the far colours, any size, RGB or RGBA (alpha left out).
struct ColoursPicture {
    int32_t width = 0, height = 0;
    std::vector<uint8_t> rgb;  // 3 bytes a pixel, row 0 first
};
bool NewColoursFromPng(const uint8_t* png, size_t size, ColoursPicture* colours, std::string* fault);

// A material from a 256 x 256 picture, grey (8- or 16-bit) or RGB: its
// brightness becomes the texels so that the near look shows the picture's
// light and dark around the far colour, which is the picture's mean colour.
struct NewMaterial {
    std::vector<uint16_t> texels;  // 65536, row-major
    uint8_t rgb[3] = {128, 128, 128};
};
bool NewMaterialFromPng(const uint8_t* png, size_t size, NewMaterial* material, std::string* fault);
