// wireframe_lists.cpp -- each block's country-coloured overlay, one unit
// above the terrain, untextured.
#include <cstdio>

#include "geometry/block_lists.h"
#include "geometry/block_vertices.h"
#include "landscape/lnd_format.h"
#include "platform/gl_entry_points.h"

void SetWireframeBlockState() {
    // Texturing goes off on units 0 to 3, as far as the driver has units.
    const int units = TextureUnitCount < 4 ? TextureUnitCount : 4;
    for (int unit = 0; unit < units; ++unit) {
        glext::glActiveTextureARB(GL_TEXTURE0_ARB + unit);
        glDisable(GL_TEXTURE_2D);
    }
    // Colours carry alpha 1, so the lines are opaque.
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

void CompileWireframeBlockList(int32_t k, const uint8_t* block) {
    static WireframeVertex vertices[kBlockVertexCount];
    BuildWireframeBlockVertices(block, vertices);
    glNewList(WireframeListId(k), GL_COMPILE);
    SetWireframeBlockState();
    EmitBlockTriangles(vertices, [](const WireframeVertex& v) {
        glColor3fv(v.colour);
        glVertex3fv(v.position);
    });
    glEndList();
}

void ReportWireframeBlockLists(int32_t blockCount, FILE* console) {
    if (!console) return;
    std::fprintf(console, "%i Wireframe cells rendered\n", blockCount > 0 ? 256 * blockCount : 0);
    std::fflush(console);
}
