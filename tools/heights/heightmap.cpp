// heightmap.cpp -- the block map's cells on one grid, and its sidecar.
#include "tools/heights/heightmap.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>

#include "geometry/country_palette.h"
#include "image/png_write.h"
#include "landscape/byte_order.h"
#include "landscape/map_grid.h"

Heightmap BuildHeightmap(const CheckedLandscape& landscape) {
    Heightmap map;
    const size_t samples = size_t(kHeightmapSide) * kHeightmapSide;
    map.altitudes.assign(samples, 0);
    map.countries.assign(samples, kNoCountry);
    std::vector<uint8_t> taken(samples, 0);     // a place has set this sample
    std::vector<uint8_t> mismatched(samples, 0);  // counted once however many places disagree
    for (int row = 0; row < kBlockMapSide; ++row) {
        for (int column = 0; column < kBlockMapSide; ++column) {
            const int32_t k = BlockAtPlace(landscape, row, column);
            if (k < 0) {
                map.emptyPlaces.push_back({row, column});
                continue;
            }
            const uint8_t* block = landscape.Block(k);
            for (int r = 0; r < kBlockGridPoints; ++r) {
                for (int c = 0; c < kBlockGridPoints; ++c) {
                    const size_t n =
                        size_t(kHeightmapSide) * size_t(kBlockQuads * row + r) + size_t(kBlockQuads * column + c);
                    const uint8_t altitude = CellAltitude(block, r, c);
                    if (taken[n]) {
                        if (map.altitudes[n] != altitude && !mismatched[n]) {
                            mismatched[n] = 1;
                            ++map.mismatchedEdgeSamples;
                        }
                        continue;
                    }
                    taken[n] = 1;
                    map.altitudes[n] = altitude;
                    map.countries[n] = CellCountryIndex(block, r, c);
                    map.altitudeMin = map.anyBlock ? std::min<int>(map.altitudeMin, altitude) : altitude;
                    map.altitudeMax = map.anyBlock ? std::max<int>(map.altitudeMax, altitude) : altitude;
                    map.anyBlock = true;
                }
            }
        }
    }
    return map;
}

std::vector<uint16_t> HeightmapSamples16(const Heightmap& heightmap) {
    std::vector<uint16_t> samples(heightmap.altitudes.size());
    std::transform(heightmap.altitudes.begin(), heightmap.altitudes.end(), samples.begin(),
                   [](uint8_t altitude) { return uint16_t(altitude * 257); });
    return samples;
}

std::string HeightmapR16Bytes(const Heightmap& heightmap) {
    std::string bytes(2 * heightmap.altitudes.size(), '\0');
    for (size_t n = 0; n < heightmap.altitudes.size(); ++n)
        StoreU16(reinterpret_cast<uint8_t*>(&bytes[2 * n]), uint16_t(heightmap.altitudes[n] * 257));
    return bytes;
}

std::string HeightmapSidecarJson(const Heightmap& heightmap, HeightmapFormat format) {
    static const char* const kFormatNames[] = {"png16", "png8", "r16"};
    const nlohmann::ordered_json unknown;  // null: no block, no altitude
    nlohmann::ordered_json sidecar = {
        {"format", kFormatNames[int(format)]},
        {"width", kHeightmapSide},
        {"height", kHeightmapSide},
        {"units_per_sample", kCellWorldSize},
        {"height_scale", format == HeightmapFormat::Png8 ? 1.0 : 1.0 / 257.0},
        {"altitude_min", heightmap.anyBlock ? nlohmann::ordered_json(heightmap.altitudeMin) : unknown},
        {"altitude_max", heightmap.anyBlock ? nlohmann::ordered_json(heightmap.altitudeMax) : unknown},
        {"empty_places", heightmap.emptyPlaces},
        {"mismatched_edge_samples", heightmap.mismatchedEdgeSamples},
    };
    return sidecar.dump() + "\n";
}

// The country palette in bytes, and one more entry, fully transparent, for
// the samples no block covers.
bool EncodeHeightmapCountries(const Heightmap& heightmap, std::string* png, std::string* error) {
    uint8_t rgb[3 * (kPaletteCountries + 1)] = {};
    uint8_t alpha[kPaletteCountries + 1];
    for (int i = 0; i < kPaletteCountries; ++i) {
        const Vector3& colour = CountryPalette[i];
        rgb[3 * i] = uint8_t(std::lround(colour.x * 255.0f));
        rgb[3 * i + 1] = uint8_t(std::lround(colour.y * 255.0f));
        rgb[3 * i + 2] = uint8_t(std::lround(colour.z * 255.0f));
        alpha[i] = 255;
    }
    alpha[kNoCountry] = 0;
    const PngPalette palette = {rgb, kPaletteCountries + 1, alpha, kPaletteCountries + 1};
    std::vector<uint8_t> bytes;
    if (!EncodePngIndexed8(heightmap.countries.data(), kHeightmapSide, kHeightmapSide, palette, &bytes, error))
        return false;
    png->assign(bytes.begin(), bytes.end());
    return true;
}
