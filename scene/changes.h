// changes.h -- the marks of a changes picture, drawn over a finished frame:
// the quads that differ from an earlier landscape outlined in a colour no
// country has, one unit above the surface as the overlay's lines lie, and
// the places whose map byte changed filled with a translucent tint. Takes
// plain flags; which quads differ is decided elsewhere.
#pragma once

#include <bitset>
#include <vector>

#include "landscape/lnd_check.h"

// Outlines and tint: orange, which the country palette lacks.
inline constexpr float kChangeOutlineColour[3] = {1.0f, 0.5f, 0.0f};
inline constexpr float kChangeTintAlpha = 0.35f;

// Draws over the current frame with the camera DrawScene left in place.
// quadsOfBlock[k], bit 16 r + c: quad (r, c) of block k is outlined
// wherever the map places block k (among the blocks the frame draws).
// places, bit 32 row + column: that place is tinted, over its block's
// surface or, where the frame draws no block, over the ground at height 0.
// With no bit set anywhere nothing is drawn and the frame stays as it was.
void DrawChangeMarks(const CheckedLandscape& landscape, const std::vector<std::bitset<256>>& quadsOfBlock,
                     const std::bitset<1024>& places);
