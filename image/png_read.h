// png_read.h -- PNG bytes in memory decoded with libpng, strictly: the caller
// names the size and the sample layouts it takes, and anything else is
// refused with a sentence saying what the file is instead. The header is
// looked at before any pixel memory is taken, so a PNG that claims a huge
// size costs nothing; image data that inflates to more than the rows of
// that size is refused, and inflating stops there.
//
// Rows come out top first without padding; 16-bit samples in the machine's
// order. Ancillary chunks (gamma, colour profiles, text) are ignored: the
// numbers are taken as stored. An interlaced file is read like any other.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class PngLayout : uint8_t {
    Gray8 = 1,   // colour type grey, bit depth 8: one byte a pixel
    Gray16 = 2,  // colour type grey, bit depth 16: one uint16 a pixel
    Rgba8 = 4,   // colour type RGBA, bit depth 8: four bytes a pixel (R, G, B, A)
    Rgb8 = 8,    // colour type RGB, bit depth 8: three bytes a pixel
    Rgb16 = 16,  // colour type RGB, bit depth 16: three uint16 a pixel
    Indexed8 = 32,  // colour type palette, bit depth 8: one palette index a pixel
};

struct DecodedPng {
    PngLayout layout = PngLayout::Gray8;
    std::vector<uint8_t> bytes;      // Gray8, Rgba8, Rgb8 and Indexed8 samples
    std::vector<uint16_t> samples;   // Gray16 and Rgb16 samples
    int32_t width_px = 0, height_px = 0;
    // Indexed8: the palette, 3 bytes (R, G, B) an entry, and the opacities of
    // its first entries (the others are opaque). Every index names an entry.
    std::vector<uint8_t> paletteRgb, paletteAlpha;
};

// Decodes `size` bytes of `png` when its header says width_px x height_px in
// one of the layouts of `acceptedLayouts` (PngLayout values or-ed together).
// Otherwise returns false with *fault set to one sentence without a file
// name, e.g. "is 16 x 17 pixels, 8-bit RGBA; it must be 17 x 17 pixels, 8-bit
// grey" or "is not a PNG file". *out is replaced.
bool DecodePng(const uint8_t* png, size_t size, int32_t width_px, int32_t height_px, unsigned acceptedLayouts,
               DecodedPng* out, std::string* fault);

// The same for a picture of any size from 1 x 1 to mostSide x mostSide; the
// size found is in out->width_px and out->height_px.
bool DecodePngOfAnySize(const uint8_t* png, size_t size, int32_t mostSide, unsigned acceptedLayouts, DecodedPng* out,
                        std::string* fault);
