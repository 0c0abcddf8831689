// new_landscape.cpp -- a landscape file made from grids of altitudes,
// countries and colours.
#include "tools/new/new_landscape.h"

#include <squish.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <unordered_map>

#include "landscape/lnd_format.h"
#include "texture/workers.h"
#include "tools/sample/sample_landscape.h"

namespace {

constexpr int kGrid = kHeightmapSide;
constexpr int kPlaces = kBlockMapSide * kBlockMapSide;
constexpr int kBlocksPerLoRes = 16;  // 4 x 4 squares of 64 x 64 pixels
constexpr int kSquarePixels = kLoResSide / 4;
constexpr uint32_t kSampleSeed = 1;
// Range fit, as the sample generator encodes: on smooth far colours hardly
// worse than cluster fit and several times faster.
constexpr int kSquishFlags = squish::kDxt3 | squish::kColourRangeFit;

// The samples as the blocks store them: altitude, and country with the split flag.
struct Samples {
    std::vector<uint8_t> altitude, attributes;
};

Samples SamplesAt(const NewLandscapeInputs& in, int seaLevel) {
    Samples s;
    const size_t n = size_t(kGrid) * kGrid;
    s.altitude.resize(n);
    s.attributes.resize(n);
    for (size_t g = 0; g < n; ++g) s.altitude[g] = std::max<uint8_t>(in.heights[g], uint8_t(seaLevel));
    for (int row = 0; row < kGrid; ++row)
        for (int col = 0; col < kGrid; ++col) {
            const size_t g = size_t(row) * kGrid + size_t(col);
            const uint8_t country = in.countries.empty() ? BandCountry(s.altitude[g], seaLevel) : in.countries[g];
            // The quad folds along the diagonal whose ends lie nearer in
            // height, so ridges and valleys keep their line. A set flag cuts
            // from (r + 1, c) to (r, c + 1). Samples of the last row and
            // column start no quad and stay clear.
            bool split = false;
            if (row + 1 < kGrid && col + 1 < kGrid) {
                const int a00 = s.altitude[g], a01 = s.altitude[g + 1];
                const int a10 = s.altitude[g + kGrid], a11 = s.altitude[g + kGrid + 1];
                split = std::abs(a01 - a10) < std::abs(a00 - a11);
            }
            s.attributes[g] = uint8_t((country & kCountryIndexMask) | (split ? kSplitFlagBit : 0));
        }
    return s;
}

// What cell (r, c) of a block stores of a sample's attributes: the quads of
// row 16 and column 16 lie in the neighbours, so their split flags are never
// drawn and stay clear, and a flat place beside a slope stays flat.
uint8_t StoredAttributes(uint8_t attributes, int r, int c) {
    return r == kBlockQuads || c == kBlockQuads ? uint8_t(attributes & ~kSplitFlagBit) : attributes;
}

// The block of every place, and the first place of every block.
struct SharedBlocks {
    std::array<int, kPlaces> blockOfPlace{};
    std::vector<int> firstPlace;
};

SharedBlocks ShareBlocks(const Samples& s) {
    SharedBlocks shared;
    std::unordered_map<std::string, int> blockOfCells;
    std::string cells(2 * kBlockGridPoints * kBlockGridPoints, '\0');
    for (int place = 0; place < kPlaces; ++place) {
        const int row = place / kBlockMapSide, column = place % kBlockMapSide;
        for (int r = 0; r < kBlockGridPoints; ++r)
            for (int c = 0; c < kBlockGridPoints; ++c) {
                const size_t g = size_t(16 * row + r) * kGrid + size_t(16 * column + c);
                const size_t k = 2 * size_t(kBlockGridPoints * r + c);
                cells[k] = char(s.altitude[g]);
                cells[k + 1] = char(StoredAttributes(s.attributes[g], r, c));
            }
        const auto [it, added] = blockOfCells.emplace(cells, int(shared.firstPlace.size()));
        if (added) shared.firstPlace.push_back(place);
        shared.blockOfPlace[size_t(place)] = it->second;
    }
    return shared;
}

struct Entry {
    uint32_t materialA, materialB, weight;
};

// Entry h of country k. The sample's countries are laid out for a sea at
// altitude 0: the height above the sea is stretched onto their altitudes.
// Materials of a folder go up from the sea in name order, each blending
// into the next.
Entry CountryEntry(const NewLandscapeInputs& in, int country, int h) {
    const int sea = in.seaLevel;
    if (in.materials.empty()) {
        const int stretched = h <= sea ? 0 : std::max(1, (h - sea) * 255 / (255 - sea));
        Entry e;
        SampleCountryEntry(country % kSampleCountryCount, stretched, &e.materialA, &e.materialB, &e.weight);
        return e;
    }
    const int n = int(in.materials.size());
    if (n == 1 || h <= sea) return {0, 0, 255};
    // Position (n - 1) (h - sea) / (255 - sea) along the materials, in 255ths.
    const int at = (n - 1) * (h - sea) * 255 / (255 - sea);
    const int below = std::min(at / 255, n - 1), weight = at - 255 * below;
    if (below == n - 1) return {uint32_t(below), uint32_t(below), 255};
    return {uint32_t(below + 1), uint32_t(below), uint32_t(weight)};
}

struct Rgb {
    int32_t r, g, b;
};

// The far colour of every grid sample: its country's material blend at its
// altitude, lit from the map's top left on the land as the sample
// generator lights it.
std::vector<Rgb> MaterialColours(const NewLandscapeInputs& in, const Samples& s,
                                 const std::vector<std::array<uint8_t, 3>>& materialRgb) {
    std::vector<Rgb> colours(s.altitude.size());
    auto altitudeAt = [&](int row, int col) {
        return int64_t(s.altitude[size_t(std::clamp(row, 0, kGrid - 1)) * kGrid + size_t(std::clamp(col, 0, kGrid - 1))]);
    };
    std::vector<std::array<Entry, kCountryEntryCount>> entries(kPaletteCountries);
    for (int k = 0; k < kPaletteCountries; ++k)
        for (int h = 0; h < kCountryEntryCount; ++h) entries[size_t(k)][size_t(h)] = CountryEntry(in, k, h);
    for (int row = 0; row < kGrid; ++row)
        for (int col = 0; col < kGrid; ++col) {
            const size_t g = size_t(row) * kGrid + size_t(col);
            const Entry& e = entries[s.attributes[g] & kCountryIndexMask][s.altitude[g]];
            const auto& a = materialRgb[e.materialA];
            const auto& b = materialRgb[e.materialB];
            const int32_t w = int32_t(e.weight);
            Rgb colour = {(a[0] * w + b[0] * (255 - w)) / 255, (a[1] * w + b[1] * (255 - w)) / 255,
                          (a[2] * w + b[2] * (255 - w)) / 255};
            if (s.altitude[g] > in.seaLevel) {
                const int64_t dCol = altitudeAt(row, col + 1) - altitudeAt(row, col - 1);
                const int64_t dRow = altitudeAt(row + 1, col) - altitudeAt(row - 1, col);
                const int64_t length = int64_t(std::sqrt(double(2 * (400 + dCol * dCol + dRow * dRow))));
                const int64_t shade = 256 + 160 * (dCol + dRow) / length;
                auto lit = [&](int32_t channel) { return int32_t(std::clamp<int64_t>(channel * shade / 256, 0, 255)); };
                colour = {lit(colour.r), lit(colour.g), lit(colour.b)};
            }
            colours[g] = colour;
        }
    return colours;
}

// Where a pixel of a block's square lies on the grid, in 512ths of a cell:
// pixel p's centre (p + 0.5) / 256 from the origin meets cell
// (p + 0.5) 68 / 256 - 0.75, clamped to the map.
int64_t SquareToGrid(int place, int pixel) {
    return std::clamp<int64_t>(int64_t(place) * 16 * 512 + (2 * pixel + 1) * 68 - 384, 0, int64_t(kGrid - 1) * 512);
}

uint8_t Bilinear(int32_t c00, int32_t c01, int32_t c10, int32_t c11, int64_t fx, int64_t fy, int64_t one) {
    const int64_t top = c00 * (one - fx) + c01 * fx, bottom = c10 * (one - fx) + c11 * fx;
    return uint8_t(std::clamp<int64_t>((top * (one - fy) + bottom * fy + one * one / 2) / (one * one), 0, 255));
}

// Block square `slot` of a LoRes image painted for map place `place`, from
// the grid's colours.
void PaintFromGrid(const std::vector<Rgb>& colours, int place, int slot, uint8_t* rgba) {
    const int row = place / kBlockMapSide, column = place % kBlockMapSide;
    const int x0 = kSquarePixels * (slot % 4), y0 = kSquarePixels * (slot / 4);
    for (int py = 0; py < kSquarePixels; ++py) {
        const int64_t gy = SquareToGrid(row, py);
        const int r0 = int(gy / 512), r1 = std::min(r0 + 1, kGrid - 1);
        for (int px = 0; px < kSquarePixels; ++px) {
            const int64_t gx = SquareToGrid(column, px);
            const int c0 = int(gx / 512), c1 = std::min(c0 + 1, kGrid - 1);
            const Rgb& a = colours[size_t(r0) * kGrid + size_t(c0)];
            const Rgb& b = colours[size_t(r0) * kGrid + size_t(c1)];
            const Rgb& c = colours[size_t(r1) * kGrid + size_t(c0)];
            const Rgb& d = colours[size_t(r1) * kGrid + size_t(c1)];
            uint8_t* pixel = rgba + 4 * (size_t(y0 + py) * kLoResSide + size_t(x0 + px));
            pixel[0] = Bilinear(a.r, b.r, c.r, d.r, gx % 512, gy % 512, 512);
            pixel[1] = Bilinear(a.g, b.g, c.g, d.g, gx % 512, gy % 512, 512);
            pixel[2] = Bilinear(a.b, b.b, c.b, d.b, gx % 512, gy % 512, 512);
            pixel[3] = 255;
        }
    }
}

// The same from a picture stretched over the map: map quad coordinates (u,
// v) in [0, 512) are picture coordinates (u W / 512, v H / 512), pixel
// centres at half steps, sampled bilinearly and clamped at the edges.
void PaintFromPicture(const ColoursPicture& picture, int place, int slot, uint8_t* rgba) {
    const int row = place / kBlockMapSide, column = place % kBlockMapSide;
    const int x0 = kSquarePixels * (slot % 4), y0 = kSquarePixels * (slot / 4);
    constexpr int64_t kOne = 1024;
    // A grid position (512ths of a cell) to picture pixels in 1024ths.
    auto toPicture = [](int64_t g, int32_t side, int32_t* first, int32_t* next, int64_t* fraction) {
        const int64_t at = std::max<int64_t>(0, g * side * kOne / (512 * 512) - kOne / 2);
        *first = int32_t(std::min<int64_t>(at / kOne, side - 1));
        *next = std::min(*first + 1, side - 1);
        *fraction = at / kOne >= side - 1 ? 0 : at % kOne;
    };
    for (int py = 0; py < kSquarePixels; ++py) {
        int32_t y, y1;
        int64_t fy;
        toPicture(SquareToGrid(row, py), picture.height, &y, &y1, &fy);
        for (int px = 0; px < kSquarePixels; ++px) {
            int32_t x, x1;
            int64_t fx;
            toPicture(SquareToGrid(column, px), picture.width, &x, &x1, &fx);
            auto at = [&](int32_t yy, int32_t xx) {
                return &picture.rgb[3 * (size_t(yy) * size_t(picture.width) + size_t(xx))];
            };
            const uint8_t *a = at(y, x), *b = at(y, x1), *c = at(y1, x), *d = at(y1, x1);
            uint8_t* pixel = rgba + 4 * (size_t(y0 + py) * kLoResSide + size_t(x0 + px));
            for (int k = 0; k < 3; ++k) pixel[k] = Bilinear(a[k], b[k], c[k], d[k], fx, fy, kOne);
            pixel[3] = 255;
        }
    }
}

}  // namespace

