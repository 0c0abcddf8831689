// terrain_pick.cpp -- the pointer's ray against the placed blocks' triangles.
#include "geometry/terrain_pick.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "geometry/block_vertices.h"

namespace {

struct Vec {
    double x, y, z;
};
Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec operator*(double s, Vec a) { return {s * a.x, s * a.y, s * a.z}; }
double Dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec Cross(Vec a, Vec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }

constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180.0;

// v turned by -degrees about one axis: the inverse of a glRotatef.
Vec UnrotateX(Vec v, double degrees) {
    const double c = std::cos(degrees * kRadiansPerDegree), s = std::sin(degrees * kRadiansPerDegree);
    return {v.x, c * v.y + s * v.z, -s * v.y + c * v.z};
}
Vec UnrotateY(Vec v, double degrees) {
    const double c = std::cos(degrees * kRadiansPerDegree), s = std::sin(degrees * kRadiansPerDegree);
    return {c * v.x - s * v.z, v.y, s * v.x + c * v.z};
}
Vec UnrotateZ(Vec v, double degrees) {
    const double c = std::cos(degrees * kRadiansPerDegree), s = std::sin(degrees * kRadiansPerDegree);
    return {c * v.x + s * v.y, -s * v.x + c * v.y, v.z};
}

// An eye-space vector in world space: the frame turns by pitch, yaw and roll
// in that order, so the way back undoes roll first.
Vec EyeToWorld(Vec v, const CameraView& camera) {
    return UnrotateZ(UnrotateY(UnrotateX(v, camera.rotation.x), camera.rotation.y), camera.rotation.z);
}

// The ray's distance to a box, or -1 when it misses it.
double RayBox(Vec origin, Vec direction, Vec low, Vec high) {
    double near = 0, far = 1e300;
    const double o[3] = {origin.x, origin.y, origin.z}, d[3] = {direction.x, direction.y, direction.z};
    const double lo[3] = {low.x, low.y, low.z}, hi[3] = {high.x, high.y, high.z};
    for (int axis = 0; axis < 3; ++axis) {
        if (std::fabs(d[axis]) < 1e-300) {
            if (o[axis] < lo[axis] || o[axis] > hi[axis]) return -1;
            continue;
        }
        double t0 = (lo[axis] - o[axis]) / d[axis], t1 = (hi[axis] - o[axis]) / d[axis];
        if (t0 > t1) std::swap(t0, t1);
        near = std::max(near, t0);
        far = std::min(far, t1);
        if (near > far) return -1;
    }
    return near;
}

// The ray's distance to a triangle (either side), or -1.
double RayTriangle(Vec origin, Vec direction, Vec a, Vec b, Vec c) {
    const Vec ab = b - a, ac = c - a;
    const Vec p = Cross(direction, ac);
    const double det = Dot(ab, p);
    if (std::fabs(det) < 1e-12) return -1;
    const Vec s = origin - a;
    const double u = Dot(s, p) / det;
    if (u < 0 || u > 1) return -1;
    const Vec q = Cross(s, ab);
    const double v = Dot(direction, q) / det;
    if (v < 0 || u + v > 1) return -1;
    const double t = Dot(ac, q) / det;
    return t > 0 ? t : -1;
}

}  // namespace

