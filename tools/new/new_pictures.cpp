// new_pictures.cpp -- pictures decoded and laid over the map grid.
#include "tools/new/new_pictures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "geometry/country_palette.h"
#include "image/png_read.h"
#include "landscape/byte_order.h"
#include "landscape/lnd_format.h"

namespace {

constexpr int kGrid = kHeightmapSide;

// The taps of one output sample: the first input sample and the weights.
struct Taps {
    int32_t first = 0;
    std::vector<double> weights;
};

// Output i at input position i (n - 1) / (kGrid - 1), a tent as wide as the
// step (one input sample at least), the weights summing to 1.
std::vector<Taps> TentTaps(int32_t n) {
    const double step = double(n - 1) / double(kGrid - 1);
    const double radius = std::max(1.0, step);
    std::vector<Taps> taps(kGrid);
    for (int i = 0; i < kGrid; ++i) {
        const double at = double(i) * step;
        const int32_t first = std::max<int32_t>(0, int32_t(std::ceil(at - radius)));
        const int32_t last = std::min<int32_t>(n - 1, int32_t(std::floor(at + radius)));
        double sum = 0;
        for (int32_t k = first; k <= last; ++k) {
            const double w = std::max(0.0, 1.0 - std::abs(double(k) - at) / radius);
            taps[size_t(i)].weights.push_back(w);
            sum += w;
        }
        for (double& w : taps[size_t(i)].weights) w /= sum;
        taps[size_t(i)].first = first;
    }
    return taps;
}

uint8_t Rounded16(uint32_t sample) { return uint8_t((sample + 128) / 257); }

// Corner on corner, the nearest input sample.
int32_t NearestSample(int i, int32_t n) { return int32_t((int64_t(i) * (n - 1) + (kGrid - 1) / 2) / (kGrid - 1)); }

uint8_t PaletteByte(float channel) { return uint8_t(std::lround(channel * 255.0f)); }

bool IsPaletteColour(int country, const uint8_t* rgb) {
    const Vector3& c = CountryPalette[country];
    return rgb[0] == PaletteByte(c.x) && rgb[1] == PaletteByte(c.y) && rgb[2] == PaletteByte(c.z);
}

std::string ColourName(const uint8_t* rgb) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", rgb[0], rgb[1], rgb[2]);
    return text;
}

}  // namespace

std::vector<uint8_t> ResampleHeights(const uint16_t* samples, int32_t width, int32_t height) {
    const std::vector<Taps> across = TentTaps(width), down = TentTaps(height);
    // Rows first, each picture row to kGrid values, then the columns.
    std::vector<double> rows(size_t(height) * kGrid);
    for (int32_t y = 0; y < height; ++y) {
        const uint16_t* row = samples + size_t(y) * size_t(width);
        double* out = rows.data() + size_t(y) * kGrid;
        for (int i = 0; i < kGrid; ++i) {
            const Taps& t = across[size_t(i)];
            double sum = 0;
            for (size_t k = 0; k < t.weights.size(); ++k) sum += t.weights[k] * row[size_t(t.first) + k];
            out[i] = sum;
        }
    }
    std::vector<uint8_t> heights(size_t(kGrid) * kGrid);
    for (int j = 0; j < kGrid; ++j) {
        const Taps& t = down[size_t(j)];
        for (int i = 0; i < kGrid; ++i) {
            double sum = 0;
            for (size_t k = 0; k < t.weights.size(); ++k) sum += t.weights[k] * rows[(size_t(t.first) + k) * kGrid + size_t(i)];
            heights[size_t(j) * kGrid + size_t(i)] = Rounded16(uint32_t(std::clamp(std::lround(sum), 0l, 65535l)));
        }
    }
    return heights;
}

bool NewHeightsFromPng(const uint8_t* png, size_t size, std::vector<uint8_t>* heights, std::string* fault) {
    DecodedPng image;
    if (!DecodePngOfAnySize(png, size, kLargestNewPictureSide, unsigned(PngLayout::Gray8) | unsigned(PngLayout::Gray16),
                            &image, fault))
        return false;
    if (image.layout == PngLayout::Gray8) {
        image.samples.resize(image.bytes.size());
        for (size_t i = 0; i < image.bytes.size(); ++i) image.samples[i] = uint16_t(257 * image.bytes[i]);
    }
    *heights = ResampleHeights(image.samples.data(), image.width_px, image.height_px);
    return true;
}

bool NewHeightsFromR16(const uint8_t* raw, size_t size, int32_t width, int32_t height, std::vector<uint8_t>* heights,
                       std::string* fault) {
    const uint64_t expected = 2 * uint64_t(width) * uint64_t(height);
    if (size != expected) {
        *fault = "is " + std::to_string(size) + " bytes; raw 16-bit samples of " + std::to_string(width) + " x " +
                 std::to_string(height) + " are " + std::to_string(expected);
        return false;
    }
    std::vector<uint16_t> samples(size / 2);
    for (size_t i = 0; i < samples.size(); ++i) samples[i] = LoadU16(raw + 2 * i);
    *heights = ResampleHeights(samples.data(), width, height);
    return true;
}

int CountryOfColour(uint8_t r, uint8_t g, uint8_t b) {
    int best = -1, bestReach = kCountryColourReach + 1;
    for (int i = 0; i < kPaletteCountries; ++i) {
        const Vector3& c = CountryPalette[i];
        const int reach = std::max({std::abs(r - PaletteByte(c.x)), std::abs(g - PaletteByte(c.y)),
                                    std::abs(b - PaletteByte(c.z))});
        if (reach < bestReach) best = i, bestReach = reach;
    }
    return best;
}

