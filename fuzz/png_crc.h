// png_crc.h -- the CRC of every chunk of a mutated PNG made right again, so
// a mutation reaches the decoder instead of stopping at the first check
// (which no mutation could pass by chance). Chunks are walked from the
// signature on as far as their lengths lead inside the bytes.
#pragma once

#include <zlib.h>

#include <cstddef>
#include <cstdint>

inline void SealPngChunks(uint8_t* png, size_t size) {
    size_t at = 8;
    while (at + 12 <= size) {
        const uint64_t length = (uint64_t(png[at]) << 24) | (png[at + 1] << 16) | (png[at + 2] << 8) | png[at + 3];
        if (length > size - at - 12) return;
        const uint8_t* typeAndData = png + at + 4;
        const uLong crc = crc32(crc32(0L, Z_NULL, 0), typeAndData, uInt(4 + length));
        uint8_t* stored = png + at + 8 + length;
        for (int k = 0; k < 4; ++k) stored[k] = uint8_t(crc >> (24 - 8 * k));
        at += 12 + length;
    }
}
