// sample_landscape.cpp -- the generated sample landscape: a fractal island
// with countries, materials, a detail map and LoRes overviews.
//
// Everything that lands in the file, except the DXT3 encoding, is integer
// arithmetic on Q16 fixed-point values (65536 = 1.0) plus one square root,
// which IEEE rounds the same everywhere, so no compiler's contraction of
// multiply-adds and no libm can change a byte. The one global
// height field is sampled on the 513 x 513 grid points of the 32 x 32 map:
// block (b, a) cell (r, c) is grid point (16 b + r, 16 a + c).
#include "tools/sample/sample_landscape.h"

#include <squish.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "landscape/lnd_format.h"

namespace {

constexpr int kGridSide = kBlockMapSide * kBlockQuads + 1;  // 513 grid points per side
constexpr int64_t kOne = 65536;                             // 1.0 in Q16

// ---------------------------------------------------------------------------
// Integer hash and value noise
// ---------------------------------------------------------------------------

uint32_t Mix(uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352du;
    x ^= x >> 15;
    x *= 0x846ca68bu;
    x ^= x >> 16;
    return x;
}

// A salt per use of the noise, so the coastline, the mountains and the
// country borders do not repeat one another.
uint32_t Salt(uint32_t seed, uint32_t use) { return Mix(seed * 0x9e3779b9u + Mix(use)); }

int64_t WrapIndex(int64_t i, int64_t period) { return period > 0 ? ((i % period) + period) % period : i; }

// 3 t^2 - 2 t^3 for t in [0, 1], Q16.
int64_t Fade(int64_t t) { return ((t * t) >> 16) * (3 * kOne - 2 * t) >> 16; }

int64_t Lerp(int64_t a, int64_t b, int64_t t) { return a + (((b - a) * t) >> 16); }

// Value noise in [-1, 1) (Q16) at lattice coordinates (x, y) in Q16. A
// positive period wraps the lattice along that axis, so an image whose side
// spans a whole number of periods tiles.
int64_t ValueNoise(int64_t x, int64_t y, uint32_t salt, int64_t periodX, int64_t periodY) {
    const int64_t ix = x >> 16, iy = y >> 16;  // floor, also below zero
    const int64_t fx = Fade(x & 0xFFFF), fy = Fade(y & 0xFFFF);
    auto corner = [&](int64_t cx, int64_t cy) {
        const uint32_t h = Mix(uint32_t(WrapIndex(cx, periodX)) * 0x8da6b343u ^
                               Mix(uint32_t(WrapIndex(cy, periodY)) * 0xd8163841u ^ salt));
        return int64_t(h >> 15) - kOne;
    };
    const int64_t top = Lerp(corner(ix, iy), corner(ix + 1, iy), fx);
    const int64_t bottom = Lerp(corner(ix, iy + 1), corner(ix + 1, iy + 1), fx);
    return Lerp(top, bottom, fy);
}

// Fractal sums of `octaves` noises, each of twice the frequency and half the
// amplitude of the one before, normalised back to the range of one noise.
// Plain: [-1, 1). Ridged: (1 - |noise|)^2 in [0, 1], sharp crests where the
// noise crosses zero.
int64_t Fractal(int64_t x, int64_t y, int octaves, uint32_t salt, int64_t periodX, int64_t periodY, bool ridged) {
    const bool periodic = periodX > 0 || periodY > 0;
    int64_t sum = 0, norm = 0;
    for (int k = 0; k < octaves; ++k) {
        if (!periodic) {
            // Each octave turned by a further 36.87 degrees (the 3-4-5
            // triangle, exact in integers), so ridges do not line up with
            // the lattice axes. A turn would break a periodic noise's period.
            const int64_t turnedX = (4 * x - 3 * y) / 5;
            y = (3 * x + 4 * y) / 5;
            x = turnedX;
        }
        const int64_t scale = int64_t(1) << k;
        const uint32_t octaveSalt = Mix(salt + uint32_t(k));
        // Each octave shifted by up to 16 lattice cells, so the lattice lines
        // of the octaves do not coincide and show as streaks. A shift keeps
        // a periodic noise periodic.
        const int64_t shiftX = Mix(octaveSalt ^ 0x68bc21ebu) & 0xFFFFF;
        const int64_t shiftY = Mix(octaveSalt ^ 0x02e5be93u) & 0xFFFFF;
        int64_t n = ValueNoise(x * scale + shiftX, y * scale + shiftY, octaveSalt, periodX * scale, periodY * scale);
        if (ridged) {
            n = kOne - (n < 0 ? -n : n);
            n = (n * n) >> 16;
        }
        const int64_t amplitude = kOne >> k;
        sum += n * amplitude;
        norm += amplitude;
    }
    return sum / norm;
}

int64_t Fbm(int64_t x, int64_t y, int octaves, uint32_t salt) { return Fractal(x, y, octaves, salt, 0, 0, false); }

// 0 below e0, 1 above e1, the fade between (all Q16).
int64_t SmoothStep(int64_t v, int64_t e0, int64_t e1) {
    return Fade(std::clamp((v - e0) * kOne / (e1 - e0), int64_t(0), kOne));
}

// ---------------------------------------------------------------------------
// The island
// ---------------------------------------------------------------------------

// The island's centre is the centre of map place (15, 15): with a radius of 7
// cells or less all its land lies inside that one block, which bounds the
// search for a radius that fits the block cap.
constexpr int64_t kIslandCentre = 16 * 15 + 8;  // grid points, both axes
constexpr int64_t kLeastRadius = 7;              // cells
constexpr int64_t kGreatestRadius = 240;         // cells; keeps the island inside the map

struct Island {
    uint32_t seed;
    int64_t radius;  // cells
};

// A point's offset from the island centre in island radii (Q16). Positions
// are in half cells, so quad centres can be sampled too. Coordinates scaled
// by the radius make a small island a shrunk copy of a large one.
int64_t RadiusUnits(const Island& island, int64_t halfCells) {
    return (halfCells - 2 * kIslandCentre) * kOne / (2 * island.radius);
}

// The octaves (at most `most`) of a noise with `frequency` lattice cells per
// island radius whose lattice spans 4 cells or more: finer ones would fall
// between the grid points and only add aliasing.
int OctavesWithin(const Island& island, int64_t frequency, int most) {
    int octaves = 1;
    while (octaves < most && island.radius >= 4 * frequency * (int64_t(1) << octaves)) ++octaves;
    return octaves;
}

// How far a point rises above the sea before any mountain (Q16; 0 or less
// is sea), at offsets u, v from the centre in island radii.
int64_t LandAt(const Island& island, int64_t u, int64_t v) {
    const int64_t d2 = (u * u + v * v) >> 16;
    if (d2 >= kOne) return 0;
    // Noise against a falloff from the centre: where the noise is high the
    // land reaches further out, so the coast gets bays, capes and islets. The
    // falloff outweighs the noise at the centre (which always stays land, so
    // every island has one) and at the rim (which is always sea).
    const int64_t shape = Fbm(3 * u, 3 * v, OctavesWithin(island, 3, 5), Salt(island.seed, 1));
    return shape * 9 / 10 + kOne * 95 / 100 - d2 * 185 / 100;
}

// Height (Q16, >= 0) at a position in half cells; 0 is sea.
int64_t IslandHeight(const Island& island, int64_t row2, int64_t col2) {
    const int64_t u = RadiusUnits(island, col2), v = RadiusUnits(island, row2);
    const int64_t land = LandAt(island, u, v);
    if (land <= 0) return 0;
    // Ridged mountains, squared again for narrow crests, rise only well
    // inland (so the coast keeps its beaches) and mostly where a broad noise
    // gathers them into ranges; the land itself stays low and rolling.
    const int64_t ridges = Fractal(5 * u, 5 * v, OctavesWithin(island, 5, 5), Salt(island.seed, 2), 0, 0, true);
    const int64_t crests = (ridges * ridges) >> 16;
    const int64_t inland = SmoothStep(land, kOne * 6 / 100, kOne * 40 / 100);
    const int64_t ranges = SmoothStep(Fbm(2 * u, 2 * v, 2, Salt(island.seed, 3)), -kOne * 3 / 10, kOne * 3 / 10);
    const int64_t mountains = (((crests * inland) >> 16) * (kOne / 8 + (ranges * 7) / 8)) >> 16;
    return land * 4 / 10 + mountains;
}

// The grid points the island can reach: the square around its circle.
int64_t FirstReach(const Island& island) { return std::max<int64_t>(0, kIslandCentre - island.radius); }
int64_t LastReach(const Island& island) { return std::min<int64_t>(kGridSide - 1, kIslandCentre + island.radius); }

// True for map places with a nonzero grid value (of kGridSide x kGridSide)
// on any of their 17 x 17 cells.
bool PlaceHasLand(const std::vector<uint8_t>& grid, int b, int a) {
    for (int r = 0; r <= kBlockQuads; ++r)
        for (int c = 0; c <= kBlockQuads; ++c)
            if (grid[size_t(16 * b + r) * kGridSide + size_t(16 * a + c)] != 0) return true;
    return false;
}

// The places an island of this radius covers, by its land alone: mountains
// only stand on land, and land can only round down to altitude 0, so the
// blocks finally made are never more than this count.
int CountLandPlaces(const Island& island) {
    std::vector<uint8_t> land(size_t(kGridSide) * kGridSide, 0);
    for (int64_t row = FirstReach(island); row <= LastReach(island); ++row)
        for (int64_t col = FirstReach(island); col <= LastReach(island); ++col)
            land[size_t(row * kGridSide + col)] =
                LandAt(island, RadiusUnits(island, 2 * col), RadiusUnits(island, 2 * row)) > 0;
    int count = 0;
    for (int b = 0; b < kBlockMapSide; ++b)
        for (int a = 0; a < kBlockMapSide; ++a) count += PlaceHasLand(land, b, a);
    return count;
}

// The largest radius (by bisection) whose island needs no more than maxBlocks
// places. The least radius always fits: its land lies inside one place.
Island FitIsland(uint32_t seed, int maxBlocks) {
    Island island = {seed, kGreatestRadius};
    if (CountLandPlaces(island) <= maxBlocks) return island;
    int64_t fits = kLeastRadius, tooBig = kGreatestRadius;
    while (tooBig - fits > 1) {
        island.radius = (fits + tooBig) / 2;
        (CountLandPlaces(island) <= maxBlocks ? fits : tooBig) = island.radius;
    }
    island.radius = fits;
    return island;
}

struct HeightField {
    std::vector<uint8_t> altitude;  // kGridSide x kGridSide, row-major
    int64_t highest = 0;            // Q16 height that became 255
};

// Samples the island on every grid point; altitude 255 is the highest point.
void SampleHeights(const Island& island, HeightField* field) {
    std::vector<int64_t> raw(size_t(kGridSide) * kGridSide, 0);
    int64_t highest = 1;
    for (int64_t row = FirstReach(island); row <= LastReach(island); ++row)
        for (int64_t col = FirstReach(island); col <= LastReach(island); ++col) {
            const int64_t h = IslandHeight(island, 2 * row, 2 * col);
            raw[size_t(row * kGridSide + col)] = h;
            highest = std::max(highest, h);
        }
    field->highest = highest;
    field->altitude.resize(raw.size());
    for (size_t i = 0; i < raw.size(); ++i) field->altitude[i] = uint8_t((raw[i] * 255 + highest / 2) / highest);
}

uint8_t AltitudeAt(const HeightField& field, int row, int col) {
    row = std::clamp(row, 0, kGridSide - 1);
    col = std::clamp(col, 0, kGridSide - 1);
    return field.altitude[size_t(row) * kGridSide + size_t(col)];
}

// The diagonal that fits the terrain better: the one whose midpoint lies
// nearer the height field at the quad's centre. A set SplitFlag cuts quad
// (r, c) from (r + 1, c) to (r, c + 1), a clear one from (r, c) to (r + 1, c + 1).
bool SplitFollowsTerrain(const Island& island, const HeightField& field, int row, int col) {
    const int64_t a00 = AltitudeAt(field, row, col), a01 = AltitudeAt(field, row, col + 1);
    const int64_t a10 = AltitudeAt(field, row + 1, col), a11 = AltitudeAt(field, row + 1, col + 1);
    if (a00 == 0 && a01 == 0 && a10 == 0 && a11 == 0) return false;  // flat sea
    // Twice the centre height, in 256ths of an altitude unit.
    const int64_t centre2 = IslandHeight(island, 2 * row + 1, 2 * col + 1) * 255 * 512 / field.highest;
    const int64_t offClear = std::abs(256 * (a00 + a11) - centre2);
    const int64_t offSet = std::abs(256 * (a01 + a10) - centre2);
    return offSet < offClear;
}

// ---------------------------------------------------------------------------
// Materials and countries
// ---------------------------------------------------------------------------

enum SampleMaterial : uint8_t { kWater, kSand, kGrass, kSoil, kForestFloor, kScree, kRock, kSnow };

// How each material tile is made: fractal noise of `octaves` octaves whose
// coarsest lattice has periodX x periodY cells across the tile (periods that
// divide the tile make it repeat seamlessly), scaled to +-contrast around
// mid-grey, so the viewer's shading (0.5 - M added to the LoRes colour)
// brings out texture without washing the colour out. `rgb` is the
// material's colour in the LoRes overviews.
struct MaterialStyle {
    uint8_t rgb[3];
    int64_t periodX, periodY;
    int octaves;
    bool ridged;
    int64_t contrast;  // texel units
};

constexpr MaterialStyle kMaterialStyles[kSampleMaterialCount] = {
    {{0, 128, 255}, 4, 4, 2, false, 300},        // water: the viewer's clear colour, so the open sea runs on
    {{222, 204, 150}, 64, 64, 2, false, 4500},   // sand: fine grain
    {{88, 148, 58}, 16, 128, 3, false, 6000},    // grass: blades along the rows
    {{128, 100, 68}, 16, 16, 4, false, 7000},    // soil: clods
    {{52, 104, 44}, 8, 8, 5, false, 7500},       // forest floor: leaf litter
    {{150, 144, 132}, 32, 32, 2, false, 8000},   // scree: pebbles
    {{118, 114, 108}, 8, 8, 5, true, 9000},      // rock: cracks
    {{242, 244, 250}, 4, 4, 3, false, 2000},     // snow: soft drifts
};

// From altitude `start` on a country shows `material`; it fades in from the
// material before over `fade` altitudes centred on `start`.
struct Band {
    int start;
    SampleMaterial material;
    int fade;
};
constexpr int kMaxBands = 6;
struct CountryStyle {
    Band bands[kMaxBands];
    int bandCount;
};

enum SampleCountry : uint8_t { kCoast, kMeadow, kForest, kHeath, kHighland };

// Every country starts with water at sea level so the sea looks alike
// whichever country's cell borders it. In order: coast, meadow, forest,
// heath, highland.
constexpr CountryStyle kCountryStyles[kSampleCountryCount] = {
    {{{0, kWater, 0}, {3, kSand, 4}, {40, kGrass, 24}, {150, kRock, 30}, {215, kSnow, 20}}, 5},
    {{{0, kWater, 0}, {3, kSand, 4}, {14, kGrass, 10}, {110, kSoil, 30}, {155, kRock, 30}, {210, kSnow, 20}}, 6},
    {{{0, kWater, 0}, {3, kSand, 4}, {12, kForestFloor, 8}, {135, kSoil, 30}, {165, kRock, 24}, {215, kSnow, 20}},
     6},
    {{{0, kWater, 0}, {3, kSand, 4}, {12, kSoil, 8}, {55, kGrass, 40}, {125, kScree, 30}, {205, kSnow, 24}}, 6},
    {{{0, kWater, 0}, {3, kSand, 4}, {12, kGrass, 8}, {95, kScree, 40}, {160, kRock, 30}, {192, kSnow, 24}}, 6},
};

struct EntryValues {
    uint32_t materialA, materialB, blendWeight;  // A weighs blendWeight / 255
};

// Entry h of a country: one material inside a band, a crossfade from the
// band before (B) to the next (A) across each band's start.
EntryValues CountryEntryValues(const CountryStyle& style, int h) {
    SampleMaterial current = style.bands[0].material;
    for (int i = 1; i < style.bandCount; ++i) {
        const Band& band = style.bands[i];
        const int fadeStart = band.start - band.fade / 2;
        if (h < fadeStart) break;
        if (h < fadeStart + band.fade)
            return {band.material, current, uint32_t(255 * (h - fadeStart + 1) / (band.fade + 1))};
        current = band.material;
    }
    return {current, current, 255};
}

// A grid point's country: the coast is the band along the shore, the
// highland the high ground, and low-frequency noise splits the land between
// them into meadow, forest and heath. Noise also wobbles both altitude
// limits, so every border wanders.
uint8_t CountryAt(const Island& island, int row, int col, uint8_t altitude) {
    if (altitude <= 6) return kCoast;  // below the shore line however it wobbles; spares the noise at sea
    const int64_t u = RadiusUnits(island, 2 * col), v = RadiusUnits(island, 2 * row);
    const int64_t wobble = Fbm(6 * u, 6 * v, 3, Salt(island.seed, 4));
    if (altitude <= 10 + wobble * 4 / kOne) return kCoast;
    if (altitude >= 115 + wobble * 30 / kOne) return kHighland;
    const int64_t region = Fbm(5 * u / 2, 5 * v / 2, 3, Salt(island.seed, 5));
    if (region > kOne * 12 / 100) return kForest;
    if (region < -kOne * 18 / 100) return kHeath;
    return kMeadow;
}

// The synthesis weighs each of a quad's four corners 63/256, so a block's
// texture averages 252/256 of its materials. Tiles averaging this much come
// out at mid-grey, where the shading leaves the LoRes colour as it is.
constexpr int64_t kMaterialMean = 32768 * 256 / 252;

// One tileable 256 x 256 tile averaging kMaterialMean.
void MakeMaterialTexels(const MaterialStyle& style, uint32_t salt, uint16_t* texels) {
    std::vector<int64_t> values(size_t(kMaterialSide) * kMaterialSide);
    int64_t sum = 0;
    for (int y = 0; y < kMaterialSide; ++y)
        for (int x = 0; x < kMaterialSide; ++x) {
            // Texel x lies at x * period / 256 lattice cells: Q16 x * period * 256.
            const int64_t n = Fractal(x * style.periodX * 256, y * style.periodY * 256, style.octaves, salt,
                                      style.periodX, style.periodY, style.ridged);
            // Ridged noise lies in [0, 1]; centre it like the plain noise.
            const int64_t centred = style.ridged ? 2 * n - kOne : n;
            const int64_t value = centred * style.contrast / kOne;
            values[size_t(y) * kMaterialSide + size_t(x)] = value;
            sum += value;
        }
    const int64_t mean = sum / int64_t(values.size());
    for (size_t i = 0; i < values.size(); ++i)
        texels[i] = uint16_t(std::clamp<int64_t>(kMaterialMean + values[i] - mean, 0, 65535));
}

// ---------------------------------------------------------------------------
// LoRes overviews
// ---------------------------------------------------------------------------

struct Rgb {
    int32_t r, g, b;
};

// A grid point's overview colour: its country's material blend at its
// altitude, a little per-point variation on land, and light from the map's
// top left (low rows and columns), so slopes that face it are brighter.
Rgb GridColour(const HeightField& field, const std::vector<uint8_t>& countries, uint32_t seed, int row, int col) {
    const uint8_t altitude = AltitudeAt(field, row, col);
    const uint8_t country = countries[size_t(row) * kGridSide + size_t(col)];
    const EntryValues e = CountryEntryValues(kCountryStyles[country], altitude);
    const uint8_t* a = kMaterialStyles[e.materialA].rgb;
    const uint8_t* b = kMaterialStyles[e.materialB].rgb;
    const int32_t w = int32_t(e.blendWeight);
    Rgb colour = {(a[0] * w + b[0] * (255 - w)) / 255, (a[1] * w + b[1] * (255 - w)) / 255,
                  (a[2] * w + b[2] * (255 - w)) / 255};
    if (altitude == 0) return colour;
    const int32_t jitter = int32_t(Mix(uint32_t(row * kGridSide + col) ^ Salt(seed, 6)) % 13) - 6;
    // Height differences across two cells (20 world units) along both axes.
    const int64_t dCol = int64_t(AltitudeAt(field, row, col + 1)) - AltitudeAt(field, row, col - 1);
    const int64_t dRow = int64_t(AltitudeAt(field, row + 1, col)) - AltitudeAt(field, row - 1, col);
    // The cosine-like term (dCol + dRow) / |(dCol, dRow, 20)| / sqrt 2 lies in
    // (-1, 1); sqrt is correctly rounded, so the shade is the same everywhere.
    const int64_t length = int64_t(std::sqrt(double(2 * (400 + dCol * dCol + dRow * dRow))));
    const int64_t shade = 256 + 160 * (dCol + dRow) / length;  // 1/256ths
    auto lit = [&](int32_t channel) {
        return int32_t(std::clamp<int64_t>((channel + jitter) * shade / 256, 0, 255));
    };
    return {lit(colour.r), lit(colour.g), lit(colour.b)};
}

constexpr int kSlotPixels = kLoResSide / 4;  // a block's square of its LoRes texture

// Paints block (b, a)'s square of a LoRes image: pixel centre u = (p + 0.5) /
// 256 meets cell column (u - origin) * 68 - 0.75, that is, with the origin at
// the square's first pixel, ((2 p + 1) * 68 - 384) / 512 cells from the
// block's column 0 (rows likewise). The square reaches 0.6 cell beyond the
// block on each side; the height field's colours continue there, so the
// filtering at block edges blends in the right neighbours.
void PaintBlockSquare(const std::vector<Rgb>& colours, int b, int a, int slot, uint8_t* rgba) {
    const int x0 = kSlotPixels * (slot % 4), y0 = kSlotPixels * (slot / 4);
    auto gridPoint = [](int block, int pixel) {  // 1/512ths of a cell, clamped to the map
        return std::clamp<int64_t>(int64_t(block) * 16 * 512 + (2 * pixel + 1) * 68 - 384, 0,
                                   int64_t(kGridSide - 1) * 512);
    };
    for (int py = 0; py < kSlotPixels; ++py) {
        const int64_t gy = gridPoint(b, py);
        const int row = int(gy / 512), row1 = std::min(row + 1, kGridSide - 1);
        const int64_t fy = gy % 512;
        for (int px = 0; px < kSlotPixels; ++px) {
            const int64_t gx = gridPoint(a, px);
            const int col = int(gx / 512), col1 = std::min(col + 1, kGridSide - 1);
            const int64_t fx = gx % 512;
            const Rgb& c00 = colours[size_t(row) * kGridSide + size_t(col)];
            const Rgb& c01 = colours[size_t(row) * kGridSide + size_t(col1)];
            const Rgb& c10 = colours[size_t(row1) * kGridSide + size_t(col)];
            const Rgb& c11 = colours[size_t(row1) * kGridSide + size_t(col1)];
            auto bilinear = [&](int32_t Rgb::*channel) {
                const int64_t top = c00.*channel * (512 - fx) + c01.*channel * fx;
                const int64_t bottom = c10.*channel * (512 - fx) + c11.*channel * fx;
                return uint8_t((top * (512 - fy) + bottom * fy + 131072) / 262144);
            };
            uint8_t* pixel = rgba + 4 * (size_t(y0 + py) * kLoResSide + size_t(x0 + px));
            pixel[0] = bilinear(&Rgb::r);
            pixel[1] = bilinear(&Rgb::g);
            pixel[2] = bilinear(&Rgb::b);
            pixel[3] = 255;
        }
    }
}

// ---------------------------------------------------------------------------
// The file
// ---------------------------------------------------------------------------

struct Place {
    int b, a;  // map row and column
};

void WriteHeader(uint8_t* file, int32_t blockCount, uint32_t loResCount, const std::vector<Place>& places) {
    StoreI32(file + kBlockCountPlusOneOffset, blockCount + 1);  // the count is stored plus one
    for (size_t k = 0; k < places.size(); ++k)
        file[kBlockMapOffset + uint64_t(kBlockMapSide * places[k].b + places[k].a)] = uint8_t(k + 1);
    StoreI32(file + kMaterialCountOffset, kSampleMaterialCount);
    StoreI32(file + kCountryCountOffset, kSampleCountryCount);
    StoreU32(file + kLoResTextureCountOffset, loResCount);
}

void WriteBlock(uint8_t* block, const HeightField& field, const std::vector<uint8_t>& attributes, Place place,
                int32_t index) {
    for (int r = 0; r <= kBlockQuads; ++r)
        for (int c = 0; c <= kBlockQuads; ++c) {
            const size_t g = size_t(16 * place.b + r) * kGridSide + size_t(16 * place.a + c);
            uint8_t* cell = block + kCellsOffset + kCellRowStride * uint64_t(r) + kCellSize * uint64_t(c);
            cell[kAltitudeOffset] = field.altitude[g];
            cell[kAttributesOffset] = attributes[g];
        }
    const int slot = index % kSampleBlocksPerLoRes;
    StoreI32(block + kLoResTextureIndexOffset, index / kSampleBlocksPerLoRes);
    StoreF32(block + kTextureOriginSOffset, 0.25f * float(slot % 4));
    StoreF32(block + kTextureOriginTOffset, 0.25f * float(slot / 4));
}

void WriteCountry(uint8_t* country, const CountryStyle& style) {
    for (int h = 0; h < kCountryEntryCount; ++h) {
        const EntryValues e = CountryEntryValues(style, h);
        uint8_t* entry = country + kEntriesOffset + kCountryEntrySize * uint64_t(h);
        StoreU32(entry + kMaterialAOffset, e.materialA);
        StoreU32(entry + kMaterialBOffset, e.materialB);
        StoreU32(entry + kBlendWeightOffset, e.blendWeight);
    }
}

void WriteMaterial(uint8_t* material, const MaterialStyle& style, uint32_t salt) {
    std::vector<uint16_t> texels(size_t(kMaterialSide) * kMaterialSide);
    MakeMaterialTexels(style, salt, texels.data());
    for (size_t i = 0; i < texels.size(); ++i) StoreU16(material + kTexelsOffset + 2 * i, texels[i]);
}

// Values 0..3, tileable like the materials, since every block reads the same
// map and blocks meet edge to edge. Stored transposed: column x, row y is
// byte 256 x + y.
void WriteDetailMap(uint8_t* detail, uint32_t salt) {
    for (int x = 0; x < 256; ++x)
        for (int y = 0; y < 256; ++y) {
            const int64_t n = Fractal(x * 16 * 256, y * 16 * 256, 3, salt, 16, 16, false);
            detail[256 * x + y] = uint8_t(std::clamp<int64_t>((n + kOne) * 4 / (2 * kOne), 0, 3));
        }
}

// Range fit: on these smooth overviews hardly worse than cluster fit (an RMS
// error of about 1.7 against 1.5 8-bit steps) and several times faster.
constexpr int kSquishFlags = squish::kDxt3 | squish::kColourRangeFit;

void WriteLoResRecords(uint8_t* file, const LandscapeAreas& areas, uint32_t loResCount,
                       const std::vector<Place>& places, const std::vector<Rgb>& colours) {
    const Rgb water = {kMaterialStyles[kWater].rgb[0], kMaterialStyles[kWater].rgb[1], kMaterialStyles[kWater].rgb[2]};
    std::vector<uint8_t> rgba(size_t(kLoResSide) * kLoResSide * 4);
    for (uint32_t t = 0; t < loResCount; ++t) {
        // Squares no block uses show sea.
        for (size_t p = 0; p < rgba.size(); p += 4) {
            rgba[p] = uint8_t(water.r);
            rgba[p + 1] = uint8_t(water.g);
            rgba[p + 2] = uint8_t(water.b);
            rgba[p + 3] = 255;
        }
        const size_t firstBlock = size_t(t) * kSampleBlocksPerLoRes;
        for (size_t k = firstBlock; k < std::min(places.size(), firstBlock + kSampleBlocksPerLoRes); ++k)
            PaintBlockSquare(colours, places[k].b, places[k].a, int(k - firstBlock), rgba.data());
        uint8_t* record = file + areas.loResArea + kLoResTextureSize * t;
        StoreI32(record + kRecordSizeOffset, kLoResStoredRecordSize);
        WriteDxt3DdsHeader(record + kDdsHeaderOffset, kLoResSide, kLoResSide);
        squish::CompressImage(rgba.data(), kLoResSide, kLoResSide, record + kImageDataOffset, kSquishFlags);
    }
}

}  // namespace

