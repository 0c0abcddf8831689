// png_write.cpp -- PNG files through libpng, written beside their final name
// and renamed into place, or encoded into memory by the same encoder.
#include "image/png_write.h"

#include <png.h>
#include <zlib.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <vector>

#include "platform/safe_write.h"

namespace {

// Where libpng's output and its reasons for stopping go: a stream, or (when
// `memory` is set) the end of a byte vector. Plain data only: libpng leaves
// its callbacks by longjmp, which must not skip destructors.
struct PngSink {
    FILE* stream;
    std::vector<uint8_t>* memory;
    int writeErrno;     // errno of the fwrite that failed, 0 while none has
    char message[256];  // libpng's own reason when it stops
};

// What one image is and where its rows come from; exactly one of bytes8 and
// gray16 is set.
struct PngImage {
    int32_t width_px;
    int32_t height_px;
    int bitDepth;
    int colourType;
    int channels;           // bytes per pixel of bytes8
    const uint8_t* bytes8;  // 8-bit RGB, RGBA, grey or palette index samples
    const uint16_t* gray16;
    uint8_t* rowBuffer;  // width_px x 2 bytes, for a row of gray16 made big-endian
    const PngPalette* palette = nullptr;  // for PNG_COLOR_TYPE_PALETTE
    PngCompression compression = PngCompression::Smallest;
};

void OnPngError(png_structp png, png_const_charp message) {
    PngSink* sink = static_cast<PngSink*>(png_get_error_ptr(png));
    std::snprintf(sink->message, sizeof sink->message, "%s", message);
    png_longjmp(png, 1);
}

// Warnings do not stop the write, and libpng would otherwise print them on
// stderr in its own format.
void OnPngWarning(png_structp, png_const_charp) {}

void WriteToSink(png_structp png, png_bytep data, size_t size) {
    PngSink* sink = static_cast<PngSink*>(png_get_io_ptr(png));
    if (sink->memory) {
        sink->memory->insert(sink->memory->end(), data, data + size);
        return;
    }
    errno = 0;
    if (std::fwrite(data, 1, size, sink->stream) != size) {
        sink->writeErrno = errno != 0 ? errno : EIO;
        png_error(png, "write failed");
    }
}

// SafeWriteCommit flushes once, and checks it, at the end.
void FlushSink(png_structp) {}

const uint8_t* PngRow(const PngImage& image, int32_t y) {
    if (image.bytes8) return image.bytes8 + uint64_t(y) * uint64_t(image.width_px) * uint64_t(image.channels);
    // PNG samples are big-endian whatever the machine.
    const uint16_t* samples = image.gray16 + uint64_t(y) * uint64_t(image.width_px);
    for (int32_t x = 0; x < image.width_px; ++x) {
        image.rowBuffer[2 * x] = uint8_t(samples[x] >> 8);
        image.rowBuffer[2 * x + 1] = uint8_t(samples[x]);
    }
    return image.rowBuffer;
}

// Runs libpng from the header to the end chunk; false when it stopped.
bool EncodePng(png_structp png, png_infop info, PngSink* sink, const PngImage& image) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_write_fn(png, sink, WriteToSink, FlushSink);
    if (image.compression == PngCompression::Fast) {
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_PAETH);
        png_set_compression_strategy(png, Z_HUFFMAN_ONLY);
        png_set_compression_level(png, Z_BEST_SPEED);
    } else if (image.compression == PngCompression::Stored) {
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
        png_set_compression_level(png, Z_NO_COMPRESSION);
    }
    png_set_IHDR(png, info, png_uint_32(image.width_px), png_uint_32(image.height_px), image.bitDepth, image.colourType,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (image.palette) {
        png_color colours[256];
        for (int i = 0; i < image.palette->count; ++i)
            colours[i] = {image.palette->rgb[3 * i], image.palette->rgb[3 * i + 1], image.palette->rgb[3 * i + 2]};
        png_set_PLTE(png, info, colours, image.palette->count);
        if (image.palette->alphaCount > 0)
            png_set_tRNS(png, info, image.palette->alpha, image.palette->alphaCount, nullptr);
    }
    png_write_info(png, info);
    for (int32_t y = 0; y < image.height_px; ++y) png_write_row(png, PngRow(image, y));
    png_write_end(png, nullptr);
    return true;
}

bool SizeIsWritable(const char* path, const PngImage& image, std::string* errorLine) {
    if (image.width_px >= 1 && image.height_px >= 1) return true;
    *errorLine = std::string("ERROR : ") + path + " : cannot write a PNG of " + std::to_string(image.width_px) +
                 " x " + std::to_string(image.height_px) + " pixels";
    return false;
}

// The encoder from set-up to tear-down, into `sink`; on failure sets
// *errorLine (naming `path`).
bool RunEncoder(const char* path, const PngImage& image, PngSink* sink, std::string* errorLine) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, sink, OnPngError, OnPngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        *errorLine = std::string("ERROR : ") + path + " : cannot set up the PNG encoder";
        return false;
    }
    const bool encoded = EncodePng(png, info, sink, image);
    png_destroy_write_struct(&png, &info);
    if (!encoded)
        *errorLine = sink->writeErrno != 0 ? WriteErrorLine(path, sink->writeErrno)
                                           : std::string("ERROR : ") + path + " : cannot encode the PNG: " + sink->message;
    return encoded;
}

