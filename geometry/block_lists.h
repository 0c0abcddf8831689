// block_lists.h -- the two display lists of every block, compiled once at load.
// Block k has textured list k + 1 and wireframe list k + 257, so a map byte v
// draws list v, and list 256 + v in the overlay. Beyond 256 blocks a
// wireframe id replaces the textured list of a block no map byte can name.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <cstdio>

#include "geometry/block_vertices.h"

inline constexpr GLuint kWireframeListBase = 256;

// How a list hands its quads to GL. Each quad's strip s0 s1 s2 s3 makes the
// triangles (s0, s1, s2) and (s2, s1, s3).
// - Triangles: exactly those triangles, in that order, as one primitive for
//   the whole block. The pictures are those of the quads' strips, and on
//   software OpenGL many times faster to draw with a polygon mode other than
//   GL_FILL, where every primitive costs.
// - Strips: one strip per quad, as the lists were first built. A display
//   list compiler may join consecutive strips into one (Mesa does), which
//   breaks the strip order of their triangles: some front faces are then
//   taken for back faces and drawn as lines. Kept as the benchmark's
//   reference.
// - SeparateStrips: the same strips with a harmless state change between
//   them, so that no compiler joins them: what the strips mean, drawn as GL
//   defines them. The tests compare the triangles with these, pixel for pixel.
enum class ListPrimitives { Triangles, Strips, SeparateStrips };

// blocks: the first Block record; blockCount records follow it. Each prints
// its summary line ("%i cells rendered", "%i Wireframe cells rendered") on
// `console`, also when there are no blocks; a null console prints nothing.
void CompileTexturedBlockLists(int32_t blockCount, const uint8_t* blocks, const GLuint* blockTextureNames,
                               FILE* console, ListPrimitives primitives = ListPrimitives::Triangles);
// The same, a block at a time: block k's list (it needs only the texture's
// name, not its contents), then the summary line once all are compiled.
void CompileTexturedBlockList(int32_t k, const uint8_t* block, GLuint blockTextureName, ListPrimitives primitives);
void ReportTexturedBlockLists(int32_t blockCount, FILE* console);
void CompileWireframeBlockLists(int32_t blockCount, const uint8_t* blocks, FILE* console,
                                ListPrimitives primitives = ListPrimitives::Triangles);

// Issues a block's quads (kBlockVertexCount strip vertices) between glBegin
// and glEnd, each vertex through `emit`.
template <typename Vertex, typename Emit>
void EmitBlockQuads(const Vertex* strips, ListPrimitives primitives, Emit emit) {
    if (primitives == ListPrimitives::Triangles) {
        static constexpr int kTrianglesOfStrip[6] = {0, 1, 2, 2, 1, 3};
        glBegin(GL_TRIANGLES);
        for (int q = 0; q < kBlockVertexCount; q += 4)
            for (int corner : kTrianglesOfStrip) emit(strips[q + corner]);
        glEnd();
        return;
    }
    for (int q = 0; q < kBlockVertexCount; q += 4) {
        glBegin(GL_TRIANGLE_STRIP);
        for (int i = q; i < q + 4; ++i) emit(strips[i]);
        glEnd();
        if (primitives == ListPrimitives::SeparateStrips) glLineWidth(1.0f);  // the width lines have already
    }
}
