// png_read.cpp -- strict PNG decoding from memory through libpng.
#include "image/png_read.h"

#include <png.h>
#include <zlib.h>

#include <algorithm>
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
    {PngLayout::Rgb8, 8, PNG_COLOR_TYPE_RGB, 3},
    {PngLayout::Rgb16, 16, PNG_COLOR_TYPE_RGB, 3},
    {PngLayout::Indexed8, 8, PNG_COLOR_TYPE_PALETTE, 1},
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

uint32_t LoadU32BigEndian(const uint8_t* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}

// The bytes the image data inflates to for its size: each row, of each
// pass when interlaced, is one filter byte and its samples.
uint64_t ImageDataSize(uint64_t width_px, uint64_t height_px, uint64_t bytesPerPixel, bool interlaced) {
    if (!interlaced) return height_px * (1 + width_px * bytesPerPixel);
    // Adam7: each pass's first column and row, and its steps.
    const uint64_t x0[7] = {0, 4, 0, 2, 0, 1, 0}, dx[7] = {8, 8, 4, 4, 2, 2, 1};
    const uint64_t y0[7] = {0, 0, 4, 0, 2, 0, 1}, dy[7] = {8, 8, 8, 4, 4, 2, 2};
    uint64_t total = 0;
    for (int pass = 0; pass < 7; ++pass) {
        const uint64_t columns = width_px > x0[pass] ? (width_px - x0[pass] + dx[pass] - 1) / dx[pass] : 0;
        const uint64_t rows = height_px > y0[pass] ? (height_px - y0[pass] + dy[pass] - 1) / dy[pass] : 0;
        if (columns && rows) total += rows * (1 + columns * bytesPerPixel);
    }
    return total;
}

// False when the IDAT chunks inflate to more than `expected` bytes, or
// hold compressed bytes past the stream's end. The inflating stops one
// buffer past `expected`, so a small picture followed by a gigabyte of
// compressed zeros costs no more than the picture; libpng would inflate it
// all before it warns. Chunks that do not fit the file are left to libpng.
bool ImageDataFits(const uint8_t* png, size_t size, uint64_t expected) {
    z_stream z = {};
    if (inflateInit(&z) != Z_OK) return true;
    uint8_t out[16384];
    uint64_t inflated = 0;
    bool ended = false, fits = true;
    for (size_t at = 8; fits && size - at >= 12;) {
        const uint64_t length = LoadU32BigEndian(png + at);
        if (length > size - at - 12) break;
        const uint8_t* data = png + at + 8;
        const bool idat = std::memcmp(png + at + 4, "IDAT", 4) == 0;
        at += 12 + size_t(length);
        if (!idat || length == 0) continue;
        if (ended) {
            fits = false;
            break;
        }
        z.next_in = const_cast<Bytef*>(data);
        z.avail_in = uInt(length);
        while (z.avail_in > 0 && !ended && fits) {
            z.next_out = out;
            z.avail_out = sizeof out;
            const int result = inflate(&z, Z_NO_FLUSH);
            inflated += sizeof out - z.avail_out;
            if (inflated > expected) fits = false;
            else if (result == Z_STREAM_END) ended = true;
            else if (result != Z_OK) break;  // libpng names the damage
        }
        if (ended && z.avail_in > 0) fits = false;
        if (!ended && z.avail_in > 0) break;
    }
    inflateEnd(&z);
    return fits;
}

enum class ReadOutcome { Decoded, Failed, OtherFormat };

