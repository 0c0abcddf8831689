// block_mesh.h -- a block as an indexed mesh for export: its 17 x 17 grid
// points as shared vertices, the frame's triangles over them, and the country
// wireframe as lines. Pure: no GL, no allocation.
//
// Grid point (r, c) is vertex 17 r + c, at x = -10 c, y = Altitude,
// z = -10 r, times the scale. The triangles are those the frame forms from
// each quad's strip (geometry/block_vertices.h), in its order and with its
// winding, so that their front faces face up (+y). Each vertex's normal is the
// sum of the cross products of the triangles around it (each twice the
// triangle's area) made unit length: a flat or sloped plane gets its exact
// normal. The texture coordinates (c / 16, r / 16) span the block 0..1.
#pragma once

#include <cstdint>

inline constexpr int kMeshVertexCount = 17 * 17;
inline constexpr int kMeshTriangleIndexCount = 16 * 16 * 2 * 3;
// Every quad edge once (17 rows of 16, 17 columns of 16) and every diagonal.
inline constexpr int kMeshLineIndexCount = 2 * (2 * 17 * 16 + 16 * 16);

struct BlockMesh {
    float positions[kMeshVertexCount][3];
    float normals[kMeshVertexCount][3];
    float texcoords[kMeshVertexCount][2];
    uint16_t triangles[kMeshTriangleIndexCount];
    // The overlay: the same points one unit above the surface (before the
    // scale), each in the country palette colour of its own cell.
    float linePositions[kMeshVertexCount][3];
    float lineColours[kMeshVertexCount][3];
    uint16_t lines[kMeshLineIndexCount];
};

// block: a 2520-byte Block record; scale multiplies every position.
void BuildBlockMesh(const uint8_t* block, float scale, BlockMesh* mesh_out);
