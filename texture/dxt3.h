// dxt3.h -- DXT3 (S3TC, explicit 4-bit alpha) decoder to 8-bit RGBA.
//
// source:      the image's 16-byte blocks, block rows from the top, blocks
//              from the left, width / 4 blocks a row.
// rgba_out:    width x height pixels of 4 bytes (R, G, B, A), rows top first,
//              no padding; the caller provides width x height x 4 bytes.
// Only whole blocks are decoded: with fewer than 4 rows or columns nothing is
// written, and the last 1 to 3 rows or columns of a size that is not a
// multiple of 4 are left as they were. Reads (width / 4) x (height / 4) x 16
// source bytes. Allocates nothing.
#pragma once

#include <cstdint>

// The viewer's decoding: 565 channels expanded by shifting alone, so full
// intensity is (248, 252, 248); the derived palette entries (2 c0 + c1) / 3
// and (c0 + 2 c1) / 3 drop their remainder.
void DecodeDxt3(const uint8_t* source, uint8_t* rgba_out, int32_t height_px, int32_t width_px);

// The same with the channels expanded by bit replication (31 gives 255,
// 63 gives 255), as every DDS reader shows the image: for exported pictures.
void DecodeDxt3Replicated(const uint8_t* source, uint8_t* rgba_out, int32_t height_px, int32_t width_px);
