// surface_bake.h -- a block's surface as the frame colours it, baked into one
// 256 x 256 RGBA image that spans the block once (texel (x, y) lies over
// material texel (x, y)). Pure: no GL, no allocation; the caller owns every
// buffer.
//
// Texel (x, y) is the frame's two texture units evaluated at the centre of
// material texel (x, y), that is at cell column c = (x + 0.5) / 16 and row
// r = (y + 0.5) / 16 of the block:
//   P   unit 0: the LoRes image sampled bilinearly, wrapping both ways, at
//       s = (c + 0.75) x 0.014705882 + TextureOriginS and t likewise with r
//       and TextureOriginT (single precision, the product first, as the
//       vertex streams form them);
//   M   unit 1: the material texel as the 8 bits the driver keeps of it
//       (MaterialSampleTo8Bits);
//   colour = clamp((1 - M) + P - 0.5), alpha = clamp(P alpha + 0.5).
// Every 8-bit value v enters as v x (1/255) in single precision and every
// result leaves as round(255 x value), ties to even: the arithmetic of Mesa's
// software rasterizer, so the baked colours are the ones the viewer shows
// where a texel is seen magnified (its ties at exactly .5, which a material
// texel near mid-grey gives often, included).
#pragma once

#include <cstdint>

inline constexpr int kBakeSide = 256;  // texels both ways, as the material texture

// What unit 0 passes on where the block's LoResTextureIndex names no LoRes
// texture that was uploaded: the texture is incomplete, so the unit gives the
// primary colour, which the frame leaves at the axis gizmo's last line, blue.
inline constexpr uint8_t kMissingLoResColour[4] = {0, 0, 255, 255};

// block: a 2520-byte Block record (for its texture origin);
// loResRgba: its LoRes image decoded as the driver decodes it (256 x 256 x 4
// bytes, DecodeDxt3Replicated), or null when it has none;
// materialTexels: its synthesized material texture (65536 values, row-major);
// rgba_out: 256 x 256 x 4 bytes. Returns true when every alpha is 255.
bool BakeBlockSurface(const uint8_t* block, const uint8_t* loResRgba, const uint16_t* materialTexels,
                      uint8_t* rgba_out);