// libpng from the signature to the end chunk. The row storage belongs to the
// caller, so a longjmp out of libpng leaves nothing behind.
// A size of 0 x 0 takes any size up to mostSide both ways.
ReadOutcome RunDecoder(png_structp png, png_infop info, PngSource* s, int32_t width_px, int32_t height_px,
                       int32_t mostSide, unsigned accepted, std::vector<uint8_t>* rows,
                       std::vector<png_bytep>* rowPointers, DecodedPng* out) {
    if (setjmp(png_jmpbuf(png))) return ReadOutcome::Failed;
    png_set_read_fn(png, s, ReadFromSource);
    png_read_info(png, info);
    png_get_IHDR(png, info, &s->width_px, &s->height_px, &s->bitDepth, &s->colourType, &s->interlace, nullptr,
                 nullptr);
    const LayoutName* layout = FoundLayout(*s, accepted);
    if (!layout) return ReadOutcome::OtherFormat;
    const bool anySize = width_px == 0 && height_px == 0;
    if (anySize ? s->width_px > png_uint_32(mostSide) || s->height_px > png_uint_32(mostSide)
                : s->width_px != png_uint_32(width_px) || s->height_px != png_uint_32(height_px))
        return ReadOutcome::OtherFormat;
    out->width_px = int32_t(s->width_px);
    out->height_px = int32_t(s->height_px);
    if (layout->layout == PngLayout::Indexed8) {
        png_colorp colours = nullptr;
        int count = 0;
        if (!png_get_PLTE(png, info, &colours, &count)) png_error(png, "it has no palette");
        for (int i = 0; i < count; ++i)
            out->paletteRgb.insert(out->paletteRgb.end(), {colours[i].red, colours[i].green, colours[i].blue});
        png_bytep alpha = nullptr;
        int alphaCount = 0;
        if (png_get_tRNS(png, info, &alpha, &alphaCount, nullptr) && alpha)
            out->paletteAlpha.assign(alpha, alpha + std::min(alphaCount, count));
    }
    const uint64_t bytesPerPixel = uint64_t(layout->channels) * uint64_t(layout->bitDepth / 8);
    if (!ImageDataFits(s->bytes, s->size, ImageDataSize(s->width_px, s->height_px, bytesPerPixel,
                                                       s->interlace != PNG_INTERLACE_NONE)))
        png_error(png, "its image data goes on past its last row");
    if (s->interlace != PNG_INTERLACE_NONE) png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const size_t rowBytes = size_t(s->width_px) * size_t(layout->channels) * size_t(layout->bitDepth / 8);
    if (png_get_rowbytes(png, info) != rowBytes) png_error(png, "unexpected row length");
    rows->resize(rowBytes * size_t(s->height_px));
    rowPointers->resize(size_t(s->height_px));
    for (size_t y = 0; y < size_t(s->height_px); ++y) (*rowPointers)[y] = rows->data() + rowBytes * y;
    png_read_image(png, rowPointers->data());
    png_read_end(png, nullptr);
    if (layout->layout == PngLayout::Indexed8)
        for (uint8_t index : *rows)
            if (size_t(index) >= out->paletteRgb.size() / 3) png_error(png, "a pixel names an entry past its palette");
    return ReadOutcome::Decoded;
}

}  // namespace

namespace {

bool Decode(const uint8_t* png, size_t size, int32_t width_px, int32_t height_px, int32_t mostSide,
            unsigned acceptedLayouts, DecodedPng* out, std::string* fault) {
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
        RunDecoder(reader, info, &source, width_px, height_px, mostSide, acceptedLayouts, &rows, &rowPointers, out);
    png_destroy_read_struct(&reader, &info, nullptr);
    if (outcome == ReadOutcome::Failed) {
        *out = DecodedPng();
        *fault = std::string("cannot be decoded: ") + source.message;
        return false;
    }
    if (outcome == ReadOutcome::OtherFormat) {
        *out = DecodedPng();
        std::string wanted;
        for (const LayoutName& l : kLayouts)
            if (acceptedLayouts & unsigned(l.layout))
                wanted += (wanted.empty() ? "" : " or ") + SampleFormat(l.bitDepth, l.colourType);
        *fault = "is " + Size(source.width_px, source.height_px) + SampleFormat(source.bitDepth, source.colourType) +
                 "; it must be " +
                 (width_px == 0 ? wanted + ", at most " + std::to_string(mostSide) + " x " +
                                      std::to_string(mostSide) + " pixels"
                                : Size(uint32_t(width_px), uint32_t(height_px)) + wanted);
        return false;
    }
    const LayoutName* found = FoundLayout(source, acceptedLayouts);
    out->layout = found->layout;
    if (found->bitDepth == 8) {
        out->bytes = std::move(rows);
        return true;
    }
    // PNG samples are big-endian whatever the machine.
    out->samples.resize(rows.size() / 2);
    for (size_t i = 0; i < out->samples.size(); ++i) out->samples[i] = uint16_t((rows[2 * i] << 8) | rows[2 * i + 1]);
    return true;
}

}  // namespace

bool DecodePng(const uint8_t* png, size_t size, int32_t width_px, int32_t height_px, unsigned acceptedLayouts,
               DecodedPng* out, std::string* fault) {
    return Decode(png, size, width_px, height_px, 0, acceptedLayouts, out, fault);
}

bool DecodePngOfAnySize(const uint8_t* png, size_t size, int32_t mostSide, unsigned acceptedLayouts, DecodedPng* out,
                        std::string* fault) {
    return Decode(png, size, 0, 0, mostSide, acceptedLayouts, out, fault);
}
