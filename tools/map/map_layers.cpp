// map_layers.cpp -- the whole-map pictures of a landscape, and back.
#include "tools/map/map_layers.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "landscape/landscape_edit.h"
#include "landscape/map_grid.h"
#include "texture/dxt3.h"
#include "tools/heights/heightmap.h"
#include "tools/common/lores_encode.h"

namespace {

constexpr int kSide = kBlockGridPoints;
constexpr int kPlacePixels = kBlockQuads * kColourPixelsPerCell;  // colour pixels a place, each way
constexpr int kLoResTexels = kLoResSide * kLoResSide;
constexpr int kNoTexel = -1;

// The two cell bytes the layers hold, altitude and attributes, of every cell.
using BlockCells = std::array<uint8_t, 2 * kSide * kSide>;

size_t GridIndex(int y, int x) { return size_t(y) * kHeightmapSide + size_t(x); }

// The texel (row 256 t + column) GL's nearest filter takes at texture
// coordinate (s, t) with the texture repeating; kNoTexel where a coordinate
// is not a number a texture can be sampled at.
int TexelAt(float s, float t) {
    if (!std::isfinite(s) || !std::isfinite(t)) return kNoTexel;
    auto wrap = [](float coordinate) {
        double texel = std::fmod(std::floor(double(coordinate) * kLoResSide), double(kLoResSide));
        if (texel < 0) texel += kLoResSide;
        return int(texel);
    };
    return wrap(t) * kLoResSide + wrap(s);
}

// The texel each colour pixel of a block's place shows, row by row.
std::vector<int> BlockTexels(const uint8_t* block) {
    const float originS = BlockTextureOriginS(block), originT = BlockTextureOriginT(block);
    std::vector<int> texels(size_t(kPlacePixels) * kPlacePixels);
    for (int py = 0; py < kPlacePixels; ++py)
        for (int px = 0; px < kPlacePixels; ++px) {
            // The middle of the pixel, in cells from the block's corner.
            const float row = (float(py) + 0.5f) / float(kColourPixelsPerCell);
            const float column = (float(px) + 0.5f) / float(kColourPixelsPerCell);
            texels[size_t(py) * kPlacePixels + size_t(px)] =
                TexelAt(LoResCoordinate(column, originS), LoResCoordinate(row, originT));
        }
    return texels;
}

// A placed block that shows a LoRes texture, with what each of its pixels shows.
struct ColourPlace {
    int row, column;
    int64_t texture;
    std::vector<int> texels;
};

std::vector<ColourPlace> ColourPlaces(const CheckedLandscape& landscape) {
    std::vector<ColourPlace> places;
    std::vector<std::vector<int>> texelsOf(size_t(landscape.MapBlockCount()));
    for (int row = 0; row < kBlockMapSide; ++row)
        for (int column = 0; column < kBlockMapSide; ++column) {
            const int32_t k = BlockAtPlace(landscape, row, column);
            if (k < 0) continue;
            const int64_t texture = ShownLoResTexture(landscape, landscape.Block(k));
            if (texture == kNoLoResTexture) continue;
            if (texelsOf[size_t(k)].empty()) texelsOf[size_t(k)] = BlockTexels(landscape.Block(k));
            places.push_back({row, column, texture, texelsOf[size_t(k)]});
        }
    return places;
}

size_t ColourIndex(const ColourPlace& place, int py, int px) {
    return size_t(kPlacePixels * place.row + py) * kColoursSide + size_t(kPlacePixels * place.column + px);
}

const uint8_t* LoResImage(const CheckedLandscape& landscape, int64_t texture) {
    return landscape.WalkedLoResRecord(uint32_t(texture)) + kImageDataOffset;
}

// The cells every place wants of its block, from the changed samples.
struct CellWants {
    std::vector<BlockCells> cells;  // per place (kBlockMapSide row + column), for placed ones
    uint64_t changesOffBlocks = 0;  // changed samples and pixels where no block takes them
    uint64_t noCountry = 0;         // changed country samples of placed blocks past the palette
    size_t firstNoCountry = 0;
};

CellWants WantedCells(const CheckedLandscape& c, const MapPictures& pictures, const MapPictures& was) {
    CellWants wants;
    wants.cells.resize(size_t(kBlockMapSide) * kBlockMapSide);
    auto changed = [](const std::vector<uint8_t>& now, const std::vector<uint8_t>& before, size_t n) {
        return !now.empty() && now[n] != before[n];
    };
    std::vector<uint8_t> taken(size_t(kHeightmapSide) * kHeightmapSide, 0);
    for (int row = 0; row < kBlockMapSide; ++row)
        for (int column = 0; column < kBlockMapSide; ++column) {
            const int32_t k = BlockAtPlace(c, row, column);
            if (k < 0) continue;
            BlockCells& cells = wants.cells[size_t(kBlockMapSide * row + column)];
            const uint8_t* block = c.Block(k);
            for (int r = 0; r < kSide; ++r)
                for (int col = 0; col < kSide; ++col) {
                    const size_t n = GridIndex(kBlockQuads * row + r, kBlockQuads * column + col);
                    const uint8_t* cell = CellAt(block, r, col);
                    uint8_t altitude = cell[kAltitudeOffset], attributes = cell[kAttributesOffset];
                    taken[n] = 1;
                    if (changed(pictures.heights, was.heights, n)) altitude = pictures.heights[n];
                    if (changed(pictures.countries, was.countries, n) && pictures.countries[n] >= kPaletteCountries) {
                        if (wants.noCountry++ == 0) wants.firstNoCountry = n;
                    } else if (changed(pictures.countries, was.countries, n))
                        attributes = uint8_t((attributes & ~kCountryIndexMask) | (pictures.countries[n] & kCountryIndexMask));
                    if (r < kBlockQuads && col < kBlockQuads) {
                        const size_t q = size_t(kBlockQuads * row + r) * kSplitsSide + size_t(kBlockQuads * column + col);
                        if (changed(pictures.splits, was.splits, q))
                            attributes = uint8_t((attributes & ~kSplitFlagBit) | (pictures.splits[q] ? kSplitFlagBit : 0));
                    }
                    cells[size_t(2 * (kSide * r + col))] = altitude;
                    cells[size_t(2 * (kSide * r + col) + 1)] = attributes;
                }
        }
    for (size_t n = 0; n < taken.size(); ++n)
        if (!taken[n] && (changed(pictures.heights, was.heights, n) || changed(pictures.countries, was.countries, n)))
            ++wants.changesOffBlocks;
    for (int y = 0; y < kSplitsSide; ++y)
        for (int x = 0; x < kSplitsSide; ++x)
            if (BlockAtPlace(c, y / kBlockQuads, x / kBlockQuads) < 0 &&
                changed(pictures.splits, was.splits, size_t(y) * kSplitsSide + size_t(x)))
                ++wants.changesOffBlocks;
    return wants;
}

// Each block's distinct wanted cells and the places of each, in map order.
void SetCells(uint8_t* block, const BlockCells& cells) {
    for (int r = 0; r < kSide; ++r)
        for (int c = 0; c < kSide; ++c) {
            uint8_t* cell = block + kCellsOffset + kCellRowStride * uint64_t(r) + kCellSize * uint64_t(c);
            cell[kAltitudeOffset] = cells[size_t(2 * (kSide * r + c))];
            cell[kAttributesOffset] = cells[size_t(2 * (kSide * r + c) + 1)];
        }
}

// The LoRes texels under changed colour pixels, resampled, and their DXT3
// blocks encoded again. Returns the changed pixels no texture takes.
uint64_t SetColours(const CheckedLandscape& c, const std::vector<uint8_t>& colours, const std::vector<uint8_t>& was,
                    uint8_t* file) {
    const std::vector<ColourPlace> places = ColourPlaces(c);
    struct TexelSum {
        uint32_t sum[4] = {};
        uint32_t count = 0;
        bool changed = false;
    };
    std::vector<std::vector<TexelSum>> sums(c.loResRecords.size());
    std::vector<uint8_t> shown(size_t(kColoursSide) * kColoursSide, 0);
    for (const ColourPlace& place : places) {
        std::vector<TexelSum>& texture = sums[size_t(place.texture)];
        if (texture.empty()) texture.resize(kLoResTexels);
        for (int py = 0; py < kPlacePixels; ++py)
            for (int px = 0; px < kPlacePixels; ++px) {
                const int texel = place.texels[size_t(py) * kPlacePixels + size_t(px)];
                if (texel == kNoTexel) continue;
                const size_t n = ColourIndex(place, py, px);
                shown[n] = 1;
                TexelSum& s = texture[size_t(texel)];
                for (int channel = 0; channel < 4; ++channel) s.sum[channel] += colours[4 * n + size_t(channel)];
                ++s.count;
                s.changed = s.changed || std::memcmp(&colours[4 * n], &was[4 * n], 4) != 0;
            }
    }
    std::vector<uint8_t> rgba(size_t(kLoResTexels) * 4);
    for (size_t i = 0; i < sums.size(); ++i) {
        const std::vector<TexelSum>& texture = sums[i];
        if (std::none_of(texture.begin(), texture.end(), [](const TexelSum& s) { return s.changed; })) continue;
        uint8_t* image = file + c.loResRecords[i] + kImageDataOffset;
        DecodeDxt3Replicated(image, rgba.data(), kLoResSide, kLoResSide);
        for (size_t t = 0; t < texture.size(); ++t) {
            if (!texture[t].changed) continue;
            for (int channel = 0; channel < 4; ++channel)
                rgba[4 * t + size_t(channel)] =
                    uint8_t((texture[t].sum[channel] + texture[t].count / 2) / texture[t].count);
        }
        EncodeChangedLoResBlocks(rgba.data(), image);
    }
    uint64_t off = 0;
    for (size_t n = 0; n < shown.size(); ++n)
        if (!shown[n] && std::memcmp(&colours[4 * n], &was[4 * n], 4) != 0) ++off;
    return off;
}

}  // namespace

