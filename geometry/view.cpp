// view.cpp -- camera lines, the frustum of a picture and the overview.
#include "geometry/view.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

std::string CameraLine(const CameraView& v) {
    char line[512];
    std::snprintf(line, sizeof line, "pos : %f %f %f | rot: %f %f %f | zoom : %f", double(v.position.x),
                  double(v.position.y), double(v.position.z), double(v.rotation.x), double(v.rotation.y),
                  double(v.rotation.z), double(v.zoom));
    return line;
}

bool ParseCameraLine(const std::string& line, CameraView* view) {
    float p[3], r[3], zoom;
    int end = -1;
    // Spaces in the format match any run of white space, so a line copied
    // with its spacing changed still reads.
    const int n = std::sscanf(line.c_str(), " pos : %f %f %f | rot: %f %f %f | zoom : %f %n", &p[0], &p[1], &p[2],
                              &r[0], &r[1], &r[2], &zoom, &end);
    if (n != 7 || end < 0 || size_t(end) != line.size()) return false;
    for (float v : {p[0], p[1], p[2], r[0], r[1], r[2], zoom})
        if (!std::isfinite(v)) return false;
    *view = {{p[0], p[1], p[2]}, {r[0], r[1], r[2]}, zoom};
    return true;
}

Frustum ViewerFrustum(int width_px, int height_px, double farPlane) {
    // Integer products first: at 800 x 600 the ratio is exactly 1.
    const double widthScale = double(int64_t(width_px) * 600) / double(int64_t(height_px) * 800);
    return {-0.04 * widthScale, 0.04 * widthScale, -0.04, 0.04, kNearPlane, farPlane};
}

AltitudeRange BlockAltitudes(const uint8_t* block) {
    AltitudeRange range = {255, 0};
    for (int r = 0; r < kBlockGridPoints; ++r)
        for (int c = 0; c < kBlockGridPoints; ++c) {
            range.low = std::min<int>(range.low, CellAltitude(block, r, c));
            range.high = std::max<int>(range.high, CellAltitude(block, r, c));
        }
    return range;
}

PlacedArea PlacedBlocksArea(const CheckedLandscape& landscape) {
    int rowMin = kBlockMapSide, rowMax = -1, columnMin = kBlockMapSide, columnMax = -1;
    int low = 255, high = 0;  // lowest and highest cell of a placed block
    const int32_t blocks = landscape.MapBlockCount();
    for (int b = 0; b < kBlockMapSide; ++b) {
        for (int a = 0; a < kBlockMapSide; ++a) {
            const uint8_t v = BlockMapAt(landscape.bytes, b, a);
            if (v == 0 || v > blocks) continue;
            rowMin = std::min(rowMin, b), rowMax = std::max(rowMax, b);
            columnMin = std::min(columnMin, a), columnMax = std::max(columnMax, a);
            const AltitudeRange range = BlockAltitudes(landscape.Block(v - 1));
            low = std::min(low, range.low), high = std::max(high, range.high);
        }
    }
    if (rowMax < 0) rowMin = columnMin = 0, rowMax = columnMax = kBlockMapSide - 1, low = 0;
    PlacedArea area;
    // Place (b, a) covers x from -160 a - 160 to -160 a, z likewise with b.
    area.xLow = -double(kBlockWorldSize) * (columnMax + 1), area.xHigh = -double(kBlockWorldSize) * columnMin;
    area.zLow = -double(kBlockWorldSize) * (rowMax + 1), area.zHigh = -double(kBlockWorldSize) * rowMin;
    area.bottom = low;
    area.top = high + 1.0;  // the overlay lies one unit above the cells
    return area;
}

CameraView OverviewCamera(const CheckedLandscape& landscape, int width_px, int height_px, double* farPlane_out) {
    const PlacedArea area = PlacedBlocksArea(landscape);
    // Seen from straight above, x runs across the picture and z up it; the
    // highest points are nearest the eye, so they decide the distance. Turned
    // half round, row 0 of the map is at the top and column 0 at the left,
    // as `lndtool info` prints it.
    const Frustum f = ViewerFrustum(width_px, height_px);
    const double margin = 1.05;
    const double distance = std::max({(area.xHigh - area.xLow) / 2 * margin * f.nearPlane / f.right,
                                      (area.zHigh - area.zLow) / 2 * margin * f.nearPlane / f.top, 2 * f.nearPlane});
    if (farPlane_out) *farPlane_out = std::max(kFarPlane, (distance + area.top) * 1.01);
    const float x = float((area.xLow + area.xHigh) / 2), z = float((area.zLow + area.zHigh) / 2);
    return {{-x, -float(area.top), -z}, {90.0f, 180.0f, 0.0f}, -float(distance)};
}
