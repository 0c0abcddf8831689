// change_marks.h -- what a picture of the changes marks on the later of two
// landscapes: the quads of its blocks that differ from the earlier one and
// the map places whose byte changed, with the counts the picture reports.
// Pure: both landscapes are checked bytes in memory, as stored on disk.
//
// Quad (r, c) of block k differs when the earlier landscape has no block k;
// when the block's LoRes index or a texture origin differs (the texture
// moves under every quad); when the altitude or country of one of its four
// corner cells, or the split flag of its cell (r, c), differs; or when a
// pixel of the LoRes texture under it (with the neighbour that linear
// filtering mixes in) decodes to another colour, or that texture is new.
// Changed countries, materials and the detail map recolour every block that
// uses them and mark no quad.
#pragma once

#include <bitset>
#include <cstdint>
#include <vector>

#include "landscape/lnd_check.h"

struct ChangeMarks {
    // Per block k that a map can place (the first 255): bit 16 r + c set
    // when quad (r, c) differs.
    std::vector<std::bitset<256>> quads;
    // Bit 32 row + column set when the map byte of that place differs.
    std::bitset<1024> places;
    uint64_t outlinedQuads = 0;  // over every place that shows a block, its marked quads
    uint32_t tintedPlaces = 0;
};

// Both landscapes must be usable.
ChangeMarks MarkChanges(const CheckedLandscape& earlier, const CheckedLandscape& later);
