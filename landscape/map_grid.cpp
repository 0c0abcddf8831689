// map_grid.cpp -- which placed cells store a sample of the map grid.
#include "landscape/map_grid.h"

int32_t BlockAtPlace(const CheckedLandscape& landscape, int row, int column) {
    const int v = BlockMapAt(landscape.bytes, row, column);
    if (v == 0 || v > landscape.MapBlockCount()) return -1;
    return v - 1;
}

int GridSampleCopies(const CheckedLandscape& landscape, int y, int x, SampleCopy out[kMostSampleCopies]) {
    // A sample on a block edge (y or x a multiple of 16) is also the last
    // row or column of the place before it.
    int rows[2], columns[2], nRows = 0, nColumns = 0;
    if (y % kBlockQuads == 0 && y > 0) rows[nRows++] = y / kBlockQuads - 1;
    if (y / kBlockQuads < kBlockMapSide) rows[nRows++] = y / kBlockQuads;
    if (x % kBlockQuads == 0 && x > 0) columns[nColumns++] = x / kBlockQuads - 1;
    if (x / kBlockQuads < kBlockMapSide) columns[nColumns++] = x / kBlockQuads;
    int n = 0;
    for (int i = 0; i < nRows; ++i) {
        for (int j = 0; j < nColumns; ++j) {
            const int32_t block = BlockAtPlace(landscape, rows[i], columns[j]);
            if (block < 0) continue;
            out[n++] = {rows[i], columns[j], y - kBlockQuads * rows[i], x - kBlockQuads * columns[j], block};
        }
    }
    return n;
}
