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
inline int32_t BlockAtPlace(const CheckedLandscape& landscape, int row, int column) {
    const int v = BlockMapAt(landscape.bytes, row, column);
    if (v == 0 || v > landscape.MapBlockCount()) return -1;
    return v - 1;
}

struct SampleCopy {
    int row = 0, column = 0;  // the map place
    int r = 0, c = 0;         // the cell of its block
    int32_t block = -1;
};

inline constexpr int kMostSampleCopies = 4;

// Calls visit(row, column, r, c, block) for each stored copy of grid sample
// (y, x), 0 <= y, x < kHeightmapSide, in map order (row by row, each row
// left to right), until visit returns false; empty places store none.
// `blockAt(row, column)` is the block at a place or -1, so that a caller
// asking of every edge sample can look the places up once. Returns false
// when visit stopped it.
template <typename BlockAt, typename Visit>
bool VisitSampleCopies(int y, int x, BlockAt blockAt, Visit visit) {
    // A sample on a block edge (y or x a multiple of 16) is also the last
    // row or column of the place before it.
    const int lastRow = y / kBlockQuads < kBlockMapSide ? y / kBlockQuads : kBlockMapSide - 1;
    const int lastColumn = x / kBlockQuads < kBlockMapSide ? x / kBlockQuads : kBlockMapSide - 1;
    for (int row = y > 0 ? (y - 1) / kBlockQuads : 0; row <= lastRow; ++row)
        for (int column = x > 0 ? (x - 1) / kBlockQuads : 0; column <= lastColumn; ++column) {
            const int32_t block = blockAt(row, column);
            if (block >= 0 && !visit(row, column, y - kBlockQuads * row, x - kBlockQuads * column, block)) return false;
        }
    return true;
}

// The stored copies of grid sample (y, x), in the order above. Returns how
// many were written to `out`.
inline int GridSampleCopies(const CheckedLandscape& landscape, int y, int x, SampleCopy out[kMostSampleCopies]) {
    int n = 0;
    VisitSampleCopies(
        y, x, [&](int row, int column) { return BlockAtPlace(landscape, row, column); },
        [&](int row, int column, int r, int c, int32_t block) {
            out[n++] = {row, column, r, c, block};
            return true;
        });
    return n;
}
