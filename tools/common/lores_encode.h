// lores_encode.h -- a 256 x 256 LoRes image (64 x 64 DXT3 blocks of 16 bytes)
// brought in line with RGBA pixels by encoding again only the 4 x 4 blocks
// whose pixels changed. Pure; encodes with libsquish, DXT3 with its
// iterative cluster fit (its best quality).
#pragma once

#include <cstdint>

// rgba: 256 x 256 pixels of 4 bytes (R, G, B, A), rows top first.
// image_inout: the 65536 DXT3 bytes. A block whose decoding (5- and 6-bit
// channels widened by bit replication, as lndtool unpack writes the PNG)
// equals its 16 pixels keeps its bytes; every other block is encoded from
// them. Returns how many blocks were encoded.
uint32_t EncodeChangedLoResBlocks(const uint8_t* rgba, uint8_t* image_inout);

// True when the image's decoding (bit replication) is exactly the pixels.
bool LoResImageMatches(const uint8_t* rgba, const uint8_t* image);

// Every block encoded from the pixels (a LoRes texture given as a PNG alone).
void EncodeLoResImage(const uint8_t* rgba, uint8_t* image_out);
