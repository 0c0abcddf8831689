// new_landscape.h -- a whole landscape made from pictures on the 513 x 513
// map grid: altitudes, countries, far colours and materials. Pure and
// deterministic: the same inputs give the same bytes.
//
// Every one of the 1024 map places gets a block, whose cells are the grid
// samples it covers, so neighbours store their shared edges alike and no
// seam disagrees. Altitudes below the sea level are raised to it. Places
// whose cells are identical (the flat sea, in the first place) share one
// block record, numbered in map order of their first place; a shared block
// shows the far colours of its first place.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/new/new_pictures.h"

struct NewLandscapeInputs {
    std::vector<uint8_t> heights;    // kHeightmapSide squared altitudes
    std::vector<uint8_t> countries;  // the same layout, or empty: by altitude bands
    const ColoursPicture* colours = nullptr;  // the far colours, or null: from the materials
    std::vector<NewMaterial> materials;       // empty: the sample generator's own
    int seaLevel = 0;                         // 0 to 255
};

// The country of a sample without a countries picture: coast up to 6 above
// the sea, then meadow, forest, heath and highland in bands of the height
// above the sea (the sample generator's five countries).
uint8_t BandCountry(uint8_t altitude, int seaLevel);

// The blocks the inputs need at a sea level (the shared flat block counted).
int NewBlocksNeeded(const NewLandscapeInputs& inputs, int seaLevel);

// The lowest sea level above inputs.seaLevel at which kMostMapBlocks blocks
// are enough, or -1 when none is.
int LowestFittingSeaLevel(const NewLandscapeInputs& inputs);

// The landscape file, or false with *blocksNeeded set when it would take
// more than kMostMapBlocks blocks.
bool BuildNewLandscape(const NewLandscapeInputs& inputs, std::vector<uint8_t>* file, int* blocksNeeded);
