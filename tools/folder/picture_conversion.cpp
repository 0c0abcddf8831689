// picture_conversion.cpp -- grey from RGB, RGBA from RGB, when lossless.
#include "tools/folder/picture_conversion.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

// "at row r, column c" of pixel i of a picture `width_px` wide.
std::string PixelPlace(size_t i, size_t width_px) {
    return "row " + std::to_string(i / width_px) + ", column " + std::to_string(i % width_px);
}

// Grey from `channels` samples a pixel (RGB, or RGBA whose alpha must be
// full), or the index of the first pixel that is not grey and opaque.
template <typename Sample>
bool TakeGrey(std::vector<Sample>* samples, size_t channels, Sample opaque, size_t* firstColoured) {
    const size_t pixels = samples->size() / channels;
    std::vector<Sample> grey(pixels);
    for (size_t i = 0; i < pixels; ++i) {
        const Sample* p = samples->data() + channels * i;
        if (p[0] != p[1] || p[0] != p[2] || (channels == 4 && p[3] != opaque)) {
            *firstColoured = i;
            return false;
        }
        grey[i] = p[0];
    }
    *samples = std::move(grey);
    return true;
}

}  // namespace

unsigned LayoutsTakenFor(PngLayout wanted) {
    switch (wanted) {
    case PngLayout::Gray8: return unsigned(PngLayout::Rgb8) | unsigned(PngLayout::Rgba8);
    case PngLayout::Gray16: return unsigned(PngLayout::Rgb16);
    case PngLayout::Rgba8: return unsigned(PngLayout::Rgb8);
    default: return 0;
    }
}

std::string HowToSave(PngLayout wanted) {
    switch (wanted) {
    case PngLayout::Gray8:
        return "save it as 8-bit grey (in GIMP: Image > Mode > Grayscale, Image > Precision > 8 bit integer, then "
               "File > Overwrite)";
    case PngLayout::Gray16:
        return "save it as 16-bit grey (in GIMP: Image > Mode > Grayscale, Image > Precision > 16 bit integer, then "
               "File > Overwrite)";
    case PngLayout::Rgba8:
        return "save it as 8-bit RGBA (in GIMP: Image > Mode > RGB, Image > Precision > 8 bit integer, keep the "
               "alpha channel, then File > Overwrite)";
    default: return "save it in the layout the folder's README.txt gives";
    }
}

bool TakeAsLayout(DecodedPng* image, int32_t width_px, PngLayout wanted, bool opaqueIsLossless,
                  std::string* fault) {
    if (image->layout == wanted) return true;
    const size_t samples = image->bytes.empty() ? image->samples.size() : image->bytes.size();
    const size_t channels = image->layout == PngLayout::Rgba8 ? 4 : 3;
    size_t coloured = 0;
    const char* kind = image->layout == PngLayout::Rgba8 ? "8-bit RGBA" : image->layout == PngLayout::Rgb8
                                                                              ? "8-bit RGB"
                                                                              : "16-bit RGB";
    if (wanted == PngLayout::Gray8 || wanted == PngLayout::Gray16) {
        const bool grey = wanted == PngLayout::Gray8
                              ? TakeGrey<uint8_t>(&image->bytes, channels, 255, &coloured)
                              : TakeGrey<uint16_t>(&image->samples, channels, 65535, &coloured);
        if (!grey) {
            *fault = std::string("is ") + kind + " with pixels that are not grey" +
                     (channels == 4 ? " and opaque" : "") + " (the first at " + PixelPlace(coloured, size_t(width_px)) +
                     "); a grey picture is wanted: " + HowToSave(wanted);
            return false;
        }
        image->layout = wanted;
        return true;
    }
    if (wanted == PngLayout::Rgba8 && image->layout == PngLayout::Rgb8) {
        if (!opaqueIsLossless) {
            *fault = "is 8-bit RGB: its alpha was dropped on saving, and this texture's alpha is not all opaque; "
                     "save it again as 8-bit RGBA from the unpacked picture, keeping its alpha channel";
            return false;
        }
        std::vector<uint8_t> rgba(samples / 3 * 4);
        for (size_t i = 0; i < samples / 3; ++i) {
            for (size_t c = 0; c < 3; ++c) rgba[4 * i + c] = image->bytes[3 * i + c];
            rgba[4 * i + 3] = 255;
        }
        image->bytes = std::move(rgba);
        image->layout = wanted;
        return true;
    }
    *fault = std::string("is ") + kind + "; " + HowToSave(wanted);
    return false;
}
