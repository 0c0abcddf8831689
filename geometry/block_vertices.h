// block_vertices.h -- the vertex streams of a block's two display lists,
// computed on plain memory so they can be checked without a GL context.
//
// A block is 16 x 16 quads, each drawn as its own 4-vertex triangle strip,
// columns outer and rows inner: quad (r, c) is vertices 4 (16 c + r) .. +3.
// The SplitFlag of the quad's own cell (r, c) picks its diagonal:
//   set:   (r, c), (r+1, c), (r, c+1), (r+1, c+1)  -- diagonal (r+1, c)-(r, c+1)
//   clear: (r, c+1), (r, c), (r+1, c+1), (r+1, c)  -- diagonal (r, c)-(r+1, c+1)
// Both wind counter-clockwise seen from above, so the upper side is the front.
#pragma once

#include <cstdint>

inline constexpr int kBlockVertexCount = 16 * 16 * 4;

// The triangles the frame makes of a quad's strip s0 s1 s2 s3: (s0, s1, s2)
// and (s2, s1, s3), wound as the strip winds them.
inline constexpr int kTrianglesOfStrip[6] = {0, 1, 2, 2, 1, 3};

struct TexturedVertex {
    float loResCoord[2];     // unit 0: the block's place in its LoRes texture
    float materialCoord[2];  // unit 1: the block's material texture, 0..1 across the block
    float position[3];       // x = -10 c, y = altitude, z = -10 r
};

struct WireframeVertex {
    float colour[3];    // the country colour of the vertex's own cell
    float position[3];  // one unit above the textured surface
};

// block: a 2520-byte Block record; vertices_out: kBlockVertexCount entries.
void BuildTexturedBlockVertices(const uint8_t* block, TexturedVertex* vertices_out);
void BuildWireframeBlockVertices(const uint8_t* block, WireframeVertex* vertices_out);
