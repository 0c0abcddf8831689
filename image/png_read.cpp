// png_read.cpp -- strict PNG decoding from memory through libpng.
#include "image/png_read.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>

namespace {

// Where libpng reads from and what it found. Plain data only: libpng leaves
// its callbacks by longjmp, which must not skip destructors.
struct PngSource {
    const uint8_t* bytes;
    size_t size;
    size_t at;
    char message[256];  // libpng's own reason when it stops
    png_uint_32 width_px, height_px;
    int bitDepth, colourType, interlace;
};

void OnPngError(png_structp png, png_const_charp message) {
    PngSource* source = static_cast<PngSource*>(png_get_error_ptr(png));
    std::snprintf(source->message, sizeof source->message, "%s", message);
    png_longjmp(png, 1);
}

// Warnings (a bad ancillary chunk) do not stop the read, and libpng would
// otherwise print them on stderr in its own format.
void OnPngWarning(png_structp, png_const_charp) {}

void ReadFromSource(png_structp png, png_bytep data, size_t length) {
    PngSource* source = static_cast<PngSource*>(png_get_io_ptr(png));
    if (length > source->size - source->at) png_error(png, "the file ends early");
    std::memcpy(data, source->bytes + source->at, length);
    source->at += length;
}

struct LayoutName {
    PngLayout layout;
    int bitDepth;
    int colourType;
    int channels;
};
constexpr LayoutName kLayouts[] = {
    {PngLayout::Gray8, 8, PNG_COLOR_TYPE_GRAY, 1},
    {PngLayout::Gray16, 16, PNG_COLOR_TYPE_GRAY, 1},
    {PngLayout::Rgba8, 8, PNG_COLOR_TYPE_RGB_ALPHA, 4},
};

const char* ColourTypeName(int colourType) {
    switch (colourType) {
    case PNG_COLOR_TYPE_GRAY: return "grey";
    case PNG_COLOR_TYPE_RGB: return "RGB";
    case PNG_COLOR_TYPE_PALETTE: return "indexed colour";
    case PNG_COLOR_TYPE_GRAY_ALPHA: return "grey with alpha";
    case PNG_COLOR_TYPE_RGB_ALPHA: return "RGBA";
    }
    return "unknown colour type";
}

std::string SampleFormat(int bitDepth, int colourType) {
    return std::to_string(bitDepth) + "-bit " + ColourTypeName(colourType);
}

std::string Size(uint64_t width_px, uint64_t height_px) {
    return std::to_string(width_px) + " x " + std::to_string(height_px) + " pixels, ";
}

const LayoutName* FoundLayout(const PngSource& s, unsigned accepted) {
    for (const LayoutName& l : kLayouts)
        if ((accepted & unsigned(l.layout)) && s.bitDepth == l.bitDepth && s.colourType == l.colourType) return &l;
    return nullptr;
}

enum class ReadOutcome { Decoded, Failed, OtherFormat };

// libpng from the signature to the end chunk. The row storage belongs to the
// caller, so a longjmp out of libpng leaves nothing behind.
ReadOutcome RunDecoder(png_structp png, png_infop info, PngSource* s, int32_t width_px, int32_t height_px,
                       unsigned accepted, std::vector<uint8_t>* rows, std::vector<png_bytep>* rowPointers) {
    if (setjmp(png_jmpbuf(png))) return ReadOutcome::Failed;
    png_set_read_fn(png, s, ReadFromSource);
    png_read_info(png, info);
    png_get_IHDR(png, info, &s->width_px, &s->height_px, &s->bitDepth, &s->colourType, &s->interlace, nullptr,
                 nullptr);
    const LayoutName* layout = FoundLayout(*s, accepted);
    if (!layout || s->width_px != png_uint_32(width_px) || s->height_px != png_uint_32(height_px))
        return ReadOutcome::OtherFormat;
    if (s->interlace != PNG_INTERLACE_NONE) png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const size_t rowBytes = size_t(width_px) * size_t(layout->channels) * size_t(layout->bitDepth / 8);
    if (png_get_rowbytes(png, info) != rowBytes) png_error(png, "unexpected row length");
    rows->resize(rowBytes * size_t(height_px));
    rowPointers->resize(size_t(height_px));
    for (int32_t y = 0; y < height_px; ++y) (*rowPointers)[size_t(y)] = rows->data() + rowBytes * size_t(y);
    png_read_image(png, rowPointers->data());
    png_read_end(png, nullptr);
    return ReadOutcome::Decoded;
}

}  // namespace

bool DecodePng(const uint8_t* png, size_t size, int32_t width_px, int32_t height_px, unsigned acceptedLayouts,
               DecodedPng* out, std::string* fault) {
    *out = DecodedPng();
    if (size < 8 || png_sig_cmp(png, 0, 8) != 0) {
        *fault = "is not a PNG file";
        return false;
    }
    PngSource source = {png, size, 0, "", 0, 0, 0, 0, 0};
    png_structp reader = png_create_read_struct(PNG_LIBPNG_VER_STRING, &source, OnPngError, OnPngWarning);
    png_infop info = reader ? png_create_info_struct(reader) : nullptr;
    if (!info) {
        png_destroy_read_struct(&reader, nullptr, nullptr);
        *fault = "cannot be decoded: no memory for the PNG decoder";
        return false;
    }
    std::vector<uint8_t> rows;
    std::vector<png_bytep> rowPointers;
    const ReadOutcome outcome =
        RunDecoder(reader, info, &source, width_px, height_px, acceptedLayouts, &rows, &rowPointers);
    png_destroy_read_struct(&reader, &info, nullptr);
    if (outcome == ReadOutcome::Failed) {
        *fault = std::string("cannot be decoded: ") + source.message;
        return false;
    }
    if (outcome == ReadOutcome::OtherFormat) {
        std::string wanted;
        for (const LayoutName& l : kLayouts)
            if (acceptedLayouts & unsigned(l.layout))
                wanted += (wanted.empty() ? "" : " or ") + SampleFormat(l.bitDepth, l.colourType);
        *fault = "is " + Size(source.width_px, source.height_px) + SampleFormat(source.bitDepth, source.colourType) +
                 "; it must be " + Size(uint32_t(width_px), uint32_t(height_px)) + wanted;
        return false;
    }
    out->layout = FoundLayout(source, acceptedLayouts)->layout;
    if (out->layout != PngLayout::Gray16) {
        out->bytes = std::move(rows);
        return true;
    }
    // PNG samples are big-endian whatever the machine.
    out->samples.resize(rows.size() / 2);
    for (size_t i = 0; i < out->samples.size(); ++i) out->samples[i] = uint16_t((rows[2 * i] << 8) | rows[2 * i + 1]);
    return true;
}
