// block_mesh.cpp -- a block's shared-vertex mesh, its normals and its lines.
#include "tools/gltf/block_mesh.h"

#include <cmath>

#include "geometry/block_vertices.h"
#include "landscape/lnd_format.h"

namespace {

constexpr int kSide = kBlockGridPoints;

// The grid vertex a strip vertex stands on: its material coordinates are
// c / 16 and r / 16, exactly.
int VertexOf(const TexturedVertex& v) {
    return kSide * int(v.materialCoord[1] * 16.0f) + int(v.materialCoord[0] * 16.0f);
}

}  // namespace

void BuildBlockMesh(const uint8_t* block, float scale, BlockMesh* mesh) {
    TexturedVertex strips[kBlockVertexCount];
    WireframeVertex wires[kBlockVertexCount];
    BuildTexturedBlockVertices(block, strips);
    BuildWireframeBlockVertices(block, wires);

    int n = 0;
    for (int q = 0; q < kBlockVertexCount; q += 4)
        for (int corner : kTrianglesOfStrip) mesh->triangles[n++] = uint16_t(VertexOf(strips[q + corner]));

    for (int q = 0; q < kBlockVertexCount; ++q) {
        const int v = VertexOf(strips[q]);
        for (int axis = 0; axis < 3; ++axis) {
            mesh->positions[v][axis] = strips[q].position[axis] * scale;
            mesh->linePositions[v][axis] = wires[q].position[axis] * scale;
            mesh->lineColours[v][axis] = wires[q].colour[axis];
        }
        mesh->texcoords[v][0] = strips[q].materialCoord[0];
        mesh->texcoords[v][1] = strips[q].materialCoord[1];
    }

    // Normals from the unscaled grid, in doubles: the cross products of its
    // integer coordinates are exact.
    double sums[kMeshVertexCount][3] = {};
    for (int t = 0; t < kMeshTriangleIndexCount; t += 3) {
        double p[3][3];
        for (int k = 0; k < 3; ++k) {
            const int v = mesh->triangles[t + k];
            p[k][0] = -double(kCellWorldSize * (v % kSide));
            p[k][1] = double(CellAltitude(block, v / kSide, v % kSide));
            p[k][2] = -double(kCellWorldSize * (v / kSide));
        }
        const double e1[3] = {p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
        const double e2[3] = {p[2][0] - p[0][0], p[2][1] - p[0][1], p[2][2] - p[0][2]};
        const double cross[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                                 e1[0] * e2[1] - e1[1] * e2[0]};
        for (int k = 0; k < 3; ++k)
            for (int axis = 0; axis < 3; ++axis) sums[mesh->triangles[t + k]][axis] += cross[axis];
    }
    // Every triangle's cross product points up by 100 (its ground plan is
    // half a 10 x 10 quad), so no sum is zero.
    for (int v = 0; v < kMeshVertexCount; ++v) {
        const double length = std::sqrt(sums[v][0] * sums[v][0] + sums[v][1] * sums[v][1] + sums[v][2] * sums[v][2]);
        for (int axis = 0; axis < 3; ++axis) mesh->normals[v][axis] = float(sums[v][axis] / length);
    }

    // Lines: the edges along rows, the edges along columns, then each
    // quad's diagonal, the edge its strip's two triangles share (s1 s2).
    n = 0;
    for (int r = 0; r < kSide; ++r)
        for (int c = 0; c + 1 < kSide; ++c) {
            mesh->lines[n++] = uint16_t(kSide * r + c);
            mesh->lines[n++] = uint16_t(kSide * r + c + 1);
        }
    for (int c = 0; c < kSide; ++c)
        for (int r = 0; r + 1 < kSide; ++r) {
            mesh->lines[n++] = uint16_t(kSide * r + c);
            mesh->lines[n++] = uint16_t(kSide * (r + 1) + c);
        }
    for (int q = 0; q < kBlockVertexCount; q += 4) {
        mesh->lines[n++] = uint16_t(VertexOf(strips[q + 1]));
        mesh->lines[n++] = uint16_t(VertexOf(strips[q + 2]));
    }
}
