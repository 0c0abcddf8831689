// wireframe_lists.cpp -- each block's country-coloured overlay, one unit
// above the terrain, untextured.
#include <cstdio>

#include "geometry/block_lists.h"
#include "geometry/block_vertices.h"
#include "landscape/lnd_format.h"
#include "platform/gl_entry_points.h"

void CompileWireframeBlockLists(int32_t blockCount, const uint8_t* blocks, FILE* console,
                                ListPrimitives primitives) {
    static WireframeVertex vertices[kBlockVertexCount];
    // Texturing goes off on units 0 to 3, as far as the driver has units.
    const int units = TextureUnitCount < 4 ? TextureUnitCount : 4;
    int32_t cells = 0;
    for (int32_t k = 0; k < blockCount; ++k) {
        BuildWireframeBlockVertices(blocks + kBlockSize * uint64_t(k), vertices);

        glNewList(GLuint(k) + 1 + kWireframeListBase, GL_COMPILE);
        for (int unit = 0; unit < units; ++unit) {
            glext::glActiveTextureARB(GL_TEXTURE0_ARB + unit);
            glDisable(GL_TEXTURE_2D);
        }
        // Colours carry alpha 1, so the lines are opaque.
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        cells += 256;
        EmitBlockQuads(vertices, primitives, [](const WireframeVertex& v) {
            glColor3fv(v.colour);
            glVertex3fv(v.position);
        });
        glEndList();
    }
    if (console) {
        std::fprintf(console, "%i Wireframe cells rendered\n", cells);
        std::fflush(console);
    }
}
