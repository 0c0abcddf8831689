// test_files.h -- landscape files built in memory by the tests, record by
// record, and written to real files on disk.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "landscape/lnd_format.h"

// A well-formed landscape with the given counts: every LoRes record has
// RecordSize 65664 and a 256 x 256 DXT3 DDS header, every other byte is 0
// (so every index is 0 and every cell is country 0, altitude 0).
class TestLandscape {
public:
    TestLandscape(int32_t blocks, int32_t countries, int32_t materials, uint32_t loResTextures);

    std::vector<uint8_t> bytes;
    LandscapeAreas areas;

    uint8_t* Header() { return bytes.data(); }
    uint8_t* LoRes(uint32_t i) { return bytes.data() + areas.loResArea + kLoResTextureSize * i; }
    uint8_t* Block(int32_t k) { return bytes.data() + areas.blockArea + kBlockSize * uint64_t(k); }
    uint8_t* Country(int32_t k) { return bytes.data() + areas.countryArea + kCountrySize * uint64_t(k); }
    uint8_t* Material(int32_t k) { return bytes.data() + areas.materialArea + kMaterialSize * uint64_t(k); }
    uint8_t* Detail() { return bytes.data() + areas.detailMap; }

    void SetMap(int row, int column, uint8_t value) { bytes[kBlockMapOffset + 32 * row + column] = value; }
    void SetCell(int32_t block, int row, int column, uint8_t altitude, uint8_t attributes);
    void SetEntry(int32_t country, int altitude, uint32_t materialA, uint32_t materialB, uint32_t blendWeight);
    void SetTexel(int32_t material, int row, int column, uint16_t value);
    // Every texel of a material to one value.
    void FillMaterial(int32_t material, uint16_t value);
    // Every pixel of a LoRes image to one opaque 565 colour.
    void FillLoRes(uint32_t i, uint16_t colour565, uint8_t alpha4 = 15);
};

// A fresh, empty folder for one test, inside a folder of this process that
// is removed when the process ends.
std::string TestTempDir(const std::string& name);
// Writes bytes to a file and returns its path.
std::string WriteTestFile(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> ReadTestFile(const std::string& path);
