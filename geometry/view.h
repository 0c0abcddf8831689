// view.h -- what a camera sees: one camera as a value, the line the viewer
// prints for it, the projection of a picture of any size, and the overview
// of a whole landscape. Pure: the viewer's window and lndtool's pictures
// both draw from these.
#pragma once

#include <cstdint>
#include <string>

#include "geometry/vector3.h"
#include "landscape/lnd_check.h"

// One camera. The frame translates by (0, 0, zoom), turns by pitch about x,
// yaw about y and roll about z (degrees), then translates by position: the
// eye circles the world point -position at the distance -zoom.
struct CameraView {
    Vector3 position;  // world units
    Vector3 rotation;  // degrees: pitch, yaw, roll
    float zoom;        // world units, an eye-space z offset
};

// Where the camera starts: 500 units from the pivot (-2720, 30, -2560),
// looking down at 45 degrees.
inline constexpr CameraView kStartCamera = {{2720.0f, -30.0f, 2560.0f}, {45.0f, 0.0f, 0.0f}, -500.0f};

// The line a middle press prints: "pos : x y z | rot: pitch yaw roll | zoom : z".
std::string CameraLine(const CameraView& view);
// Reads such a line back (any floats, any amount of space between the
// parts); false when it is not one.
bool ParseCameraLine(const std::string& line, CameraView* view);

// The frustum of a picture width_px x height_px. The viewer's 800 x 600
// window shows a square frustum (0.04 at the near plane 0.1 both ways, about
// 43.6 degrees) stretched over 4:3; every other size keeps that look: the
// same vertical field, the width scaled with the picture's aspect, so a
// block has the same proportions at any size. At 800 x 600 the numbers are
// exactly the window's.
struct Frustum {
    double left, right, bottom, top, nearPlane, farPlane;
};
inline constexpr double kNearPlane = 0.1, kFarPlane = 4096.0;
Frustum ViewerFrustum(int width_px, int height_px, double farPlane = kFarPlane);

// The lowest and highest altitude of a block record's cells.
struct AltitudeRange {
    int low, high;
};
AltitudeRange BlockAltitudes(const uint8_t* block);

// Where the placed blocks lie (nonzero map bytes that name a built block;
// the whole map at height 0 when there are none): x and z in world units,
// and the heights of their lowest cell and of their highest overlay line.
struct PlacedArea {
    double xLow, xHigh, zLow, zHigh, bottom, top;
};
PlacedArea PlacedBlocksArea(const CheckedLandscape& landscape);

// Looking straight down on the centre of the placed blocks (nonzero map
// bytes that name a built block; the whole map when there are none), row 0
// of the map at the top and column 0 at the left, from
// high enough that all of them, up to their highest cell and its overlay,
// fit a picture of width_px x height_px with a 5% margin. `farPlane_out`
// (when not null) gets the far plane that keeps the lowest ground in view;
// it is above 4096 only when the view is farther out than the viewer's zoom
// allows. Needs a usable landscape.
CameraView OverviewCamera(const CheckedLandscape& landscape, int width_px, int height_px,
                          double* farPlane_out = nullptr);
