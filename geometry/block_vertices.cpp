// block_vertices.cpp -- positions and texture coordinates of a block's quads.
#include "geometry/block_vertices.h"

#include "geometry/country_palette.h"
#include "landscape/lnd_format.h"

static constexpr float kMaterialCellSpan = 0.0625f;  // 1/16: the block covers its material once

// The grid points (row, column) of quad (r, c) in strip order.
static void QuadStripOrder(bool splitFlag, int r, int c, int rows_out[4], int columns_out[4]) {
    static constexpr int kSplit[4][2] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
    static constexpr int kUnsplit[4][2] = {{0, 1}, {0, 0}, {1, 1}, {1, 0}};
    const int(*order)[2] = splitFlag ? kSplit : kUnsplit;
    for (int i = 0; i < 4; ++i) {
        rows_out[i] = r + order[i][0];
        columns_out[i] = c + order[i][1];
    }
}

template <typename Vertex, typename MakeVertex>
static void BuildStrips(const uint8_t* block, Vertex* out, MakeVertex make) {
    for (int c = 0; c < kBlockQuads; ++c) {
        for (int r = 0; r < kBlockQuads; ++r) {
            int rows[4], columns[4];
            QuadStripOrder(CellSplitFlag(block, r, c), r, c, rows, columns);
            for (int i = 0; i < 4; ++i) *out++ = make(rows[i], columns[i]);
        }
    }
}

void BuildTexturedBlockVertices(const uint8_t* block, TexturedVertex* vertices_out) {
    const float originS = BlockTextureOriginS(block), originT = BlockTextureOriginT(block);
    BuildStrips(block, vertices_out, [&](int r, int c) {
        TexturedVertex v;
        v.loResCoord[0] = LoResCoordinate(float(c), originS);
        v.loResCoord[1] = LoResCoordinate(float(r), originT);
        v.materialCoord[0] = float(c) * kMaterialCellSpan;
        v.materialCoord[1] = float(r) * kMaterialCellSpan;
        v.position[0] = float(-kCellWorldSize * c);
        v.position[1] = float(CellAltitude(block, r, c));
        v.position[2] = float(-kCellWorldSize * r);
        return v;
    });
}

void BuildWireframeBlockVertices(const uint8_t* block, WireframeVertex* vertices_out) {
    BuildStrips(block, vertices_out, [&](int r, int c) {
        WireframeVertex v;
        const Vector3& colour = CountryPalette[CellCountryIndex(block, r, c)];
        v.colour[0] = colour.x;
        v.colour[1] = colour.y;
        v.colour[2] = colour.z;
        v.position[0] = float(-kCellWorldSize * c);
        v.position[1] = float(CellAltitude(block, r, c)) + 1.0f;
        v.position[2] = float(-kCellWorldSize * r);
        return v;
    });
}