std::vector<uint8_t> MakeSampleLandscape(uint32_t seed, int maxBlocks) {
    maxBlocks = std::clamp(maxBlocks, 1, 255);
    const Island island = FitIsland(seed, maxBlocks);
    HeightField field;
    SampleHeights(island, &field);

    // Countries and split flags per grid point, so cells shared by two blocks
    // are identical byte for byte: the viewer never reads the flags of row 16
    // and column 16, but they hold those of the quads beyond all the same.
    std::vector<uint8_t> countries(field.altitude.size());
    std::vector<uint8_t> attributes(field.altitude.size());
    for (int row = 0; row < kGridSide; ++row)
        for (int col = 0; col < kGridSide; ++col) {
            const size_t g = size_t(row) * kGridSide + size_t(col);
            countries[g] = CountryAt(island, row, col, field.altitude[g]);
            const bool split =
                row + 1 < kGridSide && col + 1 < kGridSide && SplitFollowsTerrain(island, field, row, col);
            attributes[g] = uint8_t(countries[g] | (split ? kSplitFlagBit : 0));
        }

    std::vector<Place> places;
    for (int b = 0; b < kBlockMapSide; ++b)
        for (int a = 0; a < kBlockMapSide; ++a)
            // Every edge facing an empty place then lies at sea level, since
            // the neighbours share their edge cells.
            if (PlaceHasLand(field.altitude, b, a)) places.push_back({b, a});
    const int32_t blockCount = int32_t(places.size());
    const uint32_t loResCount = uint32_t((blockCount + kSampleBlocksPerLoRes - 1) / kSampleBlocksPerLoRes);

    const LandscapeAreas areas =
        ComputeLandscapeAreas(blockCount, kSampleCountryCount, kSampleMaterialCount, loResCount);
    std::vector<uint8_t> file(areas.end, 0);
    WriteHeader(file.data(), blockCount, loResCount, places);

    std::vector<Rgb> colours(field.altitude.size());
    for (int row = 0; row < kGridSide; ++row)
        for (int col = 0; col < kGridSide; ++col)
            colours[size_t(row) * kGridSide + size_t(col)] = GridColour(field, countries, seed, row, col);
    WriteLoResRecords(file.data(), areas, loResCount, places, colours);

    for (int32_t k = 0; k < blockCount; ++k)
        WriteBlock(file.data() + areas.blockArea + kBlockSize * uint64_t(k), field, attributes, places[size_t(k)], k);
    for (int32_t k = 0; k < kSampleCountryCount; ++k)
        WriteCountry(file.data() + areas.countryArea + kCountrySize * uint64_t(k), kCountryStyles[k]);
    for (int32_t m = 0; m < kSampleMaterialCount; ++m)
        WriteMaterial(file.data() + areas.materialArea + kMaterialSize * uint64_t(m), kMaterialStyles[m],
                      Salt(seed, 100 + uint32_t(m)));
    WriteDetailMap(file.data() + areas.detailMap, Salt(seed, 7));
    return file;
}

void SampleMaterialTexels(int m, uint32_t seed, uint16_t* texels) {
    MakeMaterialTexels(kMaterialStyles[m], Salt(seed, 100 + uint32_t(m)), texels);
}

void SampleMaterialColour(int m, uint8_t rgb[3]) {
    for (int i = 0; i < 3; ++i) rgb[i] = kMaterialStyles[m].rgb[i];
}

void SampleCountryEntry(int country, int h, uint32_t* materialA, uint32_t* materialB, uint32_t* blendWeight) {
    const EntryValues e = CountryEntryValues(kCountryStyles[country], h);
    *materialA = e.materialA;
    *materialB = e.materialB;
    *blendWeight = e.blendWeight;
}

void SampleDetailMap(uint32_t seed, uint8_t* detail) { WriteDetailMap(detail, Salt(seed, 7)); }