const char* MapLayerFile(MapLayer layer) {
    static const char* const kFiles[kMapLayers] = {"heights.png", "countries.png", "splits.png", "colours.png"};
    return kFiles[int(layer)];
}

MapPictures BuildMapPictures(const CheckedLandscape& landscape) {
    MapPictures pictures;
    Heightmap heightmap = BuildHeightmap(landscape);
    pictures.heights = std::move(heightmap.altitudes);
    pictures.countries = std::move(heightmap.countries);
    pictures.splits.assign(size_t(kSplitsSide) * kSplitsSide, 0);
    for (int row = 0; row < kBlockMapSide; ++row)
        for (int column = 0; column < kBlockMapSide; ++column) {
            const int32_t k = BlockAtPlace(landscape, row, column);
            if (k < 0) continue;
            for (int r = 0; r < kBlockQuads; ++r)
                for (int c = 0; c < kBlockQuads; ++c)
                    pictures.splits[size_t(kBlockQuads * row + r) * kSplitsSide + size_t(kBlockQuads * column + c)] =
                        CellSplitFlag(landscape.Block(k), r, c) ? 255 : 0;
        }
    pictures.colours.assign(size_t(kColoursSide) * kColoursSide * 4, 0);
    std::vector<std::vector<uint8_t>> decoded(landscape.loResRecords.size());
    for (const ColourPlace& place : ColourPlaces(landscape)) {
        std::vector<uint8_t>& rgba = decoded[size_t(place.texture)];
        if (rgba.empty()) {
            rgba.resize(size_t(kLoResTexels) * 4);
            DecodeDxt3Replicated(LoResImage(landscape, place.texture), rgba.data(), kLoResSide, kLoResSide);
        }
        for (int py = 0; py < kPlacePixels; ++py)
            for (int px = 0; px < kPlacePixels; ++px) {
                const int texel = place.texels[size_t(py) * kPlacePixels + size_t(px)];
                if (texel != kNoTexel)
                    std::memcpy(&pictures.colours[4 * ColourIndex(place, py, px)], &rgba[4 * size_t(texel)], 4);
            }
    }
    return pictures;
}

