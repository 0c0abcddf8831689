// map_grid.h -- the whole block map as one grid of samples, and where each
// sample is stored. Pure.
//
// The grid is kHeightmapSide (513) samples a side: sample (16 row + r,
// 16 column + c) is cell (r, c) of the block at map place (row, column), so
// a sample on a block edge is stored by every placed neighbour that covers
// it: two on an edge, up to four at a corner.
#pragma once

#include <cstdint>

#include "landscape/lnd_check.h"

// The block a map place names (0-based), or -1 for an empty place: a map
// byte of 0, or one naming no block the map can reach. landscape usable.
int32_t BlockAtPlace(const CheckedLandscape& landscape, int row, int column);

struct SampleCopy {
    int row = 0, column = 0;  // the map place
    int r = 0, c = 0;         // the cell of its block
    int32_t block = -1;
};

inline constexpr int kMostSampleCopies = 4;

// The stored copies of grid sample (y, x), 0 <= y, x < kHeightmapSide, in
// map order (row by row, each row left to right); empty places store none.
// Returns how many were written to `out`.
int GridSampleCopies(const CheckedLandscape& landscape, int y, int x, SampleCopy out[kMostSampleCopies]);
