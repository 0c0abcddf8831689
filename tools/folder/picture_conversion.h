// picture_conversion.h -- pictures of a landscape folder as ordinary image
// editors save them, taken for the layout the folder wants when nothing is
// lost: grey saved as RGB (R = G = B everywhere; as opaque RGBA too) for a
// grey picture of the same bit depth, and an RGB texture (its alpha
// dropped on saving) for an RGBA one whose alpha was all opaque. Anything
// else is refused with a sentence that says how to save it.
#pragma once

#include <cstdint>
#include <string>

#include "image/png_read.h"

// The layouts a picture that should be `wanted` may also come in.
unsigned LayoutsTakenFor(PngLayout wanted);

// *image (decoded in one of LayoutsTakenFor(wanted)) made `wanted` in
// place. `opaqueIsLossless`: the layer's alpha was all opaque, so RGB may
// stand for RGBA. False with *fault set (what the picture holds and how to
// save it, no file name) when the conversion would lose something.
bool TakeAsLayout(DecodedPng* image, int32_t width_px, PngLayout wanted, bool opaqueIsLossless, std::string* fault);

// How to save a picture as `wanted` in a common editor, as a clause for the
// end of a fault ("save it as 8-bit grey: ...").
std::string HowToSave(PngLayout wanted);