void SetMapLayers(const CheckedLandscape& c, const MapPictures& pictures, bool splitShared, const char* path,
                  const std::string& dir, std::vector<uint8_t>* out, std::vector<std::string>* errors,
                  std::vector<std::string>* notes) {
    out->clear();
    const MapPictures was = BuildMapPictures(c);
    const CellWants wants = WantedCells(c, pictures, was);
    if (wants.noCountry > 0)
        errors->push_back("ERROR : " + dir + "/" + MapLayerFile(MapLayer::Countries) + " : " +
                          std::to_string(wants.noCountry) + " changed samples of placed blocks name no country (index " +
                          std::to_string(kPaletteCountries) + "), the first at (" + std::to_string(wants.firstNoCountry / kHeightmapSide) +
                          ", " + std::to_string(wants.firstNoCountry % kHeightmapSide) + ")");
    std::vector<BlockWants<BlockCells>> uses(size_t(c.MapBlockCount()));
    for (int place = 0; place < kBlockMapSide * kBlockMapSide; ++place) {
        const int32_t k = BlockAtPlace(c, place / kBlockMapSide, place % kBlockMapSide);
        if (k >= 0) uses[size_t(k)].Add(wants.cells[size_t(place)], place);
    }
    RefuseSharedBlocks(uses, c.blockCount, splitShared, path, "the pictures give it different cells", errors);
    if (!errors->empty()) return;

    LandscapeEdit edit;
    StartEdit(c, &edit);
    // The LoRes area lies before the blocks, so block copies leave it where it is.
    uint64_t off = wants.changesOffBlocks;
    if (!pictures.colours.empty()) off += SetColours(c, pictures.colours, was.colours, edit.bytes.data());
    for (size_t k = 0; k < uses.size(); ++k)
        for (size_t group = 0; group < uses[k].contents.size(); ++group) {
            const int32_t index = group == 0 ? int32_t(k) : CopyBlockTo(&edit, int32_t(k), uses[k].places[group]);
            SetCells(EditedBlock(&edit, index), uses[k].contents[group]);
        }
    if (off > 0)
        notes->push_back("WARNING : " + std::string(path) + " : " + std::to_string(off) +
                         " changed samples or pixels lie where no block (or no LoRes texture) takes them; "
                         "they are left out");
    *out = std::move(edit.bytes);
}
