// test_png_read.cpp -- the strict PNG reader on hand-made files: image data
// of exactly the rows the header promises decodes, plain and interlaced;
// a byte more, a stream of compressed zeros behind the rows, or compressed
// bytes after the stream's end are refused, as is a byte less.
#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "image/png_read.h"

namespace {

void AppendU32BigEndian(std::vector<uint8_t>* out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out->push_back(uint8_t(v >> shift));
}

void AppendChunk(std::vector<uint8_t>* png, const char* type, const std::vector<uint8_t>& data) {
    AppendU32BigEndian(png, uint32_t(data.size()));
    const size_t start = png->size();
    png->insert(png->end(), type, type + 4);
    png->insert(png->end(), data.begin(), data.end());
    AppendU32BigEndian(png, uint32_t(crc32(0, png->data() + start, uInt(png->size() - start))));
}

// `rawBytes` zero bytes (filter bytes and samples alike), then `zeroMiB`
// MiB more, deflated as one stream.
std::vector<uint8_t> Deflated(size_t rawBytes, size_t zeroMiB) {
    z_stream z = {};
    deflateInit(&z, Z_BEST_SPEED);
    std::vector<uint8_t> zeros(size_t(1) << 20), out;
    std::vector<uint8_t> buffer(size_t(1) << 16);
    for (size_t part = 0; part <= zeroMiB; ++part) {
        z.next_in = zeros.data();
        z.avail_in = uInt(part == 0 ? rawBytes : zeros.size());
        const int flush = part == zeroMiB ? Z_FINISH : Z_NO_FLUSH;
        int result;
        do {
            z.next_out = buffer.data();
            z.avail_out = uInt(buffer.size());
            result = deflate(&z, flush);
            out.insert(out.end(), buffer.data(), buffer.data() + (buffer.size() - z.avail_out));
        } while (z.avail_in > 0 || (flush == Z_FINISH && result != Z_STREAM_END));
    }
    deflateEnd(&z);
    return out;
}

// A grey 8-bit PNG of side x side pixels holding the IDAT chunks given.
std::vector<uint8_t> GreyPng(uint32_t side, bool interlaced, const std::vector<std::vector<uint8_t>>& idats) {
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, header;
    AppendU32BigEndian(&header, side);
    AppendU32BigEndian(&header, side);
    header.insert(header.end(), {8, 0, 0, 0, uint8_t(interlaced)});
    AppendChunk(&png, "IHDR", header);
    for (const auto& idat : idats) AppendChunk(&png, "IDAT", idat);
    AppendChunk(&png, "IEND", {});
    return png;
}

TEST(PngRead, ImageDataPastTheRowsIsRefused) {
    // 17 rows of a filter byte and 17 samples; interlaced, the seven passes
    // of 12, 9, 12, 25, 40, 81 and 144 bytes.
    struct Row {
        const char* what;
        uint32_t side;
        bool interlaced;
        std::vector<std::vector<uint8_t>> idats;
        bool decodes;
    };
    const Row rows[] = {
        {"exactly its rows", 17, false, {Deflated(306, 0)}, true},
        {"exactly its passes", 17, true, {Deflated(323, 0)}, true},
        {"one byte more", 17, false, {Deflated(307, 0)}, false},
        {"one byte more, interlaced", 17, true, {Deflated(324, 0)}, false},
        {"one byte less", 17, false, {Deflated(305, 0)}, false},
        {"16 MiB of zeros behind 513 x 513", 513, false, {Deflated(513 * 514, 16)}, false},
        {"compressed bytes after the stream", 17, false, {Deflated(306, 0), Deflated(1, 0)}, false},
    };
    for (const Row& row : rows) {
        const std::vector<uint8_t> png = GreyPng(row.side, row.interlaced, row.idats);
        DecodedPng image;
        std::string fault;
        const bool decoded = DecodePng(png.data(), png.size(), int32_t(row.side), int32_t(row.side),
                                       unsigned(PngLayout::Gray8), &image, &fault);
        EXPECT_EQ(decoded, row.decodes) << row.what << ": " << fault;
        if (decoded) {
            EXPECT_EQ(image.bytes, std::vector<uint8_t>(size_t(row.side) * row.side, 0)) << row.what;
        } else if (row.what != std::string("one byte less")) {
            EXPECT_EQ(fault, "cannot be decoded: its image data goes on past its last row") << row.what;
        }
    }
}

}  // namespace