uint8_t BandCountry(uint8_t altitude, int seaLevel) {
    if (altitude <= seaLevel + 6) return 0;  // coast
    const int above = (altitude - seaLevel) * 100 / (255 - seaLevel);
    return above < 30 ? 1 : above < 50 ? 2 : above < 70 ? 3 : 4;
}

int NewBlocksNeeded(const NewLandscapeInputs& inputs, int seaLevel) {
    return int(ShareBlocks(SamplesAt(inputs, seaLevel)).firstPlace.size());
}

int LowestFittingSeaLevel(const NewLandscapeInputs& inputs) {
    for (int sea = inputs.seaLevel + 1; sea <= 255; ++sea)
        if (NewBlocksNeeded(inputs, sea) <= kMostMapBlocks) return sea;
    return -1;
}

bool BuildNewLandscape(const NewLandscapeInputs& in, std::vector<uint8_t>* file, int* blocksNeeded) {
    const Samples samples = SamplesAt(in, in.seaLevel);
    const SharedBlocks shared = ShareBlocks(samples);
    const int32_t blockCount = int32_t(shared.firstPlace.size());
    *blocksNeeded = blockCount;
    file->clear();
    if (blockCount > kMostMapBlocks) return false;

    int32_t countryCount = 1;
    for (uint8_t a : samples.attributes) countryCount = std::max<int32_t>(countryCount, (a & kCountryIndexMask) + 1);
    const int32_t materialCount = in.materials.empty() ? kSampleMaterialCount : int32_t(in.materials.size());
    std::vector<std::array<uint8_t, 3>> materialRgb(static_cast<size_t>(materialCount));
    for (int32_t m = 0; m < materialCount; ++m) {
        if (in.materials.empty()) SampleMaterialColour(m, materialRgb[size_t(m)].data());
        else std::copy(in.materials[size_t(m)].rgb, in.materials[size_t(m)].rgb + 3, materialRgb[size_t(m)].begin());
    }
    const uint32_t loResCount = uint32_t((blockCount + kBlocksPerLoRes - 1) / kBlocksPerLoRes);
    const LandscapeAreas areas = ComputeLandscapeAreas(blockCount, countryCount, materialCount, loResCount);
    file->assign(areas.end, 0);
    uint8_t* bytes = file->data();

    StoreI32(bytes + kBlockCountPlusOneOffset, blockCount + 1);  // the count is stored plus one
    for (int place = 0; place < kPlaces; ++place)
        bytes[kBlockMapOffset + uint64_t(place)] = uint8_t(shared.blockOfPlace[size_t(place)] + 1);
    StoreI32(bytes + kMaterialCountOffset, materialCount);
    StoreI32(bytes + kCountryCountOffset, countryCount);
    StoreU32(bytes + kLoResTextureCountOffset, loResCount);

    for (int32_t k = 0; k < blockCount; ++k) {
        uint8_t* block = bytes + areas.blockArea + kBlockSize * uint64_t(k);
        const int place = shared.firstPlace[size_t(k)];
        const int row = place / kBlockMapSide, column = place % kBlockMapSide;
        for (int r = 0; r < kBlockGridPoints; ++r)
            for (int c = 0; c < kBlockGridPoints; ++c) {
                const size_t g = size_t(16 * row + r) * kGrid + size_t(16 * column + c);
                uint8_t* cell = block + kCellsOffset + kCellRowStride * uint64_t(r) + kCellSize * uint64_t(c);
                cell[kAltitudeOffset] = samples.altitude[g];
                cell[kAttributesOffset] = StoredAttributes(samples.attributes[g], r, c);
            }
        const int slot = k % kBlocksPerLoRes;
        StoreI32(block + kLoResTextureIndexOffset, k / kBlocksPerLoRes);
        StoreF32(block + kTextureOriginSOffset, 0.25f * float(slot % 4));
        StoreF32(block + kTextureOriginTOffset, 0.25f * float(slot / 4));
    }

    for (int32_t k = 0; k < countryCount; ++k) {
        uint8_t* country = bytes + areas.countryArea + kCountrySize * uint64_t(k);
        for (int h = 0; h < kCountryEntryCount; ++h) {
            const Entry e = CountryEntry(in, k, h);
            uint8_t* entry = country + kEntriesOffset + kCountryEntrySize * uint64_t(h);
            StoreU32(entry + kMaterialAOffset, e.materialA);
            StoreU32(entry + kMaterialBOffset, e.materialB);
            StoreU32(entry + kBlendWeightOffset, e.weight);
        }
    }

    std::vector<uint16_t> texels(size_t(kMaterialSide) * kMaterialSide);
    for (int32_t m = 0; m < materialCount; ++m) {
        if (in.materials.empty()) SampleMaterialTexels(m, kSampleSeed, texels.data());
        else texels = in.materials[size_t(m)].texels;
        uint8_t* material = bytes + areas.materialArea + kMaterialSize * uint64_t(m);
        for (size_t i = 0; i < texels.size(); ++i) StoreU16(material + kTexelsOffset + 2 * i, texels[i]);
    }
    SampleDetailMap(kSampleSeed, bytes + areas.detailMap);

    std::vector<Rgb> colours;
    if (!in.colours) colours = MaterialColours(in, samples, materialRgb);
    ForEachOnWorkers(int32_t(loResCount), ProcessorWorkerCount(), [&](int32_t t) {
        std::vector<uint8_t> rgba(size_t(kLoResSide) * kLoResSide * 4, 255);  // squares no block uses: white
        for (int32_t k = t * kBlocksPerLoRes; k < std::min(blockCount, (t + 1) * kBlocksPerLoRes); ++k) {
            const int place = shared.firstPlace[size_t(k)];
            if (in.colours) PaintFromPicture(*in.colours, place, k % kBlocksPerLoRes, rgba.data());
            else PaintFromGrid(colours, place, k % kBlocksPerLoRes, rgba.data());
        }
        uint8_t* record = bytes + areas.loResArea + kLoResTextureSize * uint64_t(t);
        StoreI32(record + kRecordSizeOffset, kLoResStoredRecordSize);
        WriteDxt3DdsHeader(record + kDdsHeaderOffset, kLoResSide, kLoResSide);
        squish::CompressImage(rgba.data(), kLoResSide, kLoResSide, record + kImageDataOffset, kSquishFlags);
    });
    return true;
}
