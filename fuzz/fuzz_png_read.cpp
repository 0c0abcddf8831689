// fuzz_png_read.cpp -- fuzz target: bytes as a PNG (chunk CRCs sealed, see
// png_crc.h) decoded by the strict reader in each of the shapes the
// landscape folder and the heightmap ask for (RGB too, as pack takes it).
// A decoded image has exactly the samples its size and layout call for; a
// refused one says why in one line.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_oracle.h"
#include "image/png_read.h"
#include "png_crc.h"

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
    for (const Shape& shape : {Shape{17, unsigned(PngLayout::Gray8) | rgb},
                               Shape{256, gray | unsigned(PngLayout::Rgba8)}, Shape{513, gray}}) {
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
    return 0;
}
