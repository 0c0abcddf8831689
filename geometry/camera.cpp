// camera.cpp -- the camera globals and the rules that move, turn and zoom them.
#include "geometry/camera.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdio>

#include "platform/clock.h"

Vector3 CameraPosition(0.0f, 0.0f, 0.0f);
Vector3 CameraRotation(0.0f, 0.0f, 0.0f);
float CameraZoom;

void ApplyMoveKey(MoveKey key, float yawDegrees, float step, Vector3* position) {
    // Forward and backward head along the yaw; left and right 90 degrees off it.
    float heading = yawDegrees;
    float sign = 1.0f;
    switch (key) {
    case kMoveForward: sign = -1.0f; break;
    case kMoveBackward: break;
    case kMoveLeft: heading = yawDegrees + 90.0f; break;
    case kMoveRight: heading = yawDegrees - 90.0f; break;
    case kMoveUp: position->y = position->y - step; return;
    case kMoveDown: position->y = position->y + step; return;
    case kMoveKeyCount: return;
    }
    const float r = heading * kDegreesToRadians;
    position->x = float(position->x + sign * step * std::sin(double(r)));
    position->z = float(position->z - sign * step * std::cos(double(r)));
}

float IdleStepSeconds(uint32_t previousMs, uint32_t nowMs) {
    // Unsigned difference: a step across the clock's wrap is still short.
    return float(double(MillisecondsBetween(previousMs, nowMs)) * 0.001);
}

DragTransition NextDragMode(int32_t mode, int button, int state) {
    if (button != kLeftButton && button != kRightButton) return {mode, false};
    const bool left = button == kLeftButton;
    const int32_t own = left ? kDragRotate : kDragRightAlone;    // the button's own mode
    const int32_t other = left ? kDragRightAlone : kDragRotate;  // the other button's mode
    if (mode == other) {
        // The second button joins the first: zoom; its release alone does nothing.
        if (state == kButtonDown) return {kDragZoom, true};
        return {mode, false};
    }
    return {state == kButtonDown ? own : int32_t(kDragNone), true};
}

void ApplyDrag(int32_t mode, int dx, int dy, float* pitch, float* yaw, float* zoom) {
    if (mode == kDragNone) return;
    if (mode == kDragRotate) {
        *yaw += float(dx);
        *pitch += float(dy);
    } else if (mode == kDragZoom) {
        *zoom -= kZoomPerPixel * float(dy);
    }
    if (*pitch < kPitchMin) *pitch = kPitchMin;
    else if (*pitch > kPitchMax) *pitch = kPitchMax;
    if (*zoom > kZoomClosest) *zoom = kZoomClosest;
    else if (*zoom < kZoomFarthest) *zoom = kZoomFarthest;
}

CameraView CurrentCamera() { return {CameraPosition, CameraRotation, CameraZoom}; }

void SetCamera(const CameraView& view) {
    CameraPosition = view.position;
    CameraRotation = view.rotation;
    CameraZoom = view.zoom;
}

void MoveCamera(MoveKey key, float step) { ApplyMoveKey(key, CameraYaw(), step, &CameraPosition); }

void DragCamera(int32_t mode, int dx, int dy) { ApplyDrag(mode, dx, dy, &CameraRotation.x, &CameraRotation.y, &CameraZoom); }

void WheelCamera(int steps) { CameraZoom = WheelZoom(CameraZoom, steps); }

float WheelZoom(float zoom, int steps) {
    float z = zoom;
    for (int n = 0; n < std::abs(steps); ++n) z = steps > 0 ? z / 1.15f : z * 1.15f;
    if (z > kZoomClosest) z = kZoomClosest;
    else if (z < kZoomFarthest) z = kZoomFarthest;
    return z;
}

Framing FramingCamera(const CheckedLandscape& landscape, int width_px, int height_px) {
    const PlacedArea area = PlacedBlocksArea(landscape);
    const Frustum f = ViewerFrustum(width_px, height_px);
    // The pivot is the middle of the placed blocks, and the camera looks
    // along the map's rows (yaw 180, so row 0 is at the top as `lndtool
    // info` prints the map). The far plane leaves little room: a 5% margin
    // where it fits, none where only that fits.
    const double cx = (area.xLow + area.xHigh) / 2, cz = (area.zLow + area.zHigh) / 2;
    const double cy = (area.bottom + area.top) / 2;
    const double hy = (area.top - area.bottom) / 2;
    constexpr double kYaw = 180.0;
    for (int tries = 0; tries < 2 * 90; ++tries) {
        const double margin = tries < 90 ? 1.05 : 1.0;
        const int pitch = 90 - tries % 90;
        const double hx = (area.xHigh - area.xLow) / 2 * margin, hz = (area.zHigh - area.zLow) / 2 * margin;
        const double c = std::cos(pitch * double(kDegreesToRadians)), s = std::sin(pitch * double(kDegreesToRadians));
        // A corner's place in eye space before the distance: turned by the
        // yaw (x and z change sign), then by the pitch about x.
        double needed = -kZoomClosest, deepest = 0;
        double depths[8];
        int n = 0;
        for (double dx : {-hx, hx})
            for (double dy : {-hy, hy})
                for (double dz : {-hz, hz}) {
                    const double x = -dx, y = dy, z = -dz;
                    const double ex = x, ey = c * y - s * z, ez = s * y + c * z;
                    // In view when its depth d - ez reaches what its sides ask.
                    const double side = std::max({std::fabs(ex) * f.nearPlane / f.right,
                                                  std::fabs(ey) * f.nearPlane / f.top, f.nearPlane});
                    needed = std::max(needed, ez + side);
                    depths[n++] = ez;
                }
        // Half a unit more, for the camera's single-precision numbers.
        needed += 0.5;
        for (double ez : depths) deepest = std::max(deepest, needed - ez);
        if (needed <= -kZoomFarthest && deepest <= kFarPlane)
            return {{{float(-cx), float(-cy), float(-cz)}, {float(pitch), float(kYaw), 0.0f}, float(-needed)}, true};
    }
    // Too large for any view the zoom allows: from straight above, as far
    // out as keeps the lowest ground inside the far plane.
    const double distance = std::min(-double(kZoomFarthest), kFarPlane - hy - 1.0);
    return {{{float(-cx), float(-cy), float(-cz)}, {90.0f, float(kYaw), 0.0f}, float(-distance)}, false};
}
