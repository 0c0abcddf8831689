// test_files.cpp -- landscape files built by the tests.
#include "unit_support/test_files.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include <unistd.h>

TestLandscape::TestLandscape(int32_t blocks, int32_t countries, int32_t materials, uint32_t loResTextures) {
    areas = ComputeLandscapeAreas(blocks, countries, materials, loResTextures);
    bytes.assign(areas.end, 0);
    StoreI32(bytes.data() + kBlockCountPlusOneOffset, blocks + 1);
    StoreI32(bytes.data() + kMaterialCountOffset, materials);
    StoreI32(bytes.data() + kCountryCountOffset, countries);
    StoreU32(bytes.data() + kLoResTextureCountOffset, loResTextures);
    for (uint32_t i = 0; i < loResTextures; ++i) {
        StoreI32(LoRes(i) + kRecordSizeOffset, kLoResStoredRecordSize);
        WriteDxt3DdsHeader(LoRes(i) + kDdsHeaderOffset, kLoResSide, kLoResSide);
    }
}

void TestLandscape::SetCell(int32_t block, int row, int column, uint8_t altitude, uint8_t attributes) {
    uint8_t* cell = const_cast<uint8_t*>(CellAt(Block(block), row, column));
    cell[kAltitudeOffset] = altitude;
    cell[kAttributesOffset] = attributes;
}

void TestLandscape::SetEntry(int32_t country, int altitude, uint32_t materialA, uint32_t materialB,
                             uint32_t blendWeight) {
    uint8_t* entry = const_cast<uint8_t*>(CountryEntryAt(Country(country), altitude));
    StoreU32(entry + kMaterialAOffset, materialA);
    StoreU32(entry + kMaterialBOffset, materialB);
    StoreU32(entry + kBlendWeightOffset, blendWeight);
}

void TestLandscape::SetTexel(int32_t material, int row, int column, uint16_t value) {
    StoreU16(Material(material) + kTexelsOffset + 2 * uint64_t(256 * row + column), value);
}

void TestLandscape::FillMaterial(int32_t material, uint16_t value) {
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) SetTexel(material, y, x, value);
}

void TestLandscape::FillLoRes(uint32_t i, uint16_t colour565, uint8_t alpha4) {
    uint8_t* image = LoRes(i) + kImageDataOffset;
    const uint16_t alphaRow = uint16_t((alpha4 & 0xF) * 0x1111);
    for (uint64_t b = 0; b < kLoResImageSize / 16; ++b) {
        uint8_t* block = image + 16 * b;
        for (int row = 0; row < 4; ++row) StoreU16(block + 2 * row, alphaRow);
        StoreU16(block + 8, colour565);
        StoreU16(block + 10, colour565);
        StoreU32(block + 12, 0);  // every pixel takes colour0
    }
}

namespace {

// The one folder of this test process, removed with everything in it when
// the process ends normally, whether its tests passed or failed.
struct ProcessTempRoot {
    std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("lndview-tests-" + std::to_string(::getpid()));
    ~ProcessTempRoot() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

}  // namespace

std::string TestTempDir(const std::string& name) {
    static ProcessTempRoot root;
    namespace fs = std::filesystem;
    fs::path dir = root.path / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir.string();
}

std::string WriteTestFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
    return path;
}

std::vector<uint8_t> ReadTestFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}