bool WritePng(const char* path, const PngImage& image, std::string* errorLine) {
    if (!SizeIsWritable(path, image, errorLine)) return false;
    SafeWriteFile file;
    if (!SafeWriteOpen(path, &file, errorLine)) return false;
    PngSink sink = {file.stream, nullptr, 0, ""};
    if (!RunEncoder(path, image, &sink, errorLine)) {
        SafeWriteDiscard(&file);
        return false;
    }
    return SafeWriteCommit(&file, errorLine);
}

bool EncodePngToMemory(const PngImage& image, std::vector<uint8_t>* png_out, std::string* errorLine) {
    png_out->clear();
    if (!SizeIsWritable("memory", image, errorLine)) return false;
    PngSink sink = {nullptr, png_out, 0, ""};
    return RunEncoder("memory", image, &sink, errorLine);
}

}  // namespace

bool WritePngRgb8(const char* path, const uint8_t* rgb, int32_t width_px, int32_t height_px, std::string* errorLine) {
    const PngImage image = {width_px, height_px, 8, PNG_COLOR_TYPE_RGB, 3, rgb, nullptr, nullptr};
    return WritePng(path, image, errorLine);
}

bool WritePngRgba8(const char* path, const uint8_t* rgba, int32_t width_px, int32_t height_px,
                   std::string* errorLine) {
    const PngImage image = {width_px, height_px, 8, PNG_COLOR_TYPE_RGB_ALPHA, 4, rgba, nullptr, nullptr};
    return WritePng(path, image, errorLine);
}

bool WritePngGray8(const char* path, const uint8_t* samples, int32_t width_px, int32_t height_px,
                   std::string* errorLine) {
    const PngImage image = {width_px, height_px, 8, PNG_COLOR_TYPE_GRAY, 1, samples, nullptr, nullptr};
    return WritePng(path, image, errorLine);
}

namespace {

bool PaletteIsWritable(const char* path, const PngPalette& palette, std::string* errorLine) {
    if (palette.count >= 1 && palette.count <= 256 && palette.alphaCount >= 0 && palette.alphaCount <= palette.count)
        return true;
    *errorLine = std::string("ERROR : ") + path + " : cannot write a palette of " + std::to_string(palette.count) +
                 " colours and " + std::to_string(palette.alphaCount) + " alpha values";
    return false;
}

}  // namespace

bool WritePngIndexed8(const char* path, const uint8_t* indices, int32_t width_px, int32_t height_px,
                      const PngPalette& palette, std::string* errorLine) {
    if (!PaletteIsWritable(path, palette, errorLine)) return false;
    PngImage image = {width_px, height_px, 8, PNG_COLOR_TYPE_PALETTE, 1, indices, nullptr, nullptr};
    image.palette = &palette;
    return WritePng(path, image, errorLine);
}

bool EncodePngIndexed8(const uint8_t* indices, int32_t width_px, int32_t height_px, const PngPalette& palette,
                       std::vector<uint8_t>* png_out, std::string* errorLine) {
    if (!PaletteIsWritable("memory", palette, errorLine)) return false;
    PngImage image = {width_px, height_px, 8, PNG_COLOR_TYPE_PALETTE, 1, indices, nullptr, nullptr};
    image.palette = &palette;
    return EncodePngToMemory(image, png_out, errorLine);
}

bool WritePngGray16(const char* path, const uint16_t* samples, int32_t width_px, int32_t height_px,
                    std::string* errorLine) {
    std::vector<uint8_t> rowBuffer(width_px > 0 ? size_t(width_px) * 2 : 0);
    const PngImage image = {width_px, height_px, 16, PNG_COLOR_TYPE_GRAY, 1, nullptr, samples, rowBuffer.data()};
    return WritePng(path, image, errorLine);
}

bool EncodePngRgba8(const uint8_t* rgba, int32_t width_px, int32_t height_px, std::vector<uint8_t>* png_out,
                    std::string* errorLine, PngCompression compression) {
    PngImage image = {width_px, height_px, 8, PNG_COLOR_TYPE_RGB_ALPHA, 4, rgba, nullptr, nullptr};
    image.compression = compression;
    return EncodePngToMemory(image, png_out, errorLine);
}

bool EncodePngGray16(const uint16_t* samples, int32_t width_px, int32_t height_px, std::vector<uint8_t>* png_out,
                     std::string* errorLine, PngCompression compression) {
    std::vector<uint8_t> rowBuffer(width_px > 0 ? size_t(width_px) * 2 : 0);
    PngImage image = {width_px, height_px, 16, PNG_COLOR_TYPE_GRAY, 1, nullptr, samples, rowBuffer.data()};
    image.compression = compression;
    return EncodePngToMemory(image, png_out, errorLine);
}

bool EncodePngGray8(const uint8_t* gray, int32_t width_px, int32_t height_px, std::vector<uint8_t>* png_out,
                    std::string* errorLine, PngCompression compression) {
    PngImage image = {width_px, height_px, 8, PNG_COLOR_TYPE_GRAY, 1, gray, nullptr, nullptr};
    image.compression = compression;
    return EncodePngToMemory(image, png_out, errorLine);
}