bool NewCountriesFromPng(const uint8_t* png, size_t size, std::vector<uint8_t>* countries, std::string* fault) {
    DecodedPng image;
    if (!DecodePngOfAnySize(png, size, kLargestNewPictureSide,
                            unsigned(PngLayout::Indexed8) | unsigned(PngLayout::Rgb8) | unsigned(PngLayout::Rgba8),
                            &image, fault))
        return false;
    const int32_t w = image.width_px, h = image.height_px;
    const size_t channels = image.layout == PngLayout::Rgba8 ? 4 : image.layout == PngLayout::Rgb8 ? 3 : 1;
    // Each pixel's colour and opacity, and the country it stands for (-1: none).
    std::vector<int> entryCountry;
    if (image.layout == PngLayout::Indexed8) {
        const size_t entries = image.paletteRgb.size() / 3;
        for (size_t e = 0; e < entries; ++e) {
            const uint8_t* rgb = &image.paletteRgb[3 * e];
            const bool opaque = e >= image.paletteAlpha.size() || image.paletteAlpha[e] == 255;
            int country = e < size_t(kPaletteCountries) && IsPaletteColour(int(e), rgb)
                              ? int(e)
                              : CountryOfColour(rgb[0], rgb[1], rgb[2]);
            entryCountry.push_back(opaque ? country : -1);
        }
    }
    uint64_t bad = 0;
    size_t firstBad = 0;
    std::vector<uint8_t> found(size_t(w) * size_t(h));
    for (size_t p = 0; p < found.size(); ++p) {
        const uint8_t* pixel = &image.bytes[channels * p];
        const int country = channels == 1 ? entryCountry[pixel[0]]
                            : channels == 4 && pixel[3] != 255 ? -1
                                                               : CountryOfColour(pixel[0], pixel[1], pixel[2]);
        if (country < 0 && bad++ == 0) firstBad = p;
        found[p] = uint8_t(std::max(country, 0));
    }
    if (bad > 0) {
        const uint8_t* pixel = &image.bytes[channels * firstBad];
        const uint8_t* rgb = channels == 1 ? &image.paletteRgb[3 * size_t(pixel[0])] : pixel;
        *fault = std::to_string(bad) + " pixels are no country: the first, (" + std::to_string(firstBad % size_t(w)) +
                 ", " + std::to_string(firstBad / size_t(w)) + "), is " + ColourName(rgb) +
                 " (transparent, or more than " + std::to_string(kCountryColourReach) +
                 " from every country colour in some channel)";
        return false;
    }
    countries->resize(size_t(kGrid) * kGrid);
    for (int j = 0; j < kGrid; ++j)
        for (int i = 0; i < kGrid; ++i)
            (*countries)[size_t(j) * kGrid + size_t(i)] =
                found[size_t(NearestSample(j, h)) * size_t(w) + size_t(NearestSample(i, w))];
    return true;
}

bool NewColoursFromPng(const uint8_t* png, size_t size, ColoursPicture* colours, std::string* fault) {
    DecodedPng image;
    if (!DecodePngOfAnySize(png, size, kLargestNewPictureSide, unsigned(PngLayout::Rgb8) | unsigned(PngLayout::Rgba8),
                            &image, fault))
        return false;
    colours->width = image.width_px;
    colours->height = image.height_px;
    if (image.layout == PngLayout::Rgb8) {
        colours->rgb = std::move(image.bytes);
        return true;
    }
    colours->rgb.resize(image.bytes.size() / 4 * 3);
    for (size_t p = 0; p < colours->rgb.size() / 3; ++p)
        for (size_t k = 0; k < 3; ++k) colours->rgb[3 * p + k] = image.bytes[4 * p + k];
    return true;
}

bool NewMaterialFromPng(const uint8_t* png, size_t size, NewMaterial* material, std::string* fault) {
    DecodedPng image;
    if (!DecodePng(png, size, kMaterialSide, kMaterialSide,
                   unsigned(PngLayout::Gray8) | unsigned(PngLayout::Gray16) | unsigned(PngLayout::Rgb8), &image,
                   fault))
        return false;
    const size_t texels = size_t(kMaterialSide) * kMaterialSide;
    std::vector<int64_t> light(texels);
    int64_t sums[3] = {0, 0, 0};
    for (size_t p = 0; p < texels; ++p) {
        int64_t rgb[3];
        if (image.layout == PngLayout::Gray16) rgb[0] = rgb[1] = rgb[2] = image.samples[p];
        else if (image.layout == PngLayout::Gray8) rgb[0] = rgb[1] = rgb[2] = 257 * int64_t(image.bytes[p]);
        else
            for (size_t k = 0; k < 3; ++k) rgb[k] = 257 * int64_t(image.bytes[3 * p + k]);
        for (size_t k = 0; k < 3; ++k) sums[k] += rgb[k];
        light[p] = (299 * rgb[0] + 587 * rgb[1] + 114 * rgb[2]) / 1000;
    }
    int64_t meanLight = 0;
    for (int64_t l : light) meanLight += l;
    meanLight /= int64_t(texels);
    // The frame adds 0.5 - M to the far colour and weighs the four corners
    // 252/256 together: texels around this value leave the far colour as it is.
    constexpr int64_t kMidTexel = 32768 * 256 / 252;
    material->texels.resize(texels);
    for (size_t p = 0; p < texels; ++p)
        material->texels[p] = uint16_t(std::clamp<int64_t>(kMidTexel - (light[p] - meanLight), 0, 65535));
    for (size_t k = 0; k < 3; ++k) material->rgb[k] = uint8_t((sums[k] / int64_t(texels) + 128) / 257);
    return true;
}
