// fuzz_png_read.cpp -- fuzz target: bytes as a PNG (chunk CRCs sealed, see
// png_crc.h) decoded by the strict reader in each of the shapes the
// landscape folder, the heightmap and the whole-map pictures ask for (RGB
// too, as pack takes it), and by the readers of the pictures a new
// landscape is made from (any size). A decoded image has exactly the
// samples its size and layout call for; a refused one says why in one line.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_oracle.h"
#include "image/png_read.h"
#include "landscape/lnd_format.h"
#include "png_crc.h"
#include "tools/new/new_pictures.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::vector<uint8_t> png;
    png.assign(data, data + size);
    SealPngChunks(png.data(), png.size());
    struct Shape {
        int32_t side;
        unsigned layouts;
    };
    const unsigned gray = unsigned(PngLayout::Gray8) | unsigned(PngLayout::Gray16);
    const unsigned rgb = unsigned(PngLayout::Rgb8) | unsigned(PngLayout::Rgb16);
    // The colours picture (2048 x 2048) is left out: the fuzzer's inputs are
    // far too short to fill one, and its rows are read as the 512 x 512 ones.
    for (const Shape& shape : {Shape{17, unsigned(PngLayout::Gray8) | rgb},
                               Shape{256, gray | unsigned(PngLayout::Rgba8)}, Shape{513, gray},
                               Shape{513, unsigned(PngLayout::Indexed8) | unsigned(PngLayout::Gray8)},
                               Shape{512, unsigned(PngLayout::Gray8) | unsigned(PngLayout::Rgba8)}}) {
        DecodedPng image;
        std::string fault;
        if (!DecodePng(png.data(), png.size(), shape.side, shape.side, shape.layouts, &image, &fault)) {
            FUZZ_REQUIRE(!fault.empty() && fault.find('\n') == std::string::npos);
            continue;
        }
        FUZZ_REQUIRE(shape.layouts & unsigned(image.layout));
        const size_t pixels = size_t(shape.side) * size_t(shape.side);
        const size_t channels = image.layout == PngLayout::Rgba8                                    ? 4
                                : image.layout == PngLayout::Rgb8 || image.layout == PngLayout::Rgb16 ? 3
                                                                                                      : 1;
        if (image.layout == PngLayout::Gray16 || image.layout == PngLayout::Rgb16)
            FUZZ_REQUIRE(image.samples.size() == pixels * channels && image.bytes.empty());
        else FUZZ_REQUIRE(image.bytes.size() == pixels * channels);
    }

    const size_t grid = size_t(kHeightmapSide) * kHeightmapSide;
    auto refusedInOneLine = [](const std::string& fault) {
        FUZZ_REQUIRE(!fault.empty() && fault.find('\n') == std::string::npos);
    };
    std::string fault;
    std::vector<uint8_t> heights;
    if (NewHeightsFromPng(png.data(), png.size(), &heights, &fault)) FUZZ_REQUIRE(heights.size() == grid);
    else refusedInOneLine(fault);
    fault.clear();
    std::vector<uint8_t> countries;
    if (NewCountriesFromPng(png.data(), png.size(), &countries, &fault)) {
        FUZZ_REQUIRE(countries.size() == grid);
        for (uint8_t country : countries) FUZZ_REQUIRE(country < kPaletteCountries);
    } else refusedInOneLine(fault);
    fault.clear();
    ColoursPicture colours;
    if (NewColoursFromPng(png.data(), png.size(), &colours, &fault)) {
        FUZZ_REQUIRE(colours.width >= 1 && colours.width <= kLargestNewPictureSide);
        FUZZ_REQUIRE(colours.height >= 1 && colours.height <= kLargestNewPictureSide);
        FUZZ_REQUIRE(colours.rgb.size() == 3 * size_t(colours.width) * size_t(colours.height));
    } else refusedInOneLine(fault);
    fault.clear();
    NewMaterial material;
    if (NewMaterialFromPng(png.data(), png.size(), &material, &fault)) FUZZ_REQUIRE(material.texels.size() == 65536);
    else refusedInOneLine(fault);
    return 0;
}
