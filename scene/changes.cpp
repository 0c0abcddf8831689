// changes.cpp -- the outline and tint pass of a changes picture.
#include "scene/changes.h"

#include <GL/gl.h>

#include "geometry/block_lists.h"
#include "geometry/block_vertices.h"
#include "platform/gl_entry_points.h"

namespace {

// A block's vertex one unit above its cell (r, c), as the overlay places it.
void OverlayVertex(const uint8_t* block, int r, int c) {
    glVertex3f(float(-kCellWorldSize * c), float(CellAltitude(block, r, c)) + 1.0f, float(-kCellWorldSize * r));
}

// The block shown at a map place, or null when the frame draws none there.
const uint8_t* PlacedBlock(const CheckedLandscape& landscape, int row, int column) {
    const uint8_t v = BlockMapAt(landscape.bytes, row, column);
    return v != 0 && v <= landscape.MapBlockCount() ? landscape.Block(v - 1) : nullptr;
}

void Tint(const uint8_t* block) {
    glColor4f(kChangeOutlineColour[0], kChangeOutlineColour[1], kChangeOutlineColour[2], kChangeTintAlpha);
    if (!block) {
        glBegin(GL_QUADS);
        glVertex3f(0.0f, 0.0f, 0.0f);
        glVertex3f(float(-kBlockWorldSize), 0.0f, 0.0f);
        glVertex3f(float(-kBlockWorldSize), 0.0f, float(-kBlockWorldSize));
        glVertex3f(0.0f, 0.0f, float(-kBlockWorldSize));
        glEnd();
        return;
    }
    static WireframeVertex vertices[kBlockVertexCount];
    BuildWireframeBlockVertices(block, vertices);
    EmitBlockTriangles(vertices, [](const WireframeVertex& v) { glVertex3fv(v.position); });
}

void Outline(const uint8_t* block, const std::bitset<256>& quads) {
    glColor4f(kChangeOutlineColour[0], kChangeOutlineColour[1], kChangeOutlineColour[2], 1.0f);
    for (int r = 0; r < kBlockQuads; ++r)
        for (int c = 0; c < kBlockQuads; ++c) {
            if (!quads[size_t(kBlockQuads * r + c)]) continue;
            glBegin(GL_LINE_LOOP);
            OverlayVertex(block, r, c);
            OverlayVertex(block, r, c + 1);
            OverlayVertex(block, r + 1, c + 1);
            OverlayVertex(block, r + 1, c);
            glEnd();
        }
}

}  // namespace

void DrawChangeMarks(const CheckedLandscape& landscape, const std::vector<std::bitset<256>>& quadsOfBlock,
                     const std::bitset<1024>& places) {
    bool any = places.any();
    for (const std::bitset<256>& quads : quadsOfBlock) any = any || quads.any();
    if (!any) return;
    SetWireframeBlockState();
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    // The tint lets the outlines under it and the terrain show through.
    glDepthMask(GL_FALSE);
    for (int pass = 0; pass < 2; ++pass) {
        for (int row = 0; row < kBlockMapSide; ++row)
            for (int column = 0; column < kBlockMapSide; ++column) {
                const uint8_t* block = PlacedBlock(landscape, row, column);
                const uint8_t v = BlockMapAt(landscape.bytes, row, column);
                if (pass == 0 && !places[size_t(kBlockMapSide * row + column)]) continue;
                if (pass == 1 && (!block || size_t(v - 1) >= quadsOfBlock.size() || quadsOfBlock[v - 1].none()))
                    continue;
                glPushMatrix();
                glTranslatef(float(-kBlockWorldSize * column), 0.0f, float(-kBlockWorldSize * row));
                if (pass == 0) Tint(block);
                else Outline(block, quadsOfBlock[v - 1]);
                glPopMatrix();
            }
        glDepthMask(GL_TRUE);
        glLineWidth(2.0f);
    }
    glLineWidth(1.0f);
}
