// block_lists.h -- the two display lists of every block, compiled once at load.
// Block k has textured list k + 1 and wireframe list k + 257, so a map byte v
// draws list v, and list 256 + v in the overlay. Beyond 256 blocks a
// wireframe id would replace the textured list of a block no map byte can
// name; loading builds the first 255 blocks only.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <cstdio>

#include "geometry/block_vertices.h"

inline constexpr GLuint kWireframeListBase = 256;

inline GLuint TexturedListId(int32_t k) { return GLuint(k) + 1; }
inline GLuint WireframeListId(int32_t k) { return GLuint(k) + 1 + kWireframeListBase; }

// Block k's textured list: its LoRes texture (named loResTextureName) on
// unit 0, the block's material texture (named blockTextureName) on unit 1,
// then its quads; only the names are needed, not the contents. `block` is
// its 2520-byte record.
void CompileTexturedBlockList(int32_t k, const uint8_t* block, GLuint loResTextureName, GLuint blockTextureName);
// Block k's wireframe list: untextured, each vertex in its cell's country
// colour, one unit above the terrain.
void CompileWireframeBlockList(int32_t k, const uint8_t* block);

// The summary lines once all lists of a kind are compiled: "%i cells
// rendered" and "%i Wireframe cells rendered", 256 for every block, also
// when there are none; a null console prints nothing.
void ReportTexturedBlockLists(int32_t blockCount, FILE* console);
void ReportWireframeBlockLists(int32_t blockCount, FILE* console);

// What each list sets up before its quads, for a list that hands the same
// vertices to GL in another way.
void SetTexturedBlockState(GLuint loResTextureName, GLuint blockTextureName);
void SetWireframeBlockState();

// Issues a block's quads (kBlockVertexCount strip vertices, 4 a quad) as one
// GL_TRIANGLES primitive, each quad's strip s0 s1 s2 s3 as the triangles
// (s0, s1, s2) and (s2, s1, s3): the triangles and the winding its strip
// makes. One primitive a block rather than 256 strips: with back faces drawn
// as lines (or the overlay as lines and points) every primitive takes the
// rasterizer's slow path on software OpenGL, and a display list compiler may
// join consecutive strips into one (Mesa does), which turns some front faces
// into back faces.
template <typename Vertex, typename Emit>
void EmitBlockTriangles(const Vertex* strips, Emit emit) {
    glBegin(GL_TRIANGLES);
    for (int q = 0; q < kBlockVertexCount; q += 4)
        for (int corner : kTrianglesOfStrip) emit(strips[q + corner]);
    glEnd();
}
