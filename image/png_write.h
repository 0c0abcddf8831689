// png_write.h -- PNG files and PNG bytes in memory: 8-bit RGB and RGBA images,
// 8- and 16-bit grayscale images and 8-bit palette images, written with
// libpng through the safe writer
// (platform/safe_write.h), so a failed write leaves no half file.
//
// Buffers are the caller's, rows top first without padding; PNG row 0 is the
// buffer's first row. On failure each returns false and sets *errorLine to one
// line "ERROR : <path> : <fault>"; any file already under `path` is left as it was.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// rgb: width_px x height_px pixels of 3 bytes (R, G, B).
bool WritePngRgb8(const char* path, const uint8_t* rgb, int32_t width_px, int32_t height_px, std::string* errorLine);

// rgba: width_px x height_px pixels of 4 bytes (R, G, B, A).
bool WritePngRgba8(const char* path, const uint8_t* rgba, int32_t width_px, int32_t height_px,
                   std::string* errorLine);

// samples: width_px x height_px bytes.
bool WritePngGray8(const char* path, const uint8_t* samples, int32_t width_px, int32_t height_px,
                   std::string* errorLine);

// A palette of `count` colours (1..256) of 3 bytes each (R, G, B); the first
// alphaCount of them (0..count) get the opacities in `alpha` (a tRNS chunk),
// the others are opaque.
struct PngPalette {
    const uint8_t* rgb;
    int count;
    const uint8_t* alpha;
    int alphaCount;
};
// indices: width_px x height_px bytes, each naming a palette entry below palette.count.
bool WritePngIndexed8(const char* path, const uint8_t* indices, int32_t width_px, int32_t height_px,
                      const PngPalette& palette, std::string* errorLine);

// samples: width_px x height_px native uint16 values; stored big-endian in the
// file, as PNG requires, so readers see the same numbers.
bool WritePngGray16(const char* path, const uint16_t* samples, int32_t width_px, int32_t height_px,
                    std::string* errorLine);

// How hard the encoder works. Smallest: libpng's defaults (zlib level 6, a
// filter chosen row by row). Fast: every row Paeth-filtered and the result
// Huffman-coded alone (zlib's Z_HUFFMAN_ONLY, no search for repeats): on
// terrain pictures about eight times faster for a tenth more bytes. Stored:
// no filter and zlib level 0, the samples as they are in stored blocks, for
// bytes that are decoded again at once and never kept.
enum class PngCompression { Smallest, Fast, Stored };

// The same PNG bytes the writers above put in a file, into *png_out (replaced);
// for callers that keep the image in memory. Lines name "memory" as the path.
bool EncodePngRgba8(const uint8_t* rgba, int32_t width_px, int32_t height_px, std::vector<uint8_t>* png_out,
                    std::string* errorLine, PngCompression compression = PngCompression::Smallest);
bool EncodePngGray16(const uint16_t* samples, int32_t width_px, int32_t height_px, std::vector<uint8_t>* png_out,
                     std::string* errorLine, PngCompression compression = PngCompression::Smallest);
// gray: width_px x height_px bytes.
bool EncodePngGray8(const uint8_t* gray, int32_t width_px, int32_t height_px, std::vector<uint8_t>* png_out,
                    std::string* errorLine, PngCompression compression = PngCompression::Smallest);
bool EncodePngIndexed8(const uint8_t* indices, int32_t width_px, int32_t height_px, const PngPalette& palette,
                       std::vector<uint8_t>* png_out, std::string* errorLine);
