// png_crc.h -- the checksums of a mutated PNG made right again, so a
// mutation reaches the decoder instead of stopping at the first check (which
// no mutation could pass by chance): the Adler-32 that ends the image data's
// zlib stream when that stream is made of stored blocks (level 0, as the
// fuzz targets' folders are encoded, so a changed byte there is a changed
// pixel), then the CRC of every chunk. Chunks are walked from the signature
// on as far as their lengths lead inside the bytes.
#pragma once

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace png_crc_detail {

inline uint32_t BigEndian32(const uint8_t* bytes) {
    return (uint32_t(bytes[0]) << 24) | (uint32_t(bytes[1]) << 16) | (uint32_t(bytes[2]) << 8) | bytes[3];
}

// The zlib stream spread over the IDAT chunks, read as a stream of stored
// blocks: a 2-byte header, then blocks of a 1-byte head (bit 0: last block,
// bits 1-2: type 0), a 16-bit length, its complement and the bytes, then the
// Adler-32 of all those bytes. Reading gives up, leaving everything as it
// was, at the first thing that is not so.
enum class StoredStage { Header, BlockHead, Data, Trailer, GivenUp };
struct StoredStream {
    StoredStage stage = StoredStage::Header;
    uint8_t head[5] = {};   // the current block's head, as it arrives
    size_t have = 0;        // bytes of the header, block head or trailer seen
    size_t left = 0;        // bytes of the current block still to come
    bool last = false;      // the current block is the last one
    uLong adler = adler32(0L, Z_NULL, 0);
    uint8_t* trailer[4] = {};  // where the Adler-32's bytes lie
};

// The next n bytes of the stream, from one IDAT chunk.
inline void ReadStored(StoredStream* s, uint8_t* bytes, size_t n) {
    for (size_t k = 0; k < n && s->stage != StoredStage::GivenUp;) {
        if (s->stage == StoredStage::Header) {
            ++k;
            if (++s->have == 2) s->stage = StoredStage::BlockHead, s->have = 0;
        } else if (s->stage == StoredStage::BlockHead) {
            s->head[s->have++] = bytes[k++];
            if (s->have < 5) continue;
            s->have = 0;
            s->left = s->head[1] | (size_t(s->head[2]) << 8);
            s->last = (s->head[0] & 1) != 0;
            if (s->head[0] & 6) s->stage = StoredStage::GivenUp;
            else if (s->left > 0) s->stage = StoredStage::Data;
            else if (s->last) s->stage = StoredStage::Trailer;
        } else if (s->stage == StoredStage::Data) {
            const size_t run = n - k < s->left ? n - k : s->left;
            s->adler = adler32(s->adler, bytes + k, uInt(run));
            k += run;
            s->left -= run;
            if (s->left == 0) s->stage = s->last ? StoredStage::Trailer : StoredStage::BlockHead;
        } else {
            if (s->have < 4) s->trailer[s->have++] = bytes + k;
            ++k;
        }
    }
}

}  // namespace png_crc_detail

inline void SealPngChunks(uint8_t* png, size_t size) {
    png_crc_detail::StoredStream stream;
    for (size_t at = 8; at + 12 <= size;) {
        const uint64_t length = png_crc_detail::BigEndian32(png + at);
        if (length > size - at - 12) break;
        if (std::memcmp(png + at + 4, "IDAT", 4) == 0) png_crc_detail::ReadStored(&stream, png + at + 8, size_t(length));
        at += 12 + length;
    }
    if (stream.stage == png_crc_detail::StoredStage::Trailer && stream.trailer[3])
        for (int k = 0; k < 4; ++k) *stream.trailer[k] = uint8_t(stream.adler >> (24 - 8 * k));
    for (size_t at = 8; at + 12 <= size;) {
        const uint64_t length = png_crc_detail::BigEndian32(png + at);
        if (length > size - at - 12) return;
        const uint8_t* typeAndData = png + at + 4;
        const uLong crc = crc32(crc32(0L, Z_NULL, 0), typeAndData, uInt(4 + length));
        uint8_t* stored = png + at + 8 + length;
        for (int k = 0; k < 4; ++k) stored[k] = uint8_t(crc >> (24 - 8 * k));
        at += 12 + length;
    }
}