TerrainPick PickTerrain(const CheckedLandscape& landscape, const CameraView& camera, int width_px, int height_px,
                        double x_px, double y_px) {
    TerrainPick pick;
    if (width_px < 1 || height_px < 1) return pick;
    // The pixel's centre on the near plane, in eye space.
    const Frustum f = ViewerFrustum(width_px, height_px);
    const double ndcX = 2.0 * (x_px + 0.5) / width_px - 1.0, ndcY = 1.0 - 2.0 * (y_px + 0.5) / height_px;
    const Vec direction = EyeToWorld({ndcX * f.right, ndcY * f.top, -f.nearPlane}, camera);
    const Vec position = {camera.position.x, camera.position.y, camera.position.z};
    const Vec origin = EyeToWorld({0, 0, -double(camera.zoom)}, camera) - position;

    double best = -1;
    const int32_t blocks = landscape.MapBlockCount();
    static thread_local TexturedVertex strips[kBlockVertexCount];
    for (int b = 0; b < kBlockMapSide; ++b) {
        for (int a = 0; a < kBlockMapSide; ++a) {
            const uint8_t v = BlockMapAt(landscape.bytes, b, a);
            if (v == 0 || v > blocks) continue;
            const uint8_t* block = landscape.Block(v - 1);
            const AltitudeRange range = BlockAltitudes(block);
            const double x0 = -double(kBlockWorldSize) * a, z0 = -double(kBlockWorldSize) * b;
            const double toBox = RayBox(origin, direction,
                                        {x0 - kBlockWorldSize, double(range.low), z0 - kBlockWorldSize},
                                        {x0, double(range.high), z0});
            if (toBox < 0 || (best >= 0 && toBox > best)) continue;
            // The block's own triangles, from the same strips as its lists.
            BuildTexturedBlockVertices(block, strips);
            const Vec place = {x0, 0, z0};
            auto at = [&](int i) {
                return place + Vec{strips[i].position[0], strips[i].position[1], strips[i].position[2]};
            };
            for (int q = 0; q < kBlockVertexCount; q += 4) {
                for (const int* tri = kTrianglesOfStrip; tri != kTrianglesOfStrip + 6; tri += 3) {
                    const double t = RayTriangle(origin, direction, at(q + tri[0]), at(q + tri[1]), at(q + tri[2]));
                    if (t < 0 || (best >= 0 && t >= best)) continue;
                    best = t;
                    pick.hit = true;
                    pick.row = b, pick.column = a, pick.block = v - 1;
                }
            }
        }
    }
    if (!pick.hit) return pick;

    const Vec point = origin + best * direction;
    pick.x = float(point.x), pick.y = float(point.y), pick.z = float(point.z);
    // Grid point (r, c) of the place lies at x = -160 a - 10 c, z = -160 b - 10 r.
    const double c = (-double(kBlockWorldSize) * pick.column - point.x) / kCellWorldSize;
    const double r = (-double(kBlockWorldSize) * pick.row - point.z) / kCellWorldSize;
    pick.cellColumn = std::clamp(int(std::lround(c)), 0, kBlockGridPoints - 1);
    pick.cellRow = std::clamp(int(std::lround(r)), 0, kBlockGridPoints - 1);
    const uint8_t* block = landscape.Block(pick.block);
    pick.altitude = CellAltitude(block, pick.cellRow, pick.cellColumn);
    pick.country = CellCountryIndex(block, pick.cellRow, pick.cellColumn);
    pick.countryExists = pick.country < landscape.counts.countryCount;
    if (pick.countryExists) {
        const uint8_t* entry = CountryEntryAt(landscape.CountryArea() + kCountrySize * pick.country, pick.altitude);
        pick.materialA = EntryMaterialA(entry);
        pick.materialB = EntryMaterialB(entry);
        pick.blendWeight = EntryBlendWeight(entry);
    }
    return pick;
}

std::string PickLine(const TerrainPick& p) {
    if (!p.hit) return "sky";
    char line[256];
    int n = std::snprintf(line, sizeof line, "place %d,%d | block %d | cell %d,%d | altitude %u | country %u", p.row,
                          p.column, int(p.block), p.cellRow, p.cellColumn, unsigned(p.altitude), unsigned(p.country));
    if (p.countryExists)
        std::snprintf(line + n, sizeof line - size_t(n), ": materials %u %u, weight %u", p.materialA, p.materialB,
                      p.blendWeight);
    else
        std::snprintf(line + n, sizeof line - size_t(n), " (no such country)");
    return line;
}
